// The Records window on a large store: the click on an instrument until its timeline's first rows
// and its chart are drawn, and the longest the window's event loop was held meanwhile (until every
// row of the timeline is in), on the offscreen platform.
// Usage: bench_records_window STORE SERIAL [RUNS]
//
// The event loop's longest stall is the longest gap between two ticks of a 2 ms timer, less the
// 2 ms: every time the loop is free it serves the timer. On a loaded machine that gap is mostly
// other programs' turns, so the window thread's own CPU time between two ticks is given too
// (stall_cpu_ms): the longest the window itself worked without coming back to its loop. Each run
// reopens the window's store and clicks the instrument anew (median of RUNS, 5 by default; the
// stall is the worst of all runs).

#include <time.h>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/records_sql_store.h"
#include "ui/dialogs/records_window.h"
#include "ui/main/user_asker.h"

namespace {

double cpuMs() {
    return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

// This thread's CPU time alone (the window's; the timeline may be read on another).
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Run {
    double shownMs = -1;    // click until the first rows and the chart were painted
    double filledMs = -1;   // click until every row was in
    double stallMs = 0;     // the event loop's longest gap
    double stallCpuMs = 0;  // the window thread's CPU time within its longest-working gap
    double cpuMs = 0;       // this process's CPU time from the click until every row was in
    double shownCpuMs = 0;  // and until the first rows and the chart were drawn
    int rows = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_records_window STORE SERIAL [RUNS]\n");
        return 2;
    }
    const auto where = vq::ParseRecordsLocation(argv[1], "");
    const std::string serial = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    vq::StoreStatus status;
    std::unique_ptr<vq::RecordsSqlStore> store;
    vq::QtUserAsker asker;
    vq::RecordsWindowDeps deps{[&](std::string& why) -> vq::RecordsStore* {
                                   if (!store) {
                                       store = vq::RecordsSqlStore::open(
                                           *where, status, vq::RecordsAccess::ReadOnly);
                                       if (!store) why = status.error;
                                   }
                                   return store.get();
                               },
                               [] { return 46100.0; }, asker, "/tmp"};
    vq::RecordsWindow window(deps);
    if (!window.errorText().isEmpty()) {
        std::fprintf(stderr, "%s\n", window.errorText().toStdString().c_str());
        return 1;
    }
    window.show();
    QCoreApplication::processEvents();

    std::vector<Run> done;
    for (int r = 0; r < runs; ++r) {
        // Another instrument first, so the click shows a timeline not shown before.
        window.fleetView()->selectionModel()->clearSelection();
        store.reset();
        QCoreApplication::processEvents();

        Run run;
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(2);
        double tickCpu = threadCpuMs();
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            run.stallMs = std::max(run.stallMs, sinceTick.nsecsElapsed() / 1e6 - 2.0);
            sinceTick.restart();
            const double cpuNow = threadCpuMs();
            run.stallCpuMs = std::max(run.stallCpuMs, cpuNow - tickCpu);
            tickCpu = cpuNow;
        });
        QEventLoop loop;
        double cpuStart = 0;
        auto shown = QObject::connect(&window, &vq::RecordsWindow::timelineShown, [&] {
            window.repaint();  // drawn now, as the next paint would draw it
            run.shownMs = clock.nsecsElapsed() / 1e6;
            run.shownCpuMs = cpuMs() - cpuStart;
        });
        auto filled = QObject::connect(&window, &vq::RecordsWindow::timelineFilled, [&] {
            run.filledMs = clock.nsecsElapsed() / 1e6;
            run.cpuMs = cpuMs() - cpuStart;
            run.rows = window.timelineView()->model()->rowCount();
            QTimer::singleShot(20, &loop, &QEventLoop::quit);  // a few more ticks after it
        });
        QTimer::singleShot(0, [&] {
            sinceTick.start();
            tickCpu = threadCpuMs();
            ticker.start();
            QTimer::singleShot(5, [&] {
                cpuStart = cpuMs();
                clock.start();
                if (!window.selectInstrument(serial)) {
                    std::fprintf(stderr, "instrument %s not listed\n", serial.c_str());
                    std::exit(1);
                }
            });
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        ticker.stop();
        QObject::disconnect(shown);
        QObject::disconnect(filled);
        if (run.filledMs < 0 || run.shownMs < 0) {
            std::fprintf(stderr, "the timeline was not shown within a minute\n");
            return 1;
        }
        done.push_back(run);
    }
    auto median = [&](double Run::*field) {
        std::vector<double> values;
        for (const Run& run : done) values.push_back(run.*field);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    double worstStall = 0, worstStallCpu = 0;
    for (const Run& run : done) {
        worstStall = std::max(worstStall, run.stallMs);
        worstStallCpu = std::max(worstStallCpu, run.stallCpuMs);
    }
    std::printf(
        "shown_ms=%.1f shown_cpu_ms=%.1f filled_ms=%.1f stall_ms=%.1f stall_cpu_ms=%.1f "
        "cpu_ms=%.1f rows=%d runs=%d\n",
        median(&Run::shownMs), median(&Run::shownCpuMs), median(&Run::filledMs), worstStall,
        worstStallCpu, median(&Run::cpuMs), done.front().rows, runs);
    return 0;
}
