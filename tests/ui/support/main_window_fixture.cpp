#include "tests/ui/support/main_window_fixture.h"

#include <QTextBlock>
#include <QTextEdit>
#include <fstream>

#include "link/instrument_link.h"
#include "sim/sim_state.h"

namespace vq::ui_test {

InstrumentLink& linkOf(MainWindow& window) {
    return window.session().link();
}

std::vector<LogLine> logLines(const QTextEdit& log) {
    std::vector<LogLine> lines;
    for (QTextBlock block = log.document()->begin(); block.isValid(); block = block.next()) {
        QColor colour;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            colour = it.fragment().charFormat().foreground().color();
            break;
        }
        lines.push_back({block.text(), colour});
    }
    return lines;
}

std::vector<LogLine> linesStarting(const QTextEdit& log, const std::string& text) {
    std::vector<LogLine> found;
    const QString prefix = QString::fromStdString(text).remove('\r').section('\n', 0, 0);
    for (const LogLine& line : logLines(log))
        if (!line.text.isEmpty() && line.text.startsWith(prefix)) found.push_back(line);
    return found;
}

MainFixture::MainFixture(MainFixtureOptions options)
    : workDir(options.workDir.empty() ? dir.path().toStdString() : options.workDir) {
    setLanguage(options.language);
    if (!options.configText.empty()) {
        std::ofstream(path("VQ5100Config.ini"), std::ios::binary) << options.configText;
    }
    instrument =
        std::make_unique<sim::SimInstrument>(host, sim::DefaultSimState(), 1, options.faults);
    serial = std::make_unique<sim::InProcessSerialPort>(*instrument);
    socket = std::make_unique<sim::InProcessSocketPort>(*instrument);
    const FoundPorts converters = options.converters;
    PortOptions portOptions;
    portOptions.mode = options.mode;
    session = std::make_unique<InstrumentSession>(
        InstrumentSession::Parts{
            host, serial.get(), socket.get(),
            [this](const std::string& device) { devicesChosen.push_back(device); },
            instrument.get()},
        portOptions, workDir, [converters](std::string_view) { return converters; });
    window = std::make_unique<MainWindow>(
        MainWindowDeps{*session, asker, options.debugMode, {}, QSize(1920, 1080)});
}

MainFixture::~MainFixture() {
    window.reset();
    session.reset();
    serial.reset();
    socket.reset();
}

bool MainFixture::connect() {
    return host.pumpUntil([this] { return session->link().Connected(); }, std::chrono::seconds(30));
}

std::string MainFixture::path(const std::string& name) const {
    return workDir + "/" + name;
}

}  // namespace vq::ui_test
