#include "ui/dialogs/records_compare_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "ui/dialogs/review_dialog.h"

namespace vq {

namespace {
QString q(const std::string& text) {
    return QString::fromStdString(text);
}
}  // namespace

RecordsCompareDialog::RecordsCompareDialog(QWidget* parent, const std::string& heading,
                                           const ReviewSummary& summary)
    : QDialog(parent), list_(new QTreeWidget(this)), count_(new QLabel(this)) {
    setWindowTitle(q(ResMessage(msg::RecordsCompareTitle)));
    auto* layout = new QVBoxLayout(this);
    auto* headingLabel = new QLabel(q(heading), this);
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    layout->addWidget(headingLabel);

    FillReviewList(list_,
                   {q(ResMessage(msg::ReviewColumnSetting)), q(ResMessage(msg::RecordsColOlder)),
                    q(ResMessage(msg::RecordsColNewer))},
                   summary);
    list_->setVisible(!summary.changes.empty());
    layout->addWidget(list_, 1);

    // Nothing is written here, so the count says only how many settings differ.
    ReviewSummary counted{summary.changes, 0};
    count_->setText(summary.changes.empty() ? q(ResMessage(msg::RecordsNoDifferences))
                                            : q(ReviewCountText(counted)));
    count_->setWordWrap(true);
    layout->addWidget(count_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close =
        buttons->addButton(q(ResMessage(msg::RecordsClose)), QDialogButtonBox::RejectRole);
    close->setObjectName("cmdClose");
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    int lines = 0;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        lines += 1 + list_->topLevelItem(i)->childCount();
    const int lineHeight = list_->fontMetrics().height() + 4;
    resize(std::clamp(list_->header()->length() + 40, 420, 760),
           sizeHint().height() + std::min(lines, 24) * lineHeight);
}

QString RecordsCompareDialog::countText() const {
    return count_->text();
}

}  // namespace vq
