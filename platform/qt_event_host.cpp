#include "platform/qt_event_host.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include "platform/ole_clock.h"

namespace vq {

QtEventHost::QtEventHost() : start_(std::chrono::steady_clock::now()) {}

QtEventHost::~QtEventHost() {
    // The timers are children of context_ and go with it; stop them first so none fires while
    // the host is half destroyed.
    for (auto& [id, timer] : timers_) timer->stop();
}

EventHost::Millis QtEventHost::now() const {
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start_);
}

double QtEventHost::localDateTime() const {
    return oleDateFromLocal(QDateTime::currentDateTime());
}

void QtEventHost::pumpOnce() {
    // WaitForMoreEvents sleeps in the dispatcher until a timer, a socket or a posted event is due,
    // then runs that one batch and returns.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

EventHost::TimerId QtEventHost::startTimer(Millis interval, std::function<void()> callback) {
    auto* timer = new QTimer(&context_);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(interval.count()));
    QObject::connect(timer, &QTimer::timeout, &context_, std::move(callback));
    timer->start();
    const TimerId id = nextId_++;
    timers_[id] = timer;
    return id;
}

void QtEventHost::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    QTimer* timer = it->second;
    timers_.erase(it);
    // The timer may be stopped from inside its own callback: disconnect now, delete once control
    // is back in the event loop (or with the host).
    timer->stop();
    timer->disconnect();
    timer->deleteLater();
}

void QtEventHost::callLater(Millis delay, std::function<void()> callback) {
    QTimer::singleShot(static_cast<int>(delay.count()), Qt::PreciseTimer, &context_,
                       std::move(callback));
}

}  // namespace vq
