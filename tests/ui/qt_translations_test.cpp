// Qt's own texts follow the language: the standard buttons of a real question box and the file
// dialog's buttons and labels are Japanese under the Japanese table and English again after.

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "messages/messages.h"
#include "ui/main/qt_translations.h"
#include "ui/main/user_asker.h"

using namespace vq;

namespace {

struct ShownButtons {
    QString yes, no;
};

// Asks through the program's own asker and reads the buttons of the box it shows, then answers No.
ShownButtons questionButtons() {
    ShownButtons shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        shown.yes = box->button(QMessageBox::Yes)->text();
        shown.no = box->button(QMessageBox::No)->text();
        box->button(QMessageBox::No)->click();
    });
    QtUserAsker asker;
    const bool yes = asker.question(nullptr, ResMessage(5317), AppTitle());
    if (yes) shown.yes = "answered yes";
    return shown;
}

// The texts a non-native save dialog shows on its buttons and labels.
QStringList fileDialogTexts() {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList texts;
    for (auto* button : dialog.findChild<QDialogButtonBox*>()->buttons()) texts << button->text();
    for (auto* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    return texts;
}

}  // namespace

class QtTranslationsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() {
        setLanguage(Language::English);
        installQtTranslations(Language::English);
    }

    void questionButtonsFollowTheLanguage() {
        setLanguage(Language::Japanese);
        QVERIFY2(installQtTranslations(Language::Japanese),
                 "Qt's Japanese catalogue is missing (Debian: qt6-translations-l10n)");
        const ShownButtons japanese = questionButtons();
        QVERIFY2(japanese.yes.contains("はい"), qPrintable(japanese.yes));
        QVERIFY2(japanese.no.contains("いいえ"), qPrintable(japanese.no));

        // Back to English: the catalogue is taken away again, not left behind.
        setLanguage(Language::English);
        QVERIFY(installQtTranslations(Language::English));
        const ShownButtons english = questionButtons();
        QCOMPARE(english.yes, QString("&Yes"));
        QCOMPARE(english.no, QString("&No"));
    }

    void fileDialogFollowsTheLanguage() {
        const QStringList english = fileDialogTexts();
        QVERIFY(english.contains("&Save"));
        QVERIFY(english.contains("Cancel"));
        QVERIFY(english.contains("File &name:"));

        QVERIFY(installQtTranslations(Language::Japanese));
        const QStringList japanese = fileDialogTexts();
        QCOMPARE(japanese.size(), english.size());
        for (const char* text : {"&Save", "Cancel", "File &name:", "Look in:"})
            QVERIFY2(!japanese.contains(text), qPrintable(japanese.join(" / ")));
    }

    void installingTwiceKeepsOneCatalogue() {
        QVERIFY(installQtTranslations(Language::Japanese));
        QVERIFY(installQtTranslations(Language::Japanese));
        QVERIFY(installQtTranslations(Language::English));
        QCOMPARE(questionButtons().yes, QString("&Yes"));
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "qt_translations_test.moc"
