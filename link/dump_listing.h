#pragma once
// The memory listing file: its header, 16-line groups of hexadecimal bytes with an ASCII
// column, and the closing total-time line. Lines end in CR LF. The file is open only while a
// listing runs; it is closed on every way out, also when the owner goes away.

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace vq {

inline constexpr int kDumpGroupLines = 16;
// Hex digits of one listing line: 16 bytes.
inline constexpr std::size_t kDumpLineDigits = 32;

// 32 hex digits as 16 bytes: each byte's two upper-case digits and a space, one more space after
// the eighth byte, two spaces, then the 16 bytes as characters (32 to 126 as they are, any other
// byte as "."). A digit pair that is missing or not hexadecimal reads as FF.
std::string HexDumpLine(std::string_view hexDigits);

// A data line: the address as six upper-case hex digits, a space and HexDumpLine.
std::string DumpDataLine(std::uint32_t address, std::string_view hexDigits);

// Six upper-case hex digits with leading zeros (more when the value needs them).
std::string Hex6(std::uint32_t value);

// "HH:NN:SS" of a count of seconds (hours beyond 99 keep all their digits).
std::string ElapsedText(std::int64_t seconds);

class DumpListing {
  public:
    // Creates (replaces) the file and writes the four header lines; false when it cannot.
    bool create(const std::string& path, const std::string& startDate);
    bool isOpen() const { return file_.is_open(); }
    // One group: the column header, a rule of 74 "-", the 16 data lines and an empty line.
    // Nothing happens while no file is open.
    void writeGroup(const std::array<std::string, kDumpGroupLines>& lines,
                    const std::array<std::uint32_t, kDumpGroupLines>& addresses);
    // The empty line and the total-time line, then the file is closed. False when any write of
    // this listing failed.
    bool finish(std::int64_t elapsedSeconds);
    // Closes without the closing lines.
    void close();
    // Why a write of this listing failed ("path: No space left on device"); empty while none did.
    const std::string& error() const { return error_; }

  private:
    void writeLine(std::string_view text);
    void noteFailure();

    std::ofstream file_;
    std::string path_;
    std::string error_;
    bool failed_ = false;
};

}  // namespace vq
