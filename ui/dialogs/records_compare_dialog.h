#pragma once
// Two settings snapshots of one instrument compared as the review list a write shows: every
// setting that differs, under its group heading, the older value beside the newer. Read only.

#include <QDialog>
#include <string>

#include "app/settings_review_text.h"

class QLabel;
class QTreeWidget;

namespace vq {

class RecordsCompareDialog final : public QDialog {
    Q_OBJECT
  public:
    RecordsCompareDialog(QWidget* parent, const std::string& heading, const ReviewSummary& summary);

    const QTreeWidget* list() const { return list_; }
    QString countText() const;

  private:
    QTreeWidget* list_;
    QLabel* count_;
};

}  // namespace vq
