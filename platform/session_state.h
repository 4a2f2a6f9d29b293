#pragma once
// What the windows and vq5100ctl show about the instrument, decided in this one place from the
// link's state values (link/link_status.h), which nobody above the session compares any more.

#include <cstdint>

namespace vq {

enum class SessionState {
    // The built-in instrument is switched off (a power-off): it answers nothing until switched on.
    SwitchedOff,
    // No instrument has answered a probe (the port closed, probing, reopening), and nothing has
    // run on the link since it came up.
    NotConnected,
    // An instrument answered the probe and nothing has run since: what the model holds is not
    // yet this connection's.
    Connected,
    // An operation waits for the instrument (a reply, a block, raw dump bytes).
    Busy,
    // An operation has ended since the link came up (a read, a write, a model adopted from a
    // file), however it ended: the settings the model holds may be shown.
    Settled,
};

// The state of a link with transaction status `status` and link mode `linkMode`; `switchedOff`
// when the built-in instrument is off. A status of 1 is taken as Ready: it was stored by the
// window of old and still means "nothing has run".
SessionState SessionStateOf(std::int32_t status, std::int32_t linkMode, bool switchedOff);

// Whether the settings the model holds are shown: an operation has run or runs since the link
// came up, and the model holds settings (`hasSettings`: read, or loaded from a file).
constexpr bool SettingsShown(SessionState state, bool hasSettings) {
    return (state == SessionState::Busy || state == SessionState::Settled) && hasSettings;
}

}  // namespace vq
