#pragma once
// The memory dumps: the flash image in raw 512-byte blocks ("EP,R"), which the receive path
// hands to the dump sink, and the memory listing ("EF,R"), whose blocks the decoder cuts into
// lines for the 16-line buffer here.

#include <array>
#include <cstdint>
#include <string>

#include "link/dump_listing.h"
#include "link/dump_sink.h"
#include "link/operation_link.h"

namespace vq {

class MemoryDumps {
  public:
    using Millis = OperationLink::Millis;

    static constexpr std::int32_t kBinBlockLength = 512;
    static constexpr std::int32_t kImageSize = 524288;
    static constexpr std::int16_t kLastImageBlock = kImageSize / kBinBlockLength - 1;
    // A listing that runs beyond this many lines is stopped (an answer that never ends).
    static constexpr std::int32_t kMaxDumpLines = 65536;

    MemoryDumps(OperationLink& link, DumpSink& sink) : link_(link), sink_(sink) {}

    // The flash image, blocks sb..eb (0..1023) of 512 raw bytes each, written at their place in
    // the image file. The file is filled with 0xFF first when missing or when the whole range is
    // asked for; otherwise it is never truncated. False at the first block that fails or times
    // out (the sink's retry then set); blocks already written stay.
    bool GetBinDump(const std::string& path, std::int16_t sb, std::int16_t eb);
    // The memory listing ("EF,R") into a text file, 16-line groups with an ASCII column.
    bool GetMemoryListing(const std::string& fileName);
    // Why the last dump's file did not take what came (a full disk, the file-size limit), with
    // the file's name; empty when the file was not the reason for a failure.
    std::string fileError() const { return lastWasListing_ ? listing_.error() : sink_.error(); }

    // One listing line from the decoder.
    void addDumpLine(const std::string& line, std::uint32_t address);
    const std::array<std::string, kDumpGroupLines>& lines() const { return dumpLines_; }
    const std::array<std::uint32_t, kDumpGroupLines>& addresses() const { return dumpLineAddress_; }
    int lineCount() const { return dumpLineCount_; }

  private:
    bool getBinBlock(std::int16_t block, Millis started);
    void FlushDumpLines();
    void resetDumpLines();

    OperationLink& link_;
    DumpSink& sink_;
    std::array<std::string, kDumpGroupLines> dumpLines_{};
    std::array<std::uint32_t, kDumpGroupLines> dumpLineAddress_{};
    int dumpLineCount_ = 0;
    std::int32_t dumpLinesTotal_ = 0;
    DumpListing listing_;
    bool lastWasListing_ = false;
};

}  // namespace vq
