#pragma once
// What the calibration window needs from the window that opens it (the main window): the session
// (its calibration commands and records), the working model, the shared state, the message boxes,
// the information log, and two notices: new readings arrived, and a close was put off while a
// command runs. Nothing else of the opener is reachable from the calibration window.

#include <QMetaObject>
#include <functional>
#include <string>

class QColor;
class QObject;
class QWidget;

namespace vq {

class InstrumentSession;
class UserAsker;
class InstrumentModel;
struct MainState;

class CalibrationHost {
  public:
    virtual InstrumentSession& session() = 0;
    virtual InstrumentModel& model() = 0;
    virtual MainState& state() = 0;
    virtual UserAsker& asker() = 0;
    // One line at the end of the information log in the colour.
    virtual void AddInfo(const std::string& text, const QColor& colour) = 0;
    // The window the calibration window is modal over.
    virtual QWidget& widget() = 0;
    // True when a close was asked for while a command ran and is still put off.
    virtual bool closePending() const = 0;
    // Calls `slot` (in the context of `receiver`, for as long as it lives) when new current
    // readings are in state().LatestReadings.
    virtual QMetaObject::Connection whenReadingsArrive(QObject* receiver,
                                                       std::function<void()> slot) = 0;
    // Calls `slot` when a close was put off because a command runs, so a window running the
    // command may close itself and let the command end.
    virtual QMetaObject::Connection whenCloseDeferred(QObject* receiver,
                                                      std::function<void()> slot) = 0;

  protected:
    ~CalibrationHost() = default;
};

}  // namespace vq
