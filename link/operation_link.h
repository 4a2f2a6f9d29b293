#pragma once
// What the instrument operations need of the link: the wait every command is built on, the
// transaction's status and Cancel, the bound model, the events, the clock and the log. The
// operations see nothing else of InstrumentLink.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/event_host.h"
#include "link/link_events.h"

namespace vq {

class InstrumentModel;

class OperationLink {
  public:
    using Millis = EventHost::Millis;

    virtual ~OperationLink() = default;

    // Status := waitingStatus, the payload goes out as a new command, and the event loop runs
    // until Status moves; true when it became Done. `eachTurn` runs before every turn.
    virtual bool waitFor(std::int32_t waitingStatus, std::string_view payload,
                         const std::function<void()>& eachTurn = {}) = 0;
    // A complete frame out as a new command, without waiting.
    virtual void sendCommand(const std::string& frame) = 0;
    virtual void pumpWhile(const std::function<bool()>& keepWaiting) = 0;
    virtual std::int32_t status() const = 0;
    virtual void setStatus(std::int32_t status) = 0;
    virtual bool cancelled() const = 0;
    virtual void setCancelled(bool cancel) = 0;
    // Whether the link timer runs: without it nothing times a wait out.
    virtual bool timerRunning() const = 0;
    // A command the instrument is busy with counts as traffic: the next probe waits.
    virtual void restartProbeCount() = 0;
    // One line in the communication log.
    virtual void log(const std::string& text) = 0;
    virtual const std::string& lastReply() const = 0;
    virtual InstrumentModel* boundModel() const = 0;
    virtual void bind(InstrumentModel* model) = 0;
    virtual LinkEvents& events() = 0;
    virtual EventHost& host() = 0;
};

// The wait with the bound model's progress texts forwarded (InterMessage when `history`, else
// InstMessage) and cleared.
bool WaitForReply(OperationLink& link, std::int32_t waitingStatus, std::string_view payload,
                  bool history = false);
// The same, ended at once by Cancel (Status := Cancelled): the next answer may be many resends
// away on a bad line, and the user who cancelled does not wait for it.
bool WaitForReplyOrCancel(OperationLink& link, std::int32_t waitingStatus,
                          std::string_view payload);
// One read into `model`, bound for the read only; the model bound before is bound again.
bool ReadOne(OperationLink& link, std::string_view payload, InstrumentModel* model);
// Runs the event loop for `pause` of the host's clock; false when Cancel was set meanwhile.
bool PauseFor(OperationLink& link, OperationLink::Millis pause);
// The host's local date and time as the log writes it.
std::string NowText(OperationLink& link);

}  // namespace vq
