// The calibration window against the in-process virtual instrument over a real link on the
// virtual clock: what the zero, span, range and N2 commands send, what the instrument does with
// it, the result texts, the concentration rules in the grid, and the calibration report.

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>
#include <algorithm>

#include "messages/messages.h"
#include "model/value_codecs.h"
#include "ui/dialogs/calibration_edit_notice.h"
#include "ui/dialogs/calibration_report_pdf.h"
#include "ui/support/calibration_bench.h"
#include "ui/widgets/readings_chart.h"

namespace vq {
namespace {

using cal_test::CalBench;
using C = CalibrationWindow;

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// CO without a calibration gas concentration: the one unusable channel.
sim::SimState stateWithoutCoGas() {
    sim::SimState state = sim::DefaultSimState();
    state.gases[3].autoCal = sim::kNoValue;
    return state;
}

QString cell(const CalibrationWindow& w, int ch, int col) {
    return w.calibrationGrid()->item(ch, col)->text();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pages of a PDF: "/Type /Page" objects, not the "/Type /Pages" tree.
int pdfPages(const QByteArray& pdf) {
    int pages = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0;
         at = pdf.indexOf("/Type /Page", at + 1)) {
        if (pdf.mid(at + 11, 1) != "s") ++pages;
    }
    return pages;
}

// A picture of the report page, for looking at it (VQ_SHOTS_DIR).
void savePage(QTextDocument& document, const QString& file) {
    QImage page(1240, 1754, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    const double scale = page.width() / document.pageSize().width();
    painter.scale(scale, scale);
    document.drawContents(&painter);
    painter.end();
    page.save(file);
}

class CalWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { setLanguage(Language::English); }

    void firstActivationGreysChannelsThatCannotBeCalibrated() {
        CalBench b(stateWithoutCoGas());
        QVERIFY(b.start());
        auto w = b.openWindow();
        QVERIFY(b.state.CalibrationOpen);
        QVERIFY(b.link.calibration().RunReadings());
        const ChannelFlags usable{true, true, true, false, true};
        QCOMPARE(w->usable(), usable);
        QCOMPARE(w->CalSelection(), usable);  // selection starts as usable
        QCOMPARE(cell(*w, 0, C::colGas), QString("CH4(100%LEL)"));
        QCOMPARE(cell(*w, 1, C::colAutoCal), QString("12.0"));
        QCOMPARE(cell(*w, 3, C::colAutoCal), QString("-----"));
        QCOMPARE(w->calibrationGrid()->item(3, C::colGas)->background().color(),
                 C::kUnusableColour);
        QVERIFY(w->calibrationGrid()->item(0, C::colGas)->background().color() !=
                C::kUnusableColour);
        // The unusable row's box cannot be ticked, by the user or through the window.
        QVERIFY(!(w->calibrationGrid()->item(3, C::colSelect)->flags() & Qt::ItemIsUserCheckable));
        QVERIFY(!(w->calibrationGrid()->item(3, C::colAutoCal)->flags() & Qt::ItemIsEditable));
        w->setSelection(3, true);
        QVERIFY(!w->CalSelection()[3]);
        QCOMPARE(w->calibrationGrid()->horizontalHeaderItem(3)->text(), QString("Current Reading"));
        QCOMPARE(w->windowTitle(), QString("VQ-5100 Calibration"));

        // Readings arrive every second and land in column 3; the unusable row shows none.
        b.host.runFor(std::chrono::seconds(3));
        QVERIFY(b.events.count >= 2);
        QCOMPARE(cell(*w, 1, C::colReading),
                 QString::fromStdString(FormatNumber(b.state.LatestReadings[1], 1)));
        QCOMPARE(cell(*w, 3, C::colReading), QString("-----"));

        // The chart beside the table draws the same readings as shares of full scale, keeps
        // five minutes, and draws nothing at all for the channel without a value.
        const ReadingsChart& chart = *w->readingsChart();
        const QList<QPointF> o2 = chart.points(1);
        QVERIFY(o2.size() >= 2);
        QCOMPARE(o2.back().x(), 0.0);
        QCOMPARE(o2.back().y(), 100.0 * b.state.LatestReadings[1] / 25.0);
        QVERIFY(chart.points(3).isEmpty());
        b.host.runFor(std::chrono::minutes(6));
        const QList<QPointF> later = chart.points(1);
        QVERIFY(later.front().x() >= -ReadingsChart::kSpanSeconds);
        QVERIFY(later.front().x() < -ReadingsChart::kSpanSeconds + 5);

        // Leaving stops the poll, gives the link its model back and ends the readings routing.
        w->calibrationButtonClicked(C::exitButton);
        QVERIFY(!b.link.calibration().RunReadings());
        QVERIFY(!b.state.CalibrationOpen);
        QCOMPARE(b.link.Instrument(), &b.model);
    }

    void zeroRunSendsAllChannelsAndZeroesTheInstrument() {
        CalBench b(stateWithoutCoGas());
        QVERIFY(b.start());
        auto w = b.openWindow();
        w->calibrationButtonClicked(C::zeroButton);

        const auto sent = b.takeSent();
        QVERIFY(!sent.empty());
        QCOMPARE(QString::fromStdString(sent.front()), QString("SZ,W,11111"));
        QVERIFY(contains(sent, "SO,R,"));  // the history behind the report
        QVERIFY(w->resultFlag());
        QCOMPARE(b.state.TransferMode, transfer_mode::None);
        QVERIFY(b.link.calibration().RunReadings());
        QVERIFY(!b.state.ReadingsFresh);

        // One line per usable channel; CO (no concentration) is never listed.
        const std::string expected =
            "CH4 (channel 1)  Adjustment Complete.\r\nO2 (channel 2)  Adjustment Complete.\r\n"
            "H2S (channel 3)  Adjustment Complete.\r\nCH4 (channel 5)  Adjustment Complete.\r\n";
        QCOMPARE(QString::fromStdString(w->resultText()), QString::fromStdString(expected));
        QCOMPARE(b.prompts.resultTexts.size(), std::size_t{1});
        QCOMPARE(b.prompts.resultTitles.front(), std::string("Adjustment"));
        // The instrument really zeroed in fresh air: its sensors read 0, oxygen the air's 20.9,
        // and its history says so.
        for (int ch : {0, 1, 2, 4}) {
            const float air = ch == 1 ? 20.9f : 0.0f;
            QCOMPARE(b.instrument.state().gases[static_cast<std::size_t>(ch)].reading, air);
            QCOMPARE(w->historyModel().CalibAfter(ch), air);
        }
        QCOMPARE(w->historyModel().CalibBefore(0), 2.0f);
    }

    void zeroAndSpanAskForTheirGasFirstAndNoSendsNothing() {
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        for (int ch : {1, 3, 4}) w->setSelection(ch, false);
        b.takeSent();
        b.asker.answers = {false, false};
        w->calibrationButtonClicked(C::zeroButton);
        w->calibrationButtonClicked(C::spanButton);
        QVERIFY(b.takeSent().empty());  // the readings poll aside
        QVERIFY(!w->resultFlag());
        QVERIFY(b.prompts.resultTexts.empty());
        const std::vector<std::string> asked = b.asker.texts(cal_test::Box::Question);
        QCOMPARE(asked.size(), std::size_t{2});
        QCOMPARE(asked[0], ResMessage(msg::ZeroQuestion));
        QVERIFY2(asked[0].find("fresh air") != std::string::npos, asked[0].c_str());
        // Each selected channel with its number, gas and the concentration it is adjusted to.
        QCOMPARE(asked[1], ResMessage(msg::SpanQuestion, {"  Channel 1  CH4  50 %LEL\r\n"
                                                          "  Channel 3  H2S  25.0 ppm\r\n"}));
        QCOMPARE(b.asker.boxes[1].title, std::string("Span calibration"));
        // Yes runs it.
        w->calibrationButtonClicked(C::spanButton);
        QVERIFY(w->resultFlag());
    }

    void zeroRunReportsAChannelTheInstrumentFailed() {
        sim::SimState state = stateWithoutCoGas();
        state.gases[2].zeroFails = true;
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();
        b.host.runFor(std::chrono::seconds(2));  // a reading to quote in the failure line
        const std::string reading = FormatNumber(b.state.LatestReadings[2], 1);
        w->calibrationButtonClicked(C::zeroButton);
        QVERIFY(w->resultFlag());
        QVERIFY(w->resultText().find("H2S (channel 3)(" + reading + ") Failed\r\n") !=
                std::string::npos);
        QCOMPARE(countOf(w->resultText(), "Adjustment Complete."), 3);
        QVERIFY(b.instrument.state().gases[2].reading != 0.0f);
    }

    void aRunWithoutAnAnswerIsReportedAsFailed() {
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        b.port.close();  // the instrument is gone
        w->calibrationButtonClicked(C::zeroButton);
        QVERIFY(!w->resultFlag());
        QVERIFY(b.prompts.resultTexts.empty());  // no result box after a failure
        QVERIFY(b.infoHas("VQ-5100 Calibration Fail.", QColor(255, 0, 0)));
        // Once in the communication log.
        QCOMPARE(std::count_if(b.logLines().begin(), b.logLines().end(),
                               [](const std::string& l) {
                                   return l.rfind("---Calibration Upload Failed---. Date = ", 0) ==
                                          0;
                               }),
                 1);
        QCOMPARE(b.state.TransferMode, transfer_mode::None);
        QVERIFY(w->calibrationGroup()->isEnabled());
    }

    void spanSendsTheSelectedChannelsAndTheirConcentrations() {
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        for (int ch : {1, 3, 4}) w->setSelection(ch, false);
        QVERIFY(w->finishAutoCalEdit(0, "60"));
        w->calibrationButtonClicked(C::spanButton);

        const auto sent = b.takeSent();
        QVERIFY(!sent.empty());
        QCOMPARE(QString::fromStdString(sent.front()),
                 QString("S2,W,10100,   60,*****, 25.0,*****,*****"));
        QVERIFY(contains(sent, "SO,R,"));
        QCOMPARE(QString::fromStdString(w->resultText()),
                 QString("CH4 (channel 1)  Adjustment Complete.\r\n"
                         "H2S (channel 3)  Adjustment Complete.\r\n"));
        QCOMPARE(b.instrument.state().gases[0].reading, 60.0f);
        QCOMPARE(b.instrument.state().gases[2].reading, 25.0f);
        QCOMPARE(b.instrument.state().gases[3].reading, 3.0f);  // not selected, not touched
        QVERIFY(std::any_of(b.logLines().begin(), b.logLines().end(), [](const std::string& l) {
            return l.rfind("---Calibration Upload Started---. Date = ", 0) == 0;
        }));
    }

    void spanWithNothingSelectedSendsNothing() {
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        for (int ch = 0; ch < kCalChannels; ++ch) w->setSelection(ch, false);
        w->calibrationButtonClicked(C::spanButton);
        QVERIFY(b.takeSent().empty());
        QCOMPARE(b.asker.boxes.size(), std::size_t{1});
        QCOMPARE(b.asker.boxes[0].kind, cal_test::Box::Error);
        QCOMPARE(b.asker.boxes[0].title, std::string("Span not performed."));
        QCOMPARE(b.asker.boxes[0].text,
                 std::string("No sensors selected.\r\nMake selection in calibration table."));
    }

    void spanFailureOfOneChannelIsListedWithItsReading() {
        sim::SimState state = sim::DefaultSimState();
        state.gases[2].spanFails = true;
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();
        for (int ch : {1, 3, 4}) w->setSelection(ch, false);
        b.host.runFor(std::chrono::seconds(2));
        const std::string reading = FormatNumber(b.state.LatestReadings[2], 1);
        w->calibrationButtonClicked(C::spanButton);
        QCOMPARE(
            QString::fromStdString(w->resultText()),
            QString::fromStdString("CH4 (channel 1)  Adjustment Complete.\r\nH2S (channel 3)(" +
                                   reading + ") Failed\r\n"));
    }

    void concentrationEditsFollowTheChannelsRules() {
        sim::SimState state = sim::DefaultSimState();
        state.gases[3].fullScale = 100;  // CO up to 100 ppm in half ppm steps
        state.gases[3].resolution = 0.5f;
        state.gases[3].decimals = 1;
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();
        QTableWidgetItem* co = w->calibrationGrid()->item(3, C::colAutoCal);

        co->setText("30.34");  // through the grid, as the user's edit ends
        QCOMPARE(w->calibrationModel().AutoCalib(3), 30.5f);
        QCOMPARE(co->text(), QString("30.5"));
        co->setText("100.5");  // above the full scale
        QCOMPARE(w->calibrationModel().AutoCalib(3), 30.5f);
        QCOMPARE(co->text(), QString("30.5"));
        co->setText("abc");
        QCOMPARE(co->text(), QString("30.5"));
        co->setText("20");  // below CO's warning level of 25
        QCOMPARE(w->calibrationModel().AutoCalib(3), 30.5f);

        // Emptied: no concentration, deselected, greyed; a value typed again makes it usable.
        co->setText("");
        QCOMPARE(w->calibrationModel().AutoCalib(3), levelNoValue);
        QVERIFY(!w->CalSelection()[3]);
        QCOMPARE(w->calibrationGrid()->item(3, C::colSelect)->checkState(), Qt::Unchecked);
        QCOMPARE(co->background().color(), C::kUnusableColour);
        w->calibrationGrid()->item(3, C::colSelect)->setCheckState(Qt::Checked);
        QVERIFY(!w->CalSelection()[3]);
        co->setText("40");
        w->calibrationGrid()->item(3, C::colSelect)->setCheckState(Qt::Checked);
        QVERIFY(w->CalSelection()[3]);
        QVERIFY(co->background().color() != C::kUnusableColour);
        // The reading column is never edited.
        QVERIFY(!(w->calibrationGrid()->item(3, C::colReading)->flags() & Qt::ItemIsEditable));
    }

    // A refused concentration beeps once and says why (the range the channel allows) on the
    // notice line; the stored value stays. A value the window rounds is pointed out unbeeped.
    void refusedConcentrationSaysWhyAndBeeps() {
        struct Case {
            int ch;
            const char* typed;
            const char* reason;
        };
        const Case cases[] = {
            {2, "99", "Out of range: 5.0 to 30.0."},  // H2S, 30 ppm, warning at 5.0
            {2, "4.9", "Out of range: 5.0 to 30.0."},  {2, "abc", "\"abc\" is not a number."},
            {1, "20.9", "Out of range: 0.0 to 19.5."},  // oxygen: below its warning level
            {3, "-1", "Out of range: 25 to 500."},     {0, "150", "Out of range: 10 to 100."},
        };
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        int beeps = 0;
        w->setBeep([&beeps] { ++beeps; });
        for (const Case& c : cases) {
            const QString before = cell(*w, c.ch, C::colAutoCal);
            const float stored = w->calibrationModel().AutoCalib(c.ch);
            const int beepsBefore = beeps;
            w->calibrationGrid()->item(c.ch, C::colAutoCal)->setText(c.typed);
            QCOMPARE(beeps, beepsBefore + 1);
            QCOMPARE(w->lastNotice(), QString(c.reason));
            QCOMPARE(w->noticeLine()->text(), QString(c.reason));
            QCOMPARE(cell(*w, c.ch, C::colAutoCal), before);
            QCOMPARE(w->calibrationModel().AutoCalib(c.ch), stored);
        }

        w->calibrationGrid()->item(2, C::colAutoCal)->setText("12.34");
        QCOMPARE(cell(*w, 2, C::colAutoCal), QString("12.3"));
        QCOMPARE(w->lastNotice(), QString("12.34 was rounded to 12.3 (the channel's resolution "
                                          "is 0.1)."));
        QCOMPARE(w->noticeLine()->text(), w->lastNotice());
        // A value taken as typed: nothing to say, and the earlier notice is gone.
        w->calibrationGrid()->item(2, C::colAutoCal)->setText("12");
        QCOMPARE(w->calibrationModel().AutoCalib(2), 12.0f);
        QVERIFY(w->lastNotice().isEmpty());
        QVERIFY(w->noticeLine()->text().isEmpty());
        QCOMPARE(beeps, int(std::size(cases)));
    }

    void rangeCalibrationSwitchesTheModeAndPutsItBack() {
        sim::SimState state = sim::DefaultSimState();
        state.settings.hcMode = 1;
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();

        w->calibrationButtonClicked(C::rangeButton);
        QCOMPARE(b.takeSent(), (std::vector<std::string>{"LP,R,", "LP,W,2"}));
        QCOMPARE(b.instrument.state().settings.hcMode, 2);
        QCOMPARE(w->calibrationButton(C::rangeButton)->text(), QString("N2 Cal"));
        QCOMPARE(w->calibrationButton(C::exitButton)->text(), QString("N2 Cal END"));
        QVERIFY(b.link.calibration().RunReadings());
        w->reject();  // Escape cannot leave the instrument in range mode
        QVERIFY(w->isVisible());

        b.host.runFor(std::chrono::seconds(2));
        const std::string o2 = FormatNumber(b.state.LatestReadings[1], 1);
        w->calibrationButtonClicked(
            C::rangeButton);  // "N2 Cal": the oxygen reading, five characters wide
        QCOMPARE(b.takeSent(), (std::vector<std::string>{"SN,W, " + o2}));
        QCOMPARE(b.asker.boxes.back().title, std::string("TE N2 Cal"));
        QCOMPARE(b.asker.boxes.back().text,
                 std::string("CH4 (channel 5)  Adjustment Complete.\r\n"));

        w->calibrationButtonClicked(C::exitButton);  // "N2 Cal END"
        QCOMPARE(b.takeSent(), (std::vector<std::string>{"LP,W,1", "DW,W,"}));
        QCOMPARE(b.instrument.state().settings.hcMode, 1);
        QCOMPARE(w->calibrationButton(C::rangeButton)->text(), QString("Set range"));
        QCOMPARE(w->calibrationButton(C::exitButton)->text(), QString("Exit Calibration"));
        QVERIFY(b.link.calibration().RunReadings());
    }

    void aFailedRangeStepKeepsTheWayBack() {
        sim::SimState state = sim::DefaultSimState();
        state.gases[4].spanFails = true;  // the N2 step of channel 4 fails
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();
        w->calibrationButtonClicked(C::rangeButton);
        QVERIFY(w->rangeMode());
        b.host.runFor(std::chrono::seconds(2));
        const std::string reading = FormatNumber(b.state.LatestReadings[4], 0);
        w->calibrationButtonClicked(C::rangeButton);
        QCOMPARE(b.asker.boxes.back().kind, cal_test::Box::Error);
        QCOMPARE(b.asker.boxes.back().text, "CH4 (channel 5)(" + reading + ") Failed\r\n");

        // Before the mode was put back, or tried to be, the window cannot be left.
        w->close();
        QVERIFY(w->isVisible());

        // The mode cannot be written back: the window stays in range mode, ready to try again.
        b.port.close();
        w->calibrationButtonClicked(C::exitButton);
        QCOMPARE(b.asker.boxes.back().text, std::string("Range setting failed"));
        QVERIFY(w->rangeMode());
        QVERIFY(w->restoreFailed());
        QCOMPARE(w->calibrationButton(C::exitButton)->text(), QString("N2 Cal END"));
        QCOMPARE(b.instrument.state().settings.hcMode, 2);

        // ... but the instrument may never answer again: the user may leave, and is told how
        // to put the mode back.
        const std::size_t before = b.asker.boxes.size();
        w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(!b.state.CalibrationOpen);
        QCOMPARE(b.asker.boxes.size(), before + 1);
        QCOMPARE(b.asker.boxes.back().kind, cal_test::Box::Warning);
        QCOMPARE(b.asker.boxes.back().text, ResMessage(msg::StillInRangeMode));
        QCOMPARE(b.asker.boxes.back().title, std::string("TE N2 Cal"));
        QCOMPARE(b.state.PendingRangeRestore, std::optional<std::int16_t>(0));

        // Connected again, the next calibration window offers "N2 Cal END" at once.
        w.reset();
        b.port.open();
        QVERIFY(b.host.pumpUntil([&] { return b.link.Connected(); }, std::chrono::seconds(30)));
        auto again = b.openWindow();
        QVERIFY(again->rangeMode());
        QCOMPARE(again->calibrationButton(C::exitButton)->text(), QString("N2 Cal END"));
        again->reject();  // not before the mode is back
        QVERIFY(again->isVisible());
        again->calibrationButtonClicked(C::exitButton);
        QCOMPARE(b.takeSent(), (std::vector<std::string>{"LP,W,0", "DW,W,"}));
        QCOMPARE(b.instrument.state().settings.hcMode, 0);
        QVERIFY(!b.state.PendingRangeRestore);
        QCOMPARE(again->calibrationButton(C::exitButton)->text(), QString("Exit Calibration"));
        again->reject();
        QVERIFY(!again->isVisible());
    }

    // A close asked for while a step runs is carried out when the step is over; the step
    // runs to its end.
    void aCloseDuringAStepWaitsForItsEnd() {
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        bool visibleAfterClose = false;
        b.host.callLater(std::chrono::milliseconds(0), [&] {
            w->close();
            visibleAfterClose = w->isVisible();
        });
        w->calibrationButtonClicked(C::zeroButton);
        QVERIFY(visibleAfterClose);
        QVERIFY(w->resultFlag());  // the run was not broken off
        QCOMPARE(b.prompts.resultTexts.size(), std::size_t{1});
        QVERIFY(!w->isVisible());
        QVERIFY(!b.state.CalibrationOpen);

        // In range mode the put-off close waits for the restore; a restore that fails lets the
        // window go, with the warning.
        CalBench c;
        QVERIFY(c.start());
        auto v = c.openWindow();
        v->calibrationButtonClicked(C::rangeButton);
        QVERIFY(v->rangeMode());
        c.port.close();
        c.host.callLater(std::chrono::milliseconds(0), [&] { v->close(); });
        v->calibrationButtonClicked(C::exitButton);
        QVERIFY(!v->isVisible());
        QCOMPARE(c.asker.boxes.size(), std::size_t{2});
        QCOMPARE(c.asker.boxes[0].text, std::string("Range setting failed"));
        QCOMPARE(c.asker.boxes[1].text, ResMessage(msg::StillInRangeMode));
    }

    void rangeCalibrationNeedsChannelFourAndItsMode() {
        sim::SimState state = sim::DefaultSimState();
        state.gases[4].enabled = false;
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();
        w->calibrationButtonClicked(C::rangeButton);
        QVERIFY(b.takeSent().empty());
        QCOMPARE(b.asker.boxes.back().text, std::string("TE is Disabled "));

        // With the mode unread nothing is written: it could not be put back.
        CalBench c;
        QVERIFY(c.start());
        auto v = c.openWindow();
        c.port.close();
        v->calibrationButtonClicked(C::rangeButton);
        const auto sent = c.takeSent();
        QVERIFY(!sent.empty());
        QVERIFY(std::all_of(sent.begin(), sent.end(),
                            [](const std::string& p) { return p == "LP,R,"; }));
        QCOMPARE(c.asker.boxes.back().text, std::string("Range setting failed"));
        QCOMPARE(v->calibrationButton(C::rangeButton)->text(), QString("Set range"));
    }

    void reportNamesEveryCalibratedChannel() {
        CalBench b(stateWithoutCoGas());
        QVERIFY(b.start());
        auto w = b.openWindow();
        QTemporaryDir dir;
        b.prompts.saveAnswers = {true};
        b.prompts.path = dir.filePath("zero.pdf").toStdString();
        w->calibrationButtonClicked(C::zeroButton);

        QCOMPARE(b.prompts.suggested.size(), std::size_t{1});
        QVERIFY(b.prompts.suggested[0].find("Calibration_") != std::string::npos);
        const QByteArray pdf = fileBytes(dir.filePath("zero.pdf"));
        QVERIFY(pdf.startsWith("%PDF-"));
        QCOMPARE(pdfPages(pdf), 1);
        QVERIFY(b.infoHas("Calibration report saved: " + b.prompts.path, QColor(0, 192, 0)));

        const ChannelFlags usable{true, true, true, false, true};
        const CalReportContent content =
            BuildCalReport(b.model, w->calibrationModel(), w->historyModel(), usable, usable, true,
                           b.host.localDateTime());
        const auto document = CalReportDocument(content);
        QCOMPARE(document->pageCount(), 1);
        const QString text = document->toPlainText();
        for (const char* gas : {"CH4(100%LEL) (channel 1)", "O2(25.0VOL%) (channel 2)",
                                "H2S(30.0ppm) (channel 3)", "CH4(100VOL%) (channel 5)"})
            QVERIFY2(text.contains(gas), gas);
        QVERIFY(!text.contains("CO("));
        QVERIFY(text.contains(QString::fromStdString(b.model.SerialNo())));

        if (const QByteArray shots = qgetenv("VQ_SHOTS_DIR"); !shots.isEmpty()) {
            const QString folder = QString::fromUtf8(shots);
            w->grab().save(folder + "/cal_window.png");
            savePage(*document, folder + "/cal_report.png");
            setLanguage(Language::Japanese);
            savePage(
                *CalReportDocument(BuildCalReport(b.model, w->calibrationModel(), w->historyModel(),
                                                  usable, usable, true, b.host.localDateTime())),
                folder + "/cal_report_ja.png");
        }
    }

    void aReportThatCannotBeWrittenIsSaidSo() {
        CalBench b;
        QVERIFY(b.start());
        auto w = b.openWindow();
        b.prompts.saveAnswers = {true};
        b.prompts.path = "/nonexistent-folder/report.pdf";
        w->calibrationButtonClicked(C::zeroButton);
        QVERIFY(!QFile::exists("/nonexistent-folder/report.pdf"));
        QCOMPARE(b.asker.boxes.size(), std::size_t{2});  // the zero gas question, then this
        QCOMPARE(b.asker.boxes[1].kind, cal_test::Box::Error);
        QVERIFY(b.asker.boxes[1].text.rfind("The calibration report could not be written.", 0) ==
                0);
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::CalWindowTest)
#include "calibration_window_test.moc"
