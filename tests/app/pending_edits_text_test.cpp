#include "app/pending_edits_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "messages/messages.h"
#include "model/instrument.h"

namespace vq {
namespace {

// The question before DEFAULT names what it loses: nothing, one edit, or a count with at most
// `maxLines` of them and the rest counted.
TEST(PendingEditsText, NamesTheEditsUpToALimit) {
    setLanguage(Language::English);
    const InstrumentModel held;
    EXPECT_EQ(PendingEditsText(held, held), "");

    InstrumentModel edited = held;
    edited.setStationList(2, "EAST GATE");
    const std::string one = PendingEditsText(held, edited);
    EXPECT_EQ(one.rfind(ResMessage(msg::DefaultLosesOneEdit) + "\r\n  ", 0), 0u) << one;
    EXPECT_NE(one.find(": EAST GATE ("), std::string::npos) << one;

    edited.setStationList(3, "WEST GATE");
    edited.setStationList(4, "NORTH GATE");
    const std::string three = PendingEditsText(held, edited, 2);
    EXPECT_EQ(three.rfind(ResMessage(msg::DefaultLosesEdits, {"3"}), 0), 0u) << three;
    EXPECT_NE(three.find("WEST GATE"), std::string::npos);
    EXPECT_EQ(three.find("NORTH GATE"), std::string::npos);
    EXPECT_EQ(three.substr(three.rfind("\r\n") + 2), ResMessage(msg::PendingEditsMore, {"1"}));
    EXPECT_EQ(std::count(three.begin(), three.end(), '\n'), 3);
}

}  // namespace
}  // namespace vq
