#include "ui/dialogs/factory_key_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>
#include <string>

#include "messages/messages.h"
#include "model/text_rules.h"

namespace vq {

QString FirstNonNameCharacter(const QString& text) {
    for (const QChar c : text)
        if (!IsNameKey(c.unicode())) return QString(c);
    return QString();
}

FactoryKeyFilter::FactoryKeyFilter(FactoryKeyRules rules, QObject* parent)
    : QObject(parent), rules_(rules) {}

bool FactoryKeyFilter::eventFilter(QObject* watched, QEvent* event) {
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
        const std::string reason =
            full ? ResMessage(msg::RefusedLength, {std::to_string(rules_.maxLength)})
                 : ResMessage(msg::RefusedNameCharacter, {QString(c).toStdString()});
        const QString text = QString::fromStdString(reason);
        QToolTip::showText(edit->mapToGlobal(edit->rect().bottomLeft()), text, edit);
        emit refused(text);
        return true;
    }
    if (c != typed.at(0)) {
        edit->insert(QString(c));
        return true;
    }
    return false;
}

}  // namespace vq
