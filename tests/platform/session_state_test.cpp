// The one decision of what the windows and vq5100ctl show about the instrument, over every link
// status and link mode.
#include "platform/session_state.h"

#include <gtest/gtest.h>

#include "link/link_status.h"

namespace vq {
namespace {

TEST(SessionState, EveryStatusAndModeGivesOneState) {
    struct Case {
        const char* what;
        std::int32_t status, mode;
        bool switchedOff;
        SessionState state;
    };
    using S = SessionState;
    const Case cases[] = {
        {"port closed", link_status::Ready, link_mode::Offline, false, S::NotConnected},
        {"probing", link_status::Ready, link_mode::Probing, false, S::NotConnected},
        {"reopening after a power-off", link_status::Ready, link_mode::Reopening, false,
         S::NotConnected},
        {"probe answered", link_status::Ready, link_mode::Connected, false, S::Connected},
        {"a stored 1 is Ready", 1, link_mode::Connected, false, S::Connected},
        {"built-in instrument off", link_status::Ready, link_mode::Probing, true, S::SwitchedOff},
        {"off, a stored 1", 1, link_mode::Offline, true, S::SwitchedOff},
        {"awaiting a reply", link_status::AwaitRead, link_mode::Connected, false, S::Busy},
        {"awaiting a write", link_status::AwaitWrite, link_mode::Connected, false, S::Busy},
        {"awaiting a block", link_status::AwaitBlock, link_mode::Connected, false, S::Busy},
        {"dump bytes", link_status::BinaryReceive, link_mode::Connected, false, S::Busy},
        {"read done", link_status::Done, link_mode::Connected, false, S::Settled},
        {"read failed, line lost", link_status::Failed, link_mode::Probing, false, S::Settled},
        {"stopped", link_status::Stopped, link_mode::Offline, false, S::Settled},
        {"cancelled", link_status::Cancelled, link_mode::Connected, false, S::Settled},
        // Power-off leaves the status of its last transaction until the port is reopened.
        {"done, then switched off", link_status::Done, link_mode::Reopening, true, S::Settled},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SessionStateOf(c.status, c.mode, c.switchedOff), c.state) << c.what;
    }
}

// The settings are shown once something ran since the link came up and the model holds some:
// the three places that once compared status numbers (the grid, the boxes, the clock label).
TEST(SessionState, SettingsAreShownOnlyAfterSomethingRanAndWithSettings) {
    struct Case {
        SessionState state;
        bool shownWithSettings;
    };
    const Case cases[] = {
        {SessionState::SwitchedOff, false}, {SessionState::NotConnected, false},
        {SessionState::Connected, false},   {SessionState::Busy, true},
        {SessionState::Settled, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsShown(c.state, true), c.shownWithSettings) << static_cast<int>(c.state);
        EXPECT_FALSE(SettingsShown(c.state, false)) << static_cast<int>(c.state);
    }
}

}  // namespace
}  // namespace vq
