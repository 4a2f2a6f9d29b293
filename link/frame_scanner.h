#pragma once
// Cuts reply frames out of the bytes the instrument sends. It only reads: it sends nothing,
// logs nothing and knows nothing of the transaction; the link decides what each frame means.

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

class FrameScanner {
  public:
    // The buffer never keeps more than this while no terminator arrives. No reply comes near it
    // (the longest, a dump block, is a few hundred characters), so text beyond it is noise: it is
    // dropped, keeping only a frame start (from the last STX) that fits.
    static constexpr std::size_t kReceiveBufferCap = 64 * 1024;

    enum class Found { NeedMore, Frame, LoneCr };
    struct Result {
        Found found = Found::NeedMore;
        std::string frame;  // only for Frame: everything up to and with its terminator
    };

    // The bytes of one receive event; `bytes` is left empty.
    void append(std::string& bytes);
    // The next thing in the buffer, taken out of it: a frame (ended by its first ETB or EOT), a
    // CR outside a frame, or NeedMore when neither is complete yet. Call until NeedMore: the cap
    // is applied there. Text looked at once is not searched again, so a long unterminated stream
    // costs its length once, not once per arrival.
    Result next();
    void clear();
    std::string_view buffer() const { return std::string_view(receive_).substr(start_); }

  private:
    bool loneCrAt(std::size_t crAt) const;
    void consume(std::size_t count);
    void applyCap();

    // The buffer is receive_[start_..]: frames are cut by moving the start, and the text is
    // compacted once per scan. Before scanFrom_ (relative to the start) the text holds no
    // terminator and no CR outside a frame; stxBeforeScan_ says whether it holds an STX.
    std::string receive_;
    std::size_t start_ = 0;
    std::size_t scanFrom_ = 0;
    bool stxBeforeScan_ = false;
};

}  // namespace vq
