#include "link/memory_dump.h"

#include <cstdio>

#include "link/link_status.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "protocol/frame.h"

namespace vq {

namespace {

constexpr std::uint32_t kLineBytes = 16;

std::string hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

// Closes the listing on every way out of GetMemoryListing, an exception from a listener included.
class ListingCloser {
  public:
    explicit ListingCloser(DumpListing& listing) : listing_(listing) {}
    ~ListingCloser() { listing_.close(); }
    ListingCloser(const ListingCloser&) = delete;
    ListingCloser& operator=(const ListingCloser&) = delete;

  private:
    DumpListing& listing_;
};

}  // namespace

bool MemoryDumps::GetBinDump(const std::string& path, std::int16_t sb, std::int16_t eb) {
    lastWasListing_ = false;
    sink_.clearError();
    link_.setCancelled(false);
    std::string text = "Initialize Local Image";
    link_.events().DumpMessage(text);
    // Nothing times a block out without the link timer, and only blocks of the image exist.
    if (!link_.timerRunning() || path.empty() || sb < 0 || eb > kLastImageBlock || sb > eb) {
        link_.setStatus(link_status::Stopped);
        return false;
    }
    const bool whole = sb == 0 && eb == kLastImageBlock;
    if (!sink_.open(path, kImageSize, whole)) {
        link_.setStatus(link_status::Stopped);
        return false;
    }

    text = "Get FLASH Image";
    link_.events().DumpMessage(text);
    link_.log(ResMessage(msg::DumpStarted, {NowText(link_)}));
    link_.setCancelled(false);
    sink_.setRetry(false);
    const Millis started = link_.host().now();
    bool complete = true;
    for (int block = sb; block <= eb; ++block) {
        if (!getBinBlock(static_cast<std::int16_t>(block), started)) {
            complete = false;
            break;
        }
    }
    if (complete && link_.status() == link_status::Done) return true;
    link_.setStatus(link_status::Stopped);
    return false;
}

// One block: its 512 bytes go to their place in the image as they arrive (the receive path
// writes them). False when the block failed, was cancelled or timed out.
bool MemoryDumps::getBinBlock(std::int16_t block, Millis started) {
    const std::string blockText = hex4(block);
    sink_.startBlock(std::int32_t{block} * kBinBlockLength, kBinBlockLength);
    link_.sendCommand(BuildFrame("EP,R," + blockText, EOT));
    link_.setStatus(link_status::BinaryReceive);
    link_.pumpWhile(
        [this] { return link_.status() == link_status::BinaryReceive && !link_.cancelled(); });

    std::string text = "Get FLASH Image " + blockText;
    link_.events().DumpMessage(text);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(link_.host().now() - started).count();
    link_.log(ResMessage(msg::DumpFinished, {NowText(link_), ElapsedText(seconds)}));
    return link_.status() == link_status::Done && !link_.cancelled();
}

bool MemoryDumps::GetMemoryListing(const std::string& fileName) {
    lastWasListing_ = true;
    const std::string startDate = NowText(link_);
    link_.log(ResMessage(msg::DumpStarted, {startDate}));
    const Millis started = link_.host().now();
    ListingCloser closer(listing_);
    if (!listing_.create(fileName, startDate)) {
        link_.setStatus(link_status::Stopped);
        return false;
    }
    resetDumpLines();

    link_.setCancelled(false);
    const bool done = link_.waitFor(link_status::AwaitBlock, "EF,R,");
    if (dumpLineCount_ != 0) {
        // A part group is completed with erased lines, each 16 bytes on.
        for (int i = dumpLineCount_; i < kDumpGroupLines; ++i) {
            const auto at = static_cast<std::size_t>(i);
            dumpLines_[at] = std::string(kDumpLineDigits, 'F');
            dumpLineAddress_[at] = dumpLineAddress_[at - 1] + kLineBytes;
        }
        dumpLineCount_ = kDumpGroupLines;
        FlushDumpLines();
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(link_.host().now() - started).count();
    const bool written = listing_.finish(seconds);
    if (done && written) return true;
    link_.setStatus(link_status::Stopped);
    return false;
}

void MemoryDumps::resetDumpLines() {
    dumpLines_.fill({});
    dumpLineAddress_.fill(0);
    dumpLineCount_ = 0;
    dumpLinesTotal_ = 0;
}

void MemoryDumps::addDumpLine(const std::string& line, std::uint32_t address) {
    if (dumpLineCount_ >= kDumpGroupLines) FlushDumpLines();
    const auto at = static_cast<std::size_t>(dumpLineCount_);
    dumpLines_[at] = line;
    dumpLineAddress_[at] = address;
    ++dumpLineCount_;
    if (dumpLineCount_ == kDumpGroupLines) FlushDumpLines();

    // A listing that never ends is stopped: no more blocks are acknowledged (Cancel), and the
    // wait ends with a failure.
    if (listing_.isOpen() && ++dumpLinesTotal_ > kMaxDumpLines) {
        link_.setCancelled(true);
        link_.setStatus(link_status::Failed);
    }
}

void MemoryDumps::FlushDumpLines() {
    std::string text = "Get Dump " + Hex6(dumpLineAddress_[0]) + "-" +
                       Hex6(dumpLineAddress_[kDumpGroupLines - 1] + 15);
    listing_.writeGroup(dumpLines_, dumpLineAddress_);
    dumpLineCount_ = 0;
    link_.events().DumpMessage(text);
}

}  // namespace vq
