#include "platform/session_state.h"

#include "link/link_status.h"

namespace vq {

SessionState SessionStateOf(std::int32_t status, std::int32_t linkMode, bool switchedOff) {
    if (status != link_status::Ready && status != 1)
        return link_status::IsAwaiting(status) ? SessionState::Busy : SessionState::Settled;
    if (switchedOff) return SessionState::SwitchedOff;
    return linkMode == link_mode::Connected ? SessionState::Connected : SessionState::NotConnected;
}

}  // namespace vq
