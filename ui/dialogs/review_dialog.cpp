#include "ui/dialogs/review_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "ui/widgets/access_keys.h"

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
    // Alt+W writes; Enter alone never does.
    QPushButton* write = buttons->addButton(
        WithAccessKey(q(ResMessage(msg::ReviewWriteButton)), 'W'), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(q(ResMessage(msg::CancelButton)), QDialogButtonBox::RejectRole);
    write->setAutoDefault(false);
    cancel->setDefault(true);
    cancel->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    fitToList();
}

void ReviewDialog::fitToList() {
    // Every column as wide as its longest text in the font shown, with room to spare: a
    // Japanese caption measured in another font than it is drawn in would lose its end.
    for (int column = 0; column < 3; ++column) {
        list_->resizeColumnToContents(column);
        list_->setColumnWidth(column, list_->columnWidth(column) + 2 * kColumnPadding);
    }
    // As tall as the list needs, up to the screen's height; the list scrolls beyond that.
    int lines = 0;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        lines += 1 + list_->topLevelItem(i)->childCount();
    int lineHeight = list_->fontMetrics().height();
    if (list_->topLevelItemCount() > 0) lineHeight = std::max(lineHeight, list_->sizeHintForRow(0));
    const int listHeight =
        list_->header()->sizeHint().height() + 2 * list_->frameWidth() + 4 + lines * lineHeight;
    // Measured without the height a previous call fixed.
    list_->setMinimumHeight(0);
    list_->setMaximumHeight(QWIDGETSIZE_MAX);
    int room = 900;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        room = screen->availableGeometry().height();
    const int rest = layout()->sizeHint().height() - list_->sizeHint().height();
    list_->setFixedHeight(std::max(lineHeight * 3, std::min(listHeight, room - rest - 60)));
    const int width = list_->header()->length() + 2 * list_->frameWidth() + 40;
    int widest = 1000;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        widest = screen->availableGeometry().width() - 40;
    resize(std::clamp(width, 420, std::max(420, widest)), sizeHint().height());
}

void ReviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Now in the font and style it is drawn with.
    fitToList();
}

}  // namespace vq
