// The memory dumps: the flash image in raw 512-byte blocks ("EP,R") and the memory listing
// ("EF,R"), whose blocks the decoder cuts into lines for the link's 16-line buffer.

#include <cstdio>

#include "app/messages.h"
#include "link/link_op_texts.h"
#include "link/vqif.h"
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

// Closes the listing on every way out of GetRomDump2, an exception from a listener included.
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

bool uclVqif::GetBinDump(const std::string& path, std::int16_t sb, std::int16_t eb) {
    cancel_ = false;
    std::string text = "Initialize Local Image";
    events_.DumpMessage(text);
    // Nothing times a block out without the link timer, and only blocks of the image exist.
    if (!TimerEnabled() || path.empty() || sb < 0 || eb > kLastImageBlock || sb > eb) {
        tx_.setStatus(link_status::Stopped);
        return false;
    }
    const bool whole = sb == 0 && eb == kLastImageBlock;
    if (!dump_.open(path, kImageSize, whole)) {
        tx_.setStatus(link_status::Stopped);
        return false;
    }

    text = "Get FLASH Image";
    events_.DumpMessage(text);
    AddLog(ResMessage(link_op_text::DumpStarted, {GeneralDate(host_.localDateTime())}));
    cancel_ = false;
    binaryRetry_ = false;
    const Millis started = host_.now();
    bool complete = true;
    for (int block = sb; block <= eb; ++block) {
        if (!getBinBlock(static_cast<std::int16_t>(block), started)) {
            complete = false;
            break;
        }
    }
    if (complete && tx_.status() == link_status::Done) return true;
    tx_.setStatus(link_status::Stopped);
    return false;
}

// One block: its 512 bytes go to their place in the image as they arrive (the receive path
// writes them). False when the block failed, was cancelled or timed out.
bool uclVqif::getBinBlock(std::int16_t block, Millis started) {
    const std::string blockText = hex4(block);
    setBinaryBlock(std::int32_t{block} * kBinBlockLength, kBinBlockLength);
    DataSend(BuildFrame("EP,R," + blockText, EOT), true);
    tx_.setStatus(link_status::BinaryReceive);
    PumpWhile([this] { return tx_.status() == link_status::BinaryReceive && !cancel_; });

    std::string text = "Get FLASH Image " + blockText;
    events_.DumpMessage(text);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(host_.now() - started).count();
    AddLog(ResMessage(link_op_text::DumpFinished,
                      {GeneralDate(host_.localDateTime()), ElapsedText(seconds)}));
    return tx_.status() == link_status::Done && !cancel_;
}

bool uclVqif::GetRomDump2(const std::string& fileName) {
    const std::string startDate = GeneralDate(host_.localDateTime());
    AddLog(ResMessage(link_op_text::DumpStarted, {startDate}));
    const Millis started = host_.now();
    ListingCloser closer(listing_);
    if (!listing_.create(fileName, startDate)) {
        tx_.setStatus(link_status::Stopped);
        return false;
    }
    resetDumpLines();

    cancel_ = false;
    const bool done = WaitFor(link_status::AwaitBlock, "EF,R,");
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
        std::chrono::duration_cast<std::chrono::seconds>(host_.now() - started).count();
    const bool written = listing_.finish(seconds);
    if (done && written) return true;
    tx_.setStatus(link_status::Stopped);
    return false;
}

void uclVqif::resetDumpLines() {
    dumpLines_.fill({});
    dumpLineAddress_.fill(0);
    dumpLineCount_ = 0;
    dumpLinesTotal_ = 0;
}

void uclVqif::addDumpLine(const std::string& line, std::uint32_t address) {
    if (dumpLineCount_ >= kDumpGroupLines) FlushDumpLines();
    const auto at = static_cast<std::size_t>(dumpLineCount_);
    dumpLines_[at] = line;
    dumpLineAddress_[at] = address;
    ++dumpLineCount_;
    if (dumpLineCount_ == kDumpGroupLines) FlushDumpLines();

    // A listing that never ends is stopped: no more blocks are acknowledged (Cancel), and the
    // wait ends with a failure.
    if (listing_.isOpen() && ++dumpLinesTotal_ > kMaxDumpLines) {
        cancel_ = true;
        tx_.setStatus(link_status::Failed);
    }
}

void uclVqif::FlushDumpLines() {
    std::string text = "Get Dump " + Hex6(dumpLineAddress_[0]) + "-" +
                       Hex6(dumpLineAddress_[kDumpGroupLines - 1] + 15);
    listing_.writeGroup(dumpLines_, dumpLineAddress_);
    dumpLineCount_ = 0;
    events_.DumpMessage(text);
}

}  // namespace vq
