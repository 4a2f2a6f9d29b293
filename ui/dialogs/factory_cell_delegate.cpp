#include "ui/dialogs/factory_cell_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QToolTip>

namespace vq {

FactoryCellDelegate::FactoryCellDelegate(Describe describe, Commit commit, QObject* parent)
    : QStyledItemDelegate(parent), describe_(std::move(describe)), commit_(std::move(commit)) {
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this] { emit editorClosed(); });
}

QWidget* FactoryCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const {
    const int row = index.row();
    const int column = index.column();
    const FactoryEditorKind kind = describe_(row, column);
    QWidget* editor = nullptr;
    if (kind.kind == FactoryEditorKind::Text) {
        auto* edit = new QLineEdit(parent);
        edit->installEventFilter(new FactoryKeyFilter(kind.keys, edit));
        connect(edit, &QLineEdit::textChanged, this, [this, row, column](const QString& text) {
            emit editorTextChanged(row, column, text);
        });
        editor = edit;
    } else {
        auto* list = new QComboBox(parent);
        list->addItems(kind.items);
        list->setEditable(kind.kind == FactoryEditorKind::EditableList);
        editor = list;
    }
    connect(editor, &QObject::destroyed, this, [this] { emit editorClosed(); });
    return editor;
}

void FactoryCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        edit->setText(text);
        emit editorTextChanged(index.row(), index.column(), text);
    } else if (auto* list = qobject_cast<QComboBox*>(editor)) {
        const int at = list->findText(text, Qt::MatchFixedString);
        if (at >= 0) {
            list->setCurrentIndex(at);
        } else if (list->isEditable()) {
            list->setEditText(text);
        } else {
            list->setCurrentIndex(-1);
        }
    }
}

void FactoryCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                       const QModelIndex& index) const {
    QString text;
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        text = edit->text();
    } else if (auto* list = qobject_cast<QComboBox*>(editor)) {
        if (!list->isEditable() && list->currentIndex() < 0) return;  // nothing chosen
        text = list->currentText();
    }
    if (commit_(index.row(), index.column(), text)) return;
    QApplication::beep();
    // The editor lives in the view's viewport; it closes after this call, so the view opens a
    // fresh one once the closing is done.
    QWidget* viewport = editor->parentWidget();
    auto* view =
        viewport != nullptr ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    const QString reason = reason_ ? reason_() : QString();
    if (view != nullptr && !reason.isEmpty())
        QToolTip::showText(viewport->mapToGlobal(view->visualRect(index).bottomLeft()), reason,
                           viewport);
    emit refused(reason);
    if (view == nullptr) return;
    const QPersistentModelIndex cell(index);
    QMetaObject::invokeMethod(
        view,
        [view, cell] {
            if (view->isVisible() && cell.isValid()) view->edit(cell);
        },
        Qt::QueuedConnection);
}

}  // namespace vq
