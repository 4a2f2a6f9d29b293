#pragma once
// The line to the instrument as both programs drive it, over the session's link: how the link is
// tuned, whether an instrument answers, the probe wait, the user's Cancel, the resend and time-out
// settings, the communication log, the clock of the event host, and the model the link's replies
// go into. The window and vq5100ctl hold this, never the link itself.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/transfer_watch.h"

namespace vq {

class InstrumentModel;
class EventHost;
class InstrumentLink;

// How a run sets the link up before the port opens.
struct LinkTuning {
    // The communication log on or off; told when the log starts dropping lines.
    bool serialLog = true;
    std::function<void(const std::string& reason)> logFailure;
    // The first probe goes out when the line comes up, not a tick later.
    bool probeAtOnce = false;
    int retry = 3;
    int timeoutSeconds = 3;
    // The confirmation-poll and power-off waits, when a test run shortens them.
    std::optional<std::chrono::milliseconds> pauses;
};

class SessionLine {
  public:
    using Millis = std::chrono::milliseconds;
    SessionLine(InstrumentLink& link, EventHost& host) : link_(&link), host_(&host) {}

    // ---- the instrument on the line ----
    // An instrument answered the probe and the line has not been lost since (whatever runs on
    // it now).
    bool instrumentConnected() const;
    // The last command went unanswered through every resend and was not cancelled: the
    // instrument has stopped answering, whatever the line still believes.
    bool lastCommandUnanswered() const;
    // Something came back from the instrument since the last command was sent.
    bool instrumentAnswered() const;
    // The frame sent last ("" before any).
    const std::string& lastFrame() const;
    // The line in use is a serial port (else the socket).
    bool serialInUse() const;

    // ---- the user's Cancel ----
    bool cancelRequested() const;
    void requestCancel();
    // A progress window's view of the running transfer: resends since it opened, and its Cancel.
    TransferWatch transferWatch() const { return TransferWatch(link_); }

    // ---- settings ----
    // Resends per command and seconds to wait for a reply.
    void setRetries(std::int16_t retry, int timeoutSeconds);
    // Starts on the socket until a port is chosen and opened.
    void startOnSocket();
    // The communication log on or off (the old logs move aside first); `report` hears every
    // line that could not be written.
    void setSerialLog(bool on, std::function<void(const std::string& reason)> report);
    // The clears and DEFAULT poll the instrument for their confirmation: `progress` hears each
    // poll, with the limit and the pause before the next.
    void onConfirmPoll(std::function<void(int polls, int limit, Millis pause)> progress);

    // ---- the port ----
    // Closes the port (a closed port probes nothing until opened again).
    void closePort();
    // Stops the line's timer and closes the port: nothing it raises reaches the window after.
    void stop();
    // Stops the line's timer only (the window is closing; the port closes with the session).
    void stopTimer();

    // ---- the model and the logs ----
    // The model the link's replies and readings go into.
    void bindModel(InstrumentModel& model);
    // A model loaded from a file (or the start defaults) is what the line writes from now on.
    void adoptLoadedModel(InstrumentModel& model);
    // One line of the communication log.
    void log(const std::string& text);

    // ---- the clock of the event host ----
    Millis now() const;
    // The local date and time as a day number with the time as its fraction.
    double localDateTime() const;

    // ---- how vq5100ctl runs the line ----
    // Sets the link up for a run before the port opens.
    void tune(const LinkTuning& tuning);
    bool portOpen() const;
    // How long probing may take before it gives up by itself: a probe round per try and the
    // reply time-out on top.
    Millis probeLimit() const;
    // How long one command may stay unanswered through all its tries.
    Millis replyLimit() const;
    // Runs the event loop while `keepWaiting` holds.
    void pumpWhile(const std::function<bool()>& keepWaiting);
    // The last reply frame the link took (the probe's answer right after connecting).
    const std::string& lastReply() const;

  private:
    InstrumentLink* link_;
    EventHost* host_;
};

}  // namespace vq
