#include "ui/widgets/access_keys.h"

#include <QAbstractButton>

#include "messages/messages.h"

namespace vq {

namespace {

// Where "(&K)" goes in a caption: before a closing "..." or "…", else at the end.
qsizetype suffixPosition(const QString& caption) {
    if (caption.endsWith(QStringLiteral("..."))) return caption.size() - 3;
    if (caption.endsWith(QChar(0x2026))) return caption.size() - 1;
    return caption.size();
}

QString withSuffix(const QString& caption, QChar key) {
    QString out = caption;
    out.insert(suffixPosition(caption), QStringLiteral("(&") + key + QStringLiteral(")"));
    return out;
}

}  // namespace

QString WithAccessKey(const QString& caption, QChar key) {
    const QChar upper = key.toUpper();
    if (isJapaneseTag()) return withSuffix(caption, upper);
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            ++i;  // "&&" is a plain "&"
            continue;
        }
        if (caption[i].toUpper() == upper) {
            QString out = caption;
            out.insert(i, QChar('&'));
            return out;
        }
    }
    return withSuffix(caption, upper);
}

void SetCaptionWithKey(QAbstractButton* button, const QString& caption, QChar key) {
    button->setText(WithAccessKey(caption, key));
}

QChar AccessKeyOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

}  // namespace vq
