// vq5100-setup: one instance per user, the debug switch, the application font, the start window
// for 2.5 s, the access window, and then the main window on the port the command line chose.

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <csignal>
#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "platform/qt_event_host.h"
#include "ui/dialogs/access_code_dialog.h"
#include "ui/dialogs/start_window.h"
#include "ui/main/main_window.h"
#include "ui/main/qt_translations.h"
#include "ui/main/setup_options.h"
#include "ui/main/single_instance.h"
#include "ui/main/user_asker.h"
#include "ui/main/write_commands_wiring.h"

int main(int argc, char** argv) {
    // A write past the file-size limit (as on a full disk) must fail with an error the file
    // writers report and undo, never end the program with the instrument half written.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    const vq::SetupOptions options = vq::parseSetupOptions(vq::argumentsOf(argc, argv));
    if (options.language) vq::setLanguage(*options.language);
    vq::installQtTranslations(vq::currentLanguage());

    vq::SingleInstance instance;
    if (!instance.tryLock()) {
        QMessageBox::critical(nullptr, QString::fromStdString(vq::AppTitle()),
                              QString::fromStdString(vq::ResMessage(vq::msg::AlreadyRunning)));
        return 1;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr,
                     "vq5100-setup: %s\nusage: vq5100-setup [--simulator | --port DEVICE "
                     "[--settings TEXT] | --socket HOST:PORT] [--lang en|ja] [--records URL] "
                     "[-DEBUG]\n",
                     options.error.c_str());
        return 2;
    }

    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);

    {
        vq::StartWindow open;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        open.exec();
        QApplication::restoreOverrideCursor();
    }

    vq::QtUserAsker asker;
    std::unique_ptr<vq::InstrumentSession> session;
    std::unique_ptr<vq::MainWindow> window;
    vq::AccessCodeDialog password(vq::kStartupAccessCode, asker);
    QObject::connect(&password, &vq::AccessCodeDialog::accessGranted, [&] {
        session = std::make_unique<vq::InstrumentSession>(options.ports,
                                                          QDir::currentPath().toStdString());
        if (options.records) session->records().setLocation(*options.records);
        window = std::make_unique<vq::MainWindow>(
            vq::MainWindowDeps{*session, asker, options.debugMode, {}, {}});
        new vq::MainWindowSettings(*window);  // the settings grid and the write commands
        window->show();
    });
    password.show();
    const int status = app.exec();
    // The window goes before the session it works over.
    window.reset();
    session.reset();
    return status;
}
