#include "ui/main/identity_boxes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>
#include <algorithm>

#include "messages/messages.h"
#include "model/instrument.h"
#include "model/text_rules.h"

namespace vq {

namespace {

bool isIdentityChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || u == ' ' || u == '*' || u == '-';
}

}  // namespace

bool IsIdentityText(const QString& text, int maxLength) {
    if (text.size() > maxLength) return false;
    return std::all_of(text.begin(), text.end(), isIdentityChar);
}

std::optional<QString> TextAfterKey(const QString& text, int selStart, int selLength,
                                    const QString& typed, int maxLength) {
    const int start = std::clamp(selStart, 0, static_cast<int>(text.size()));
    const int length = std::clamp(selLength, 0, static_cast<int>(text.size()) - start);
    const QString after = text.left(start) + typed.toUpper() + text.mid(start + length);
    if (!IsIdentityText(after, maxLength)) return std::nullopt;
    return after;
}

IdentityBoxes::IdentityBoxes(std::array<QLineEdit*, 3> boxes, InstrumentModel& model,
                             std::function<void()> beep, QObject* parent)
    : QObject(parent), boxes_(boxes), model_(model), beep_(std::move(beep)) {
    if (!beep_) beep_ = [] { QApplication::beep(); };
    for (int i = 0; i < 3; ++i) {
        QLineEdit* box = boxes_[static_cast<std::size_t>(i)];
        box->setMaxLength(identityLengths[static_cast<std::size_t>(i)]);
        box->installEventFilter(this);
        connect(box, &QLineEdit::editingFinished, this, [this, i] { leaveBox(i); });
    }
}

int IdentityBoxes::indexOf(QObject* box) const {
    for (int i = 0; i < 3; ++i)
        if (boxes_[static_cast<std::size_t>(i)] == box) return i;
    return -1;
}

QString IdentityBoxes::modelText(int i) const {
    switch (i) {
        case 0:
            return QString::fromStdString(model_.SerialNo());
        case 1:
            return QString::fromStdString(model_.StationID());
        default:
            return QString::fromStdString(model_.UserID());
    }
}

void IdentityBoxes::storeText(int i, const QString& text) {
    const std::string value = text.toStdString();
    // Only a real change marks the text for writing.
    if (text == modelText(i)) return;
    if (i == 0) model_.setSerialNo(value);
    if (i == 1) model_.setStationID(value);
    if (i == 2) model_.setUserID(value);
    emit stored();
}

void IdentityBoxes::showModel() {
    for (int i = 0; i < 3; ++i)
        boxes_[static_cast<std::size_t>(i)]->setText(modelText(i).trimmed());
}

void IdentityBoxes::leaveBox(int i) {
    QLineEdit* box = boxes_[static_cast<std::size_t>(i)];
    if (IsIdentityText(box->text(), identityLengths[static_cast<std::size_t>(i)]))
        storeText(i, box->text());
    else
        box->setText(modelText(i).trimmed());
}

bool IdentityBoxes::eventFilter(QObject* watched, QEvent* event) {
    const int i = indexOf(watched);
    if (i < 0) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        leaveBox(i);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    // Backspace, and keys that type nothing (arrows, Tab, shortcuts), go to the box.
    if (key->key() == Qt::Key_Backspace || typed.isEmpty() || !typed.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    QLineEdit* box = boxes_[static_cast<std::size_t>(i)];
    const int selStart = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int selLength = box->hasSelectedText() ? static_cast<int>(box->selectedText().size()) : 0;
    const int maxLength = identityLengths[static_cast<std::size_t>(i)];
    if (!TextAfterKey(box->text(), selStart, selLength, typed, maxLength)) {
        beep_();
        const bool tooLong = box->text().size() - selLength + typed.size() > maxLength;
        const std::string reason =
            tooLong ? ResMessage(msg::RefusedLength, {std::to_string(maxLength)})
                    : ResMessage(msg::RefusedIdentityCharacter, {typed.toStdString()});
        const QString text = QString::fromStdString(reason);
        QToolTip::showText(box->mapToGlobal(box->rect().bottomLeft()), text, box);
        emit refused(text);
        return true;
    }
    if (typed != typed.toUpper()) {
        box->insert(typed.toUpper());
        return true;
    }
    return false;
}

}  // namespace vq
