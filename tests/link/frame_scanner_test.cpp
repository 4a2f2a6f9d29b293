// The frame scanner on its own: whatever way the bytes are cut into receive events, the same
// frames and lone CRs come out in the same order, and the buffer keeps to its cap.

#include "link/frame_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "protocol/frame.h"

namespace vq {
namespace {

const std::string kCr(1, CR);
constexpr const char* kLoneCr = "<lone CR>";

std::string frame(const std::string& body, char terminator = EOT) {
    return std::string(1, STX) + body + ETX + "3A" + terminator;
}

// Takes everything the scanner has ready; a lone CR shows as kLoneCr.
void drain(FrameScanner& scanner, std::vector<std::string>& out) {
    for (;;) {
        FrameScanner::Result next = scanner.next();
        if (next.found == FrameScanner::Found::NeedMore) return;
        out.push_back(next.found == FrameScanner::Found::Frame ? next.frame : kLoneCr);
    }
}

void feed(FrameScanner& scanner, std::string bytes, std::vector<std::string>& out) {
    scanner.append(bytes);
    EXPECT_TRUE(bytes.empty());
    drain(scanner, out);
}

struct Case {
    const char* name;
    std::string stream;
    std::vector<std::string> found;  // for the stream cut anywhere
    std::string rest;                // what stays in the buffer at the end
    // When the whole stream comes in one receive event, a CR followed by a complete frame is
    // taken into that frame (the terminator is looked for first): set for those streams.
    std::optional<std::vector<std::string>> inOneEvent = std::nullopt;
};

std::vector<Case> cases() {
    const std::string reply = frame("0001VP,R,0123");
    const std::string block = frame("0001EF,R,00FF", ETB);
    const std::string withCr = frame("0001XS,R,AB" + kCr + "CD");
    return {
        {"one frame", reply, {reply}, ""},
        {"a block then the last frame", block + reply, {block, reply}, ""},
        {"a lone CR", kCr, {kLoneCr}, ""},
        {"a lone CR before a frame",
         kCr + reply,
         {kLoneCr, reply},
         "",
         std::vector<std::string>{kCr + reply}},
        {"a CR inside a frame belongs to it", withCr, {withCr}, ""},
        {"junk before STX stays with its frame", "zz" + reply, {"zz" + reply}, ""},
        {"a CR in junk before STX is lone",
         "z" + kCr + reply,
         {kLoneCr, reply},
         "",
         std::vector<std::string>{"z" + kCr + reply}},
        {"a terminator without STX ends a frame",
         "abc" + std::string(1, EOT),
         {"abc" + std::string(1, EOT)},
         ""},
        {"the start of a frame waits",
         reply +
             "\x02"
             "0001XZ" +
             kCr,
         {reply},
         "\x02"
         "0001XZ" +
             kCr},
        {"text with no terminator waits", "abc", {}, "abc"},
        {"two CRs, one frame, a CR",
         kCr + kCr + reply + kCr,
         {kLoneCr, kLoneCr, reply, kLoneCr},
         "",
         std::vector<std::string>{kCr + kCr + reply, kLoneCr}},
        {"a lone CR after a frame", reply + kCr, {reply, kLoneCr}, ""},
    };
}

TEST(FrameScanner, TheSameResultsWhereverTheBytesAreSplit) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        // A split at 0 or at the end is the whole stream in one event. Where a CR and a frame
        // in one event make one frame, only the one event and single bytes are checked.
        for (std::size_t at = 0; at <= c.stream.size(); ++at) {
            if (c.inOneEvent && at != 0) break;
            SCOPED_TRACE("split at " + std::to_string(at));
            FrameScanner scanner;
            std::vector<std::string> found;
            feed(scanner, c.stream.substr(0, at), found);
            feed(scanner, c.stream.substr(at), found);
            EXPECT_EQ(found, c.inOneEvent.value_or(c.found));
            EXPECT_EQ(scanner.buffer(), c.rest);
        }
        FrameScanner scanner;
        std::vector<std::string> found;
        for (char byte : c.stream) feed(scanner, std::string(1, byte), found);
        EXPECT_EQ(found, c.found) << "byte by byte";
        EXPECT_EQ(scanner.buffer(), c.rest) << "byte by byte";
    }
}

TEST(FrameScanner, ClearDropsWhatWaits) {
    FrameScanner scanner;
    std::vector<std::string> found;
    feed(scanner,
         "\x02"
         "0001VP",
         found);
    scanner.clear();
    feed(scanner, ",R,0123" + std::string(1, ETX) + "3A" + EOT, found);
    // The tail is framed at its terminator without the start that was dropped.
    EXPECT_EQ(found, std::vector<std::string>{",R,0123" + std::string(1, ETX) + "3A" + EOT});
}

TEST(FrameScanner, NoiseBeyondTheCapIsDropped) {
    constexpr std::size_t cap = FrameScanner::kReceiveBufferCap;
    const std::string start =
        "\x02"
        "0001VP,R,";
    struct CapCase {
        const char* name;
        std::string stream;
        std::string rest;
    };
    const CapCase capCases[] = {
        {"noise up to the cap is kept", std::string(cap, 'x'), std::string(cap, 'x')},
        {"noise beyond the cap is dropped", std::string(cap + 1, 'x'), ""},
        {"a frame start that fits is kept", std::string(cap, 'x') + start, start},
        {"from the last STX",
         std::string(cap, 'x') +
             "\x02"
             "ab" +
             start,
         start},
        {"a frame start that does not fit goes too", start + std::string(cap, 'x'), ""},
    };
    for (const CapCase& c : capCases) {
        SCOPED_TRACE(c.name);
        FrameScanner scanner;
        std::vector<std::string> found;
        feed(scanner, c.stream, found);
        EXPECT_TRUE(found.empty());
        EXPECT_EQ(scanner.buffer(), c.rest);
    }

    // The kept start still makes a frame once its end arrives.
    FrameScanner scanner;
    std::vector<std::string> found;
    feed(scanner, std::string(cap, 'x') + start, found);
    feed(scanner, "0123" + std::string(1, ETX) + "3A" + EOT, found);
    EXPECT_EQ(found, std::vector<std::string>{start + "0123" + ETX + "3A" + EOT});
    EXPECT_TRUE(scanner.buffer().empty());
}

TEST(FrameScanner, ABufferFedInSmallPiecesNeverPassesTheCap) {
    constexpr std::size_t cap = FrameScanner::kReceiveBufferCap;
    for (const std::size_t piece : {std::size_t{1000}, std::size_t{4093}, cap / 2 + 1}) {
        SCOPED_TRACE(piece);
        FrameScanner scanner;
        std::vector<std::string> found;
        std::size_t largest = 0;
        for (std::size_t sent = 0; sent < 3 * cap; sent += piece) {
            feed(scanner, std::string(piece, 'x'), found);
            largest = std::max(largest, scanner.buffer().size());
        }
        EXPECT_TRUE(found.empty());
        EXPECT_LE(largest, cap);
        EXPECT_GT(largest, cap - piece);
    }
}

}  // namespace
}  // namespace vq
