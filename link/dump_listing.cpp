#include "link/dump_listing.h"

#include <cerrno>
#include <cstring>

#include <cstdio>

namespace vq {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::string_view kGroupHeader =
    "Adrs   +0 +1 +2 +3 +4 +5 +6 +7  +8 +9 +A +B +C +D +E +F   List Of ASCII   ";
constexpr std::size_t kRuleLength = 74;
constexpr int kLineBytes = 16;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string HexDumpLine(std::string_view hexDigits) {
    std::string hex;
    std::string ascii;
    hex.reserve(3 * kLineBytes + 1);
    ascii.reserve(kLineBytes);
    for (int i = 0; i < kLineBytes; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 2;
        int high = at < hexDigits.size() ? hexValue(hexDigits[at]) : -1;
        int low = at + 1 < hexDigits.size() ? hexValue(hexDigits[at + 1]) : -1;
        if (high < 0 || low < 0) high = low = 15;
        const int byte = high * 16 + low;
        hex += kHexDigits[high];
        hex += kHexDigits[low];
        hex += ' ';
        if (i == 7) hex += ' ';
        ascii += byte >= 32 && byte <= 126 ? static_cast<char>(byte) : '.';
    }
    return hex + "  " + ascii;
}

std::string Hex6(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(value));
    return text;
}

std::string DumpDataLine(std::uint32_t address, std::string_view hexDigits) {
    return Hex6(address) + " " + HexDumpLine(hexDigits);
}

std::string ElapsedText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

bool DumpListing::create(const std::string& path, const std::string& startDate) {
    close();
    failed_ = false;
    error_.clear();
    path_ = path;
    errno = 0;
    file_.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file_.is_open()) {
        noteFailure();
        return false;
    }
    writeLine(";\tVQ-5100 Data Logger Program");
    writeLine(";\tFlush ROM Dump (EF) List " + startDate);
    writeLine(";\tVQ-5100 Setup and Maintenance Program");
    writeLine("");
    return !failed_;
}

void DumpListing::writeGroup(const std::array<std::string, kDumpGroupLines>& lines,
                             const std::array<std::uint32_t, kDumpGroupLines>& addresses) {
    if (!isOpen()) return;
    writeLine(kGroupHeader);
    writeLine(std::string(kRuleLength, '-'));
    for (int i = 0; i < kDumpGroupLines; ++i) {
        writeLine(DumpDataLine(addresses[static_cast<std::size_t>(i)],
                               lines[static_cast<std::size_t>(i)]));
    }
    writeLine("");
}

bool DumpListing::finish(std::int64_t elapsedSeconds) {
    if (!isOpen()) return false;
    writeLine("");
    writeLine(";\tTotal Download Time = " + ElapsedText(elapsedSeconds));
    file_.close();
    if (file_.fail()) noteFailure();
    return !failed_;
}

void DumpListing::close() {
    if (file_.is_open()) file_.close();
}

void DumpListing::writeLine(std::string_view text) {
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    file_.write("\r\n", 2);
    if (file_.fail()) noteFailure();
}

void DumpListing::noteFailure() {
    if (error_.empty())
        error_ =
            path_ + ": " + (errno != 0 ? std::strerror(errno) : "the file could not be written");
    failed_ = true;
}

}  // namespace vq
