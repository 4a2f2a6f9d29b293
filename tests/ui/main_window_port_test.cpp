// "Port...": the serial ports listed with the instrument's USB converters first and marked, the
// socket last, the port in use marked; the port chosen is opened (the instrument answers there),
// kept in the configuration file and used again at the next start. The port is named in the
// user's language.

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include "link/instrument_link.h"
#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/port_dialog.h"
#include "ui/main/main_window.h"

namespace vq {
namespace {

std::vector<SerialPortRecord> machinePorts() {
    return {{"ttyS0", "/dev/ttyS0", std::nullopt},
            {"ttyUSB2", "/dev/ttyUSB2", UsbHardwareId{0x0403, 0x6001}},
            {"ttyUSB1", "/dev/ttyUSB1", UsbHardwareId{0x10C4, 0xEA60}}};
}

class MainWindowPortTest : public QObject {
    Q_OBJECT
  private slots:
    void listMarksConvertersAndThePortInUse() {
        setLanguage(Language::English);
        const std::vector<PortEntry> entries =
            PortEntries(machinePorts(), "127.0.0.1:5100", "/dev/ttyUSB1", false);
        QCOMPARE(entries.size(), std::size_t(4));
        QCOMPARE(entries[0].device, std::string("/dev/ttyUSB1"));
        QVERIFY(entries[0].converter && entries[0].inUse);
        QCOMPARE(entries[0].text,
                 std::string("/dev/ttyUSB1 (USB serial converter 10C4:EA60) (in use)"));
        QCOMPARE(entries[1].text, std::string("/dev/ttyS0 (serial port)"));
        QCOMPARE(entries[2].device, std::string("/dev/ttyUSB2"));
        QVERIFY(!entries[2].converter && !entries[2].inUse);
        QVERIFY(entries[3].socket);
        QCOMPARE(entries[3].text, std::string("Network 127.0.0.1:5100"));

        const std::vector<PortEntry> onSocket = PortEntries({}, "10.0.0.9:5100", "", true);
        QCOMPARE(onSocket.size(), std::size_t(1));
        QVERIFY(onSocket[0].inUse);
        PortDialog dialog(onSocket);
        QVERIFY(dialog.findChild<QWidget*>("lblNoSerialPort"));  // says none was found
        QCOMPARE(dialog.chosen(), 0);

        setLanguage(Language::Japanese);
        const std::vector<PortEntry> japanese =
            PortEntries(machinePorts(), "127.0.0.1:5100", "", false);
        QCOMPARE(japanese[0].text, std::string("/dev/ttyUSB1 (USB シリアル変換器 10C4:EA60)"));
        QCOMPARE(japanese[3].text, std::string("ネットワーク 127.0.0.1:5100"));
        setLanguage(Language::English);
    }

    void theChosenPortIsOpenedKeptAndUsedAtTheNextStart() {
        QTemporaryDir dir;
        {
            ui_test::MainFixtureOptions options;
            options.workDir = dir.path().toStdString();
            ui_test::MainFixture f(options);
            f.window->setPortLister(machinePorts);
            f.window->show();
            QVERIFY(f.connect());
            QVERIFY(portButton(*f.window)->isEnabled());
            QCOMPARE(portButton(*f.window)->text(), QString("P&ort..."));
            const std::vector<PortEntry> entries = f.window->portEntries();
            QCOMPARE(entries.size(), std::size_t(4));
            f.devicesChosen.clear();
            f.window->usePort(entries[2]);  // /dev/ttyUSB2
            QCOMPARE(f.devicesChosen, std::vector<std::string>{"/dev/ttyUSB2"});
            QCOMPARE(f.session->describe(), std::string("serial /dev/ttyUSB2"));
            QVERIFY(f.connect());  // the instrument answers on the port chosen
            QVERIFY(!ui_test::linesStarting(*logBox(*f.window), ResMessage(msg::PortChosenInfo,
                                                                           {"serial /dev/ttyUSB2"}))
                         .empty());
            QFile config(QString::fromStdString(f.path("VQ5100Config.ini")));
            QVERIFY(config.open(QIODevice::ReadOnly));
            const QByteArray text = config.readAll();
            QVERIFY2(text.contains("serial:/dev/ttyUSB2"), text.constData());
            // In Japanese the port is named in Japanese in the window's lines.
            setLanguage(Language::Japanese);
            QCOMPARE(f.session->describe(), std::string("シリアル /dev/ttyUSB2"));
            f.window->usePort(entries[3]);
            QCOMPARE(f.session->describe(), std::string("ソケット ") +
                                                f.session->options().address.host + ":" +
                                                std::to_string(f.session->options().address.port));
            f.window->usePort(entries[2]);
            setLanguage(Language::English);
            f.asker.defaultAnswer = true;
            f.window->close();
        }
        // The next start without a port option opens the saved port.
        ui_test::MainFixtureOptions options;
        options.workDir = dir.path().toStdString();
        options.mode = PortMode::Auto;
        ui_test::MainFixture again(options);
        QCOMPARE(again.session->options().mode, PortMode::Serial);
        QCOMPARE(again.session->device(), std::string("/dev/ttyUSB2"));
        QVERIFY(!again.devicesChosen.empty());
        QCOMPARE(again.devicesChosen.back(), std::string("/dev/ttyUSB2"));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::MainWindowPortTest)
#include "main_window_port_test.moc"
