#pragma once
// The cell editor of the factory dialog's grids. The grid describes, per cell, which editor the
// cell gets (a line edit with key rules, or a drop-down list) and receives the finished text;
// the grid, not the editor, decides whether the edit is kept. A refused edit beeps, says why
// (a tooltip at the cell, from the grid's reason), leaves the cell as it was and opens the
// cell's editor again with the old value, so the user fixes it where it is.

#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

#include "ui/dialogs/factory_key_filter.h"

namespace vq {

struct FactoryEditorKind {
    enum Kind { Text, List, EditableList };
    Kind kind = Text;
    FactoryKeyRules keys;  // Text
    QStringList items;     // List and EditableList
};

class FactoryCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using Describe = std::function<FactoryEditorKind(int row, int column)>;
    // True when the grid kept the edit.
    using Commit = std::function<bool(int row, int column, const QString& text)>;

    // Why the grid refused the last edit.
    using Reason = std::function<QString()>;

    FactoryCellDelegate(Describe describe, Commit commit, QObject* parent);
    void setReason(Reason reason) { reason_ = std::move(reason); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  signals:
    // The text of an open line editor, after every change (and once when it opens).
    void editorTextChanged(int row, int column, const QString& text) const;
    // The editor closed (committed or not).
    void editorClosed() const;
    // An edit was refused (after the beep), with the grid's reason.
    void refused(const QString& reason) const;

  private:
    Describe describe_;
    Commit commit_;
    Reason reason_;
};

}  // namespace vq
