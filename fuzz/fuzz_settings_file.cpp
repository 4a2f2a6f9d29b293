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
    vq::clsInstrument model;
    const std::string before = vq::SettingsFileText(model);
    const vq::SettingsReadResult result = vq::ReadSettingsText(model, text);
    const std::string after = vq::SettingsFileText(model);
    if (!result.ok) {
        if (after != before) __builtin_trap();
        (void)result.message();
        return 0;
    }
    vq::clsInstrument reread;
    if (!vq::ReadSettingsText(reread, after).ok) __builtin_trap();
    if (vq::SettingsFileText(reread) != after) __builtin_trap();
    return 0;
}
