#pragma once
// The operations vq5100ctl runs on the instrument, over the session's link: how the link is tuned
// for a run, the probe wait, the reads (every setting, the history, the identity, the gases) with
// the words for a read that stopped, the readings poll, the memory dumps and the clock the
// commands time themselves by. A command holds this, never the link itself.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vq {

class clsInstrument;
class EventHost;
class uclVqif;

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

class SessionOperations {
  public:
    SessionOperations(uclVqif& link, EventHost& host) : link_(&link), host_(&host) {}

    void tune(const LinkTuning& tuning);

    // ---- the connection ----
    bool portOpen() const;
    bool connected() const;
    // How long probing may take before it gives up by itself: a probe round per try and the
    // reply time-out on top.
    std::chrono::milliseconds probeLimit() const;
    // How long one command may stay unanswered through all its tries.
    std::chrono::milliseconds replyLimit() const;
    // Runs the event loop while `keepWaiting` holds.
    void pumpWhile(const std::function<bool()>& keepWaiting);
    // The host's clock (for limits) and its local time as an OLE date.
    std::chrono::milliseconds now() const;
    double localDateTime() const;
    // The last reply frame the link took (the probe's answer right after connecting).
    const std::string& lastReply() const;
    // One line in the communication log.
    void log(const std::string& text);

    // ---- reads; true when the instrument answered ----
    // Every setting into `model` (cleared first), as the window's "Information Get".
    bool readAll(clsInstrument& model);
    // Which read stopped and why, in words, after readAll failed.
    std::string readFailureText(bool lineDropped) const;
    bool readHistory(clsInstrument& model);
    bool readIdentity(clsInstrument& model);
    bool readGases(clsInstrument& model);

    // ---- the readings poll ("DN,R," every second), decoded into `model` ----
    void startReadings(clsInstrument& model);
    // Stops the poll and lets go of the model.
    void stopReadings();

    // ---- memory dumps ----
    static int lastFlashBlock();
    bool dumpFlash(const std::string& path, int firstBlock, int lastBlock);
    bool dumpFram(const std::string& path);
    // Why the last dump's file did not take what came; empty when the file was not the reason.
    std::string dumpFileError() const;

  private:
    uclVqif* link_;
    EventHost* host_;
};

}  // namespace vq
