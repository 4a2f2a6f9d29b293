#include "ui/dialogs/review_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "messages/message_ids.h"
#include "messages/messages.h"

namespace vq {

namespace {
QString q(const std::string& text) {
    return QString::fromStdString(text);
}
}  // namespace

void FillReviewList(QTreeWidget* list, const QStringList& headers, const ReviewSummary& summary) {
    list->clear();
    list->setColumnCount(3);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    QFont bold = list->font();
    bold.setBold(true);
    QTreeWidgetItem* group = nullptr;
    bool first = true;
    ReviewGroup current{};
    for (const ReviewRow& row : summary.changes) {
        if (first || row.group != current) {
            group = new QTreeWidgetItem(list, {q(ReviewGroupText(row.group))});
            group->setFirstColumnSpanned(true);
            group->setFont(0, bold);
            group->setExpanded(true);
        }
        first = false;
        current = row.group;
        new QTreeWidgetItem(group, {q(ReviewCaptionText(row)), q(ReviewValueText(row.onInstrument)),
                                    q(ReviewValueText(row.toWrite))});
    }
    list->expandAll();
    for (int column = 0; column < 3; ++column) list->resizeColumnToContents(column);
}

ReviewDialog::ReviewDialog(QWidget* parent, const std::string& title, const std::string& heading,
                           const ReviewSummary& summary)
    : QDialog(parent), list_(new QTreeWidget(this)) {
    setWindowTitle(q(title));
    auto* layout = new QVBoxLayout(this);

    auto* headingLabel = new QLabel(q(heading), this);
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    layout->addWidget(headingLabel);

    FillReviewList(
        list_,
        {q(ResMessage(msg::ReviewColumnSetting)), q(ResMessage(msg::ReviewColumnOnInstrument)),
         q(ResMessage(msg::ReviewColumnToWrite))},
        summary);
    list_->setVisible(!summary.changes.empty());
    layout->addWidget(list_, 1);

    auto* count = new QLabel(q(ReviewCountText(summary)), this);
    count->setWordWrap(true);
    layout->addWidget(count);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* write =
        buttons->addButton(q(ResMessage(msg::ReviewWriteButton)), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(q(ResMessage(msg::CancelButton)), QDialogButtonBox::RejectRole);
    write->setAutoDefault(false);
    cancel->setDefault(true);
    cancel->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // As tall as the list needs, up to a screenful; the list scrolls beyond that.
    int lines = 0;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        lines += 1 + list_->topLevelItem(i)->childCount();
    constexpr int kMostLines = 24;
    const int lineHeight = std::max(list_->sizeHintForRow(0), list_->fontMetrics().height());
    list_->setFixedHeight(list_->header()->sizeHint().height() + 2 * list_->frameWidth() + 4 +
                          std::min(lines, kMostLines) * lineHeight);
    const int width = std::clamp(list_->header()->length() + 40, 420, 760);
    resize(width, sizeHint().height());
}

}  // namespace vq
