// The start: the start window closes itself, the access window asks for the code (case aside,
// spaces counting) and "End ?" when closed without it, the command line, one instance per user.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "messages/messages.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/access_code_dialog.h"
#include "ui/dialogs/start_window.h"
#include "ui/main/setup_options.h"
#include "ui/main/single_instance.h"

using namespace vq;
using namespace vq::ui_test;

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { setLanguage(Language::English); }
    void startWindowClosesItselfAfterItsTime();
    void wrongCodeKeepsTheWindowWithTheText();
    void rightCodeInAnyCaseOpensTheMainWindow();
    void closingWithoutTheCodeAsksEnd();
    void commandLine();
    void secondInstanceIsRefused();
};

void StartupTest::startWindowClosesItselfAfterItsTime() {
    StartWindow open;
    QCOMPARE(open.closeTimer()->interval(), 2500);
    QVERIFY(open.closeTimer()->isSingleShot());
    QCOMPARE(open.versionLabel()->text(), QString("P.No.31743"));
    QCOMPARE(open.makerLabel()->text(), QString::fromStdString(ResMessage(msg::MakerOverseas)));
    for (const QLabel* label : open.findChildren<QLabel*>())
        QVERIFY2(!label->text().contains("Windows"), qPrintable(label->text()));
    open.show();
    QVERIFY(open.closeTimer()->isActive());
    QMetaObject::invokeMethod(open.closeTimer(), "timeout");  // the 2.5 s are up
    QVERIFY(!open.isVisible());
    QCOMPARE(open.result(), int(QDialog::Accepted));
}

void StartupTest::wrongCodeKeepsTheWindowWithTheText() {
    for (const char* wrong : {"7394", " 7395", "7395 ", "", "73 95"}) {
        RecordingAsker asker;
        AccessCodeDialog password(kStartupAccessCode, asker);
        bool granted = false;
        connect(&password, &AccessCodeDialog::accessGranted, [&] { granted = true; });
        password.show();
        password.codeBox()->setText(wrong);
        password.okButton()->click();
        QVERIFY(!granted);
        QVERIFY(password.isVisible());
        QCOMPARE(password.codeBox()->text(), QString(wrong));
        // Selected for retyping: the next keys replace the wrong code.
        QCOMPARE(password.codeBox()->selectedText(), QString(wrong));
        QTest::keyClicks(password.codeBox(), "12");
        QCOMPARE(password.codeBox()->text(), QString("12"));
        QCOMPARE(asker.boxes.size(), std::size_t(1));
        QCOMPARE(asker.boxes[0].kind, Box::Error);
        QCOMPARE(asker.boxes[0].text, ResMessage(msg::IncorrectPassword));
        QCOMPARE(asker.boxes[0].title, ResMessage(msg::PasswordTitle));
    }
}

void StartupTest::rightCodeInAnyCaseOpensTheMainWindow() {
    for (const char* code : {"abc", "ABC", "aBc"}) {
        RecordingAsker asker;
        AccessCodeDialog password("AbC", asker);
        std::unique_ptr<MainFixture> main;
        connect(&password, &AccessCodeDialog::accessGranted, [&] {
            main = std::make_unique<MainFixture>();
            main->window->show();
        });
        password.show();
        password.codeBox()->setText(code);
        password.okButton()->click();
        QVERIFY(main);
        QVERIFY(main->window->isVisible());
        QVERIFY(!password.isVisible());
        QVERIFY(asker.boxes.empty());  // closing after success asks nothing
    }
    RecordingAsker asker;
    AccessCodeDialog password(kStartupAccessCode, asker);
    QCOMPARE(password.windowTitle(), QString::fromStdString(AppTitle()));
    QCOMPARE(password.okButton()->text(), QString("OK"));
    QCOMPARE(password.cancelButton()->text(), QString("Cancel"));
}

void StartupTest::closingWithoutTheCodeAsksEnd() {
    RecordingAsker asker;
    AccessCodeDialog password(kStartupAccessCode, asker);
    password.show();
    password.codeBox()->setText("12");
    asker.answers = {false, false, true};
    password.cancelButton()->click();  // No: stays
    QVERIFY(password.isVisible());
    QVERIFY(!password.close());  // the close box asks the same; No again
    QVERIFY(password.isVisible());
    QVERIFY(password.close());  // Yes
    QVERIFY(!password.isVisible());
    QCOMPARE(asker.boxes.size(), std::size_t(3));
    for (const auto& box : asker.boxes) {
        QCOMPARE(box.kind, Box::Question);
        QCOMPARE(box.text, ResMessage(msg::EndQuestion));
        QCOMPARE(box.title, ResMessage(msg::EndTitle));
    }
}

void StartupTest::commandLine() {
    auto parse = [](std::vector<std::string> args) { return parseSetupOptions(args); };
    QVERIFY(parse({"x-debugy"}).debugMode);
    QVERIFY(!parse({"debug"}).debugMode);
    QVERIFY(parse({}).ports.mode == PortMode::Auto);
    QVERIFY(parse({"--simulator"}).ports.mode == PortMode::Simulator);
    const SetupOptions serial = parse({"--port", "/dev/ttyUSB3", "-DEBUG"});
    QVERIFY(serial.ports.mode == PortMode::Serial && serial.debugMode);
    QCOMPARE(serial.ports.device, std::string("/dev/ttyUSB3"));
    const SetupOptions socket = parse({"--socket", "10.0.0.5:7000", "--lang", "ja"});
    QVERIFY(socket.ports.mode == PortMode::Socket);
    QCOMPARE(socket.ports.address.host, std::string("10.0.0.5"));
    QCOMPARE(int(socket.ports.address.port), 7000);
    QVERIFY(socket.language == Language::Japanese);
    QVERIFY(socket.error.empty());
    QVERIFY(!parse({"--port"}).error.empty());
    QVERIFY(!parse({"--socket", "host:99999"}).error.empty());
    QVERIFY(!parse({"--simulator", "--port", "/dev/ttyS0"}).error.empty());
    QVERIFY(!parse({"--lang", "fr"}).error.empty());
    QCOMPARE(parse({"--simulator", "--records", "bench.sqlite"}).records.value_or(""),
             std::string("bench.sqlite"));
    QCOMPARE(parse({"--records=postgresql://vq@db/r"}).records.value_or(""),
             std::string("postgresql://vq@db/r"));
    QVERIFY(!parse({}).records);
    QVERIFY(!parse({"--records"}).error.empty());
    QVERIFY(!parse({"--records="}).error.empty());
}

void StartupTest::secondInstanceIsRefused() {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QVERIFY(first.tryLock());
    SingleInstance second(dir.path());
    QVERIFY(!second.tryLock());
    QVERIFY(first.tryLock());  // the holder keeps it
    {
        // A lock whose holder is gone is taken over.
        QTemporaryDir other;
        auto holder = std::make_unique<SingleInstance>(other.path());
        QVERIFY(holder->tryLock());
        holder.reset();
        SingleInstance next(other.path());
        QVERIFY(next.tryLock());
    }
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
