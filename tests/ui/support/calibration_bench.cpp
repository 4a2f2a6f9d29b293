#include "ui/support/calibration_bench.h"

#include <QApplication>
#include <algorithm>

namespace vq::cal_test {

void ReadingEvents::NewReadings(std::array<float, 5>& readings) {
    state_.LatestReadings = readings;
    state_.ReadingsFresh = true;
    ++count;
    if (arrived) arrived();
}

bool ScriptedPrompts::resultBox(QWidget*, const std::string& text, const std::string& title) {
    resultTexts.push_back(text);
    resultTitles.push_back(title);
    if (saveAnswers.empty()) return false;
    const bool save = saveAnswers.front();
    saveAnswers.pop_front();
    return save;
}

std::string ScriptedPrompts::reportPath(QWidget*, const std::string& suggestedPath) {
    suggested.push_back(suggestedPath);
    return path;
}

CalBench::CalBench(sim::SimState simState)
    : instrument(host, std::move(simState)), link(host, events, &port, nullptr) {
    link.setLogWriter([this](std::string_view text) { log_.emplace_back(text); });
    link.setSerialComm(true);
    link.setRetry(2);
    link.setTimeout(1);
}

CalBench::~CalBench() {
    link.calibration().setRunReadings(false);
    link.setTimerEnabled(false);
    link.setPortOpen(false);
}

bool CalBench::start() {
    link.setPortOpen(true);
    if (!host.pumpUntil([this] { return link.Connected(); }, std::chrono::seconds(30)))
        return false;
    const bool read = link.reads().GetInstrument(&model);
    takeSent();
    return read;
}

std::unique_ptr<CalibrationWindow> CalBench::openWindow() {
    auto window = std::make_unique<CalibrationWindow>(
        CalibrationDeps{CalibrationAccess(link), model, state, asker, prompts,
                        [this](const std::string& text, const QColor& colour) {
                            info.push_back({text, colour});
                        }});
    CalibrationWindow* raw = window.get();
    events.arrived = [raw] { raw->Refresh_InstMoment(); };
    window->show();
    window->FirstActivate();
    takeSent();
    return window;
}

std::vector<std::string> CalBench::takeSent() {
    std::vector<std::string> sent;
    for (; taken_ < log_.size(); ++taken_) {
        const std::string& line = log_[taken_];
        if (line.rfind("W : ", 0) != 0) continue;
        // "W : " then the frame with its control characters shown in brackets.
        const auto stx = line.find("[STX]");
        const auto etx = line.find("[ETX]");
        if (stx != std::string::npos && etx != std::string::npos && etx > stx + 9)
            sent.push_back(line.substr(stx + 9, etx - stx - 9));  // after STX and "0001"
    }
    // The current-reading poll runs beside everything; the tests look at the rest.
    sent.erase(std::remove(sent.begin(), sent.end(), "DN,R,"), sent.end());
    return sent;
}

bool CalBench::infoHas(const std::string& text, const QColor& colour) const {
    return std::any_of(info.begin(), info.end(), [&](const InfoLine& line) {
        return line.text == text && line.colour == colour;
    });
}

}  // namespace vq::cal_test
