#include "link/frame_scanner.h"

#include <algorithm>

#include "link/control_chars.h"
#include "link/frame_rules.h"
#include "protocol/frame.h"

namespace vq {

void FrameScanner::append(std::string& bytes) {
    if (receive_.empty()) {
        receive_ = BytesToText(bytes);
    } else {
        receive_ += BytesToText(bytes);
    }
}

void FrameScanner::clear() {
    receive_.clear();
    start_ = 0;
    scanFrom_ = 0;
    stxBeforeScan_ = false;
}

void FrameScanner::consume(std::size_t count) {
    start_ += count;
    scanFrom_ = 0;
    stxBeforeScan_ = false;
}

FrameScanner::Result FrameScanner::next() {
    const std::string_view text = buffer();
    const std::size_t from = std::min(scanFrom_, text.size());
    const std::size_t etb = text.find(ETB, from);
    const std::size_t eot = text.find(EOT, from);
    const std::size_t end = FrameEnd(etb == std::string_view::npos ? 0 : etb + 1,
                                     eot == std::string_view::npos ? 0 : eot + 1, 0);
    if (end != 0) {
        Result result{Found::Frame, std::string(text.substr(0, end))};
        consume(end);
        return result;
    }
    const std::size_t cr = text.find(CR, from);
    if (cr != std::string_view::npos && loneCrAt(cr)) {
        consume(cr + 1);
        return {Found::LoneCr, {}};
    }
    stxBeforeScan_ = stxBeforeScan_ || text.find(STX, from) != std::string_view::npos;
    scanFrom_ = text.size();
    applyCap();
    if (start_ > 0) {
        receive_.erase(0, start_);
        start_ = 0;
    }
    return {};
}

// A CR ends nothing; outside a frame it is the instrument asking for the last frame again.
// Inside a frame (an STX before it) it is part of the reply, which is framed at its terminator.
bool FrameScanner::loneCrAt(std::size_t crAt) const {
    if (stxBeforeScan_) return false;
    const std::string_view text = buffer();
    const std::size_t from = std::min(scanFrom_, text.size());
    return text.substr(from, crAt - from).find(STX) == std::string_view::npos;
}

void FrameScanner::applyCap() {
    const std::string_view rest = buffer();
    if (rest.size() <= kReceiveBufferCap) return;
    const std::size_t stx = rest.rfind(STX);
    if (stx != std::string_view::npos && rest.size() - stx <= kReceiveBufferCap) {
        start_ += stx;
        scanFrom_ = rest.size() - stx;
        stxBeforeScan_ = true;
    } else {
        clear();
    }
}

}  // namespace vq
