// The settings command file's reader. Any text must load without a crash or a leak; a text that
// loads must leave a model whose own file loads again to the same file (a stored settings file
// is always one the program can import); a text that does not load leaves the model untouched.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings_file.h"
#include "model/instrument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The settings a file does not name keep the model's values; they must be ones a file may
    // carry (a blank model's logging interval 0 is not), as an instrument's own would be.
    vq::InstrumentModel model;
    model.setIntervals(60);
    const std::string before = vq::SettingsFileText(model);
    const vq::SettingsReadResult result = vq::ReadSettingsText(model, text);
    const std::string after = vq::SettingsFileText(model);
    if (!result.ok) {
        if (after != before) __builtin_trap();
        (void)result.message();
        return 0;
    }
    vq::InstrumentModel reread;
    reread.setIntervals(60);
    if (!vq::ReadSettingsText(reread, after).ok) __builtin_trap();
    if (vq::SettingsFileText(reread) != after) __builtin_trap();
    return 0;
}
