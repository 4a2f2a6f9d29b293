#pragma once
// Access keys (Alt+letter) of the commands, so every command can be reached without a mouse.
// The letter is the program's choice, the same in both languages: an English caption underlines
// it where the caption has it; a Japanese caption, which has no Latin letter to underline, ends
// with "(&K)" as Japanese programs write it (before a closing "...").

#include <QChar>
#include <QString>

class QAbstractButton;

namespace vq {

// `caption` with the access key `key` (an upper-case letter) in the current language's style.
// A "&&" already in the caption stays a plain "&".
QString WithAccessKey(const QString& caption, QChar key);

// The button's caption set to `caption` with its access key.
void SetCaptionWithKey(QAbstractButton* button, const QString& caption, QChar key);

// The access key of a caption made by WithAccessKey (upper case), or a null QChar.
QChar AccessKeyOf(const QString& caption);

}  // namespace vq
