#include "ui/dialogs/fs_key_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "model/text_rules.h"

namespace vq {

FsKeyFilter::FsKeyFilter(FsKeyRules rules, QObject* parent) : QObject(parent), rules_(rules) {}

bool FsKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    if (edit == nullptr || typed.size() != 1 || !typed.at(0).isPrint()) return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;

    const QChar c = rules_.upperCase ? typed.at(0).toUpper() : typed.at(0);
    const bool full =
        rules_.maxLength > 0 && !edit->hasSelectedText() && edit->text().size() >= rules_.maxLength;
    if (!IsNameKey(c.unicode()) || full) {
        QApplication::beep();
        return true;
    }
    if (c != typed.at(0)) {
        edit->insert(QString(c));
        return true;
    }
    return false;
}

}  // namespace vq
