#pragma once
// The review shown before a write: what the instrument holds and what is about to replace it,
// setting by setting under their group headings, with the count of unchanged settings a write
// sends along. Write sends; Cancel (the default, so Enter alone never writes) sends nothing.

#include <QDialog>
#include <QStringList>
#include <string>

#include "app/settings_review_text.h"

class QTreeWidget;

namespace vq {

// The changes under their group headings in `list` (three columns: setting and the two values),
// as the review before a write and the Records window's comparison show them.
void FillReviewList(QTreeWidget* list, const QStringList& headers, const ReviewSummary& summary);

class ReviewDialog final : public QDialog {
    Q_OBJECT
  public:
    ReviewDialog(QWidget* parent, const std::string& title, const std::string& heading,
                 const ReviewSummary& summary);

    // The list as shown: one top-level item per group, one child per changed setting.
    const QTreeWidget* list() const { return list_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    static constexpr int kColumnPadding = 8;
    void fitToList();
    QTreeWidget* list_;
};

}  // namespace vq
