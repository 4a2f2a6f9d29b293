// The configuration file's reader (LoadConfig reads the file whole and hands its text to
// ReadConfigText). Any text must load without a crash or a leak, and whatever it loaded must
// survive a save and a second load: the file the program writes back refuses no line that the
// first load did not (those are kept as they were written), so a setting is never lost on the next
// start.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_config.h"
#include "app/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vq::AppConfig config;
    vq::FillBuiltInDefaults(config);
    const vq::ConfigLoadResult first = vq::ReadConfigText(config, text);

    constexpr double now = 46363.5;
    const std::string written = vq::ConfigFileText(config, now);
    vq::AppConfig reread;
    vq::FillBuiltInDefaults(reread);
    // No line is refused that was not (a key given twice keeps only its last line).
    if (vq::ReadConfigText(reread, written).problems.size() > first.problems.size())
        __builtin_trap();
    // One more round gives the same file: nothing drifts from save to save but the execute
    // count, which every save writes one higher than it holds.
    reread.executeCount = config.executeCount;
    if (vq::ConfigFileText(reread, now) != written) __builtin_trap();
    return 0;
}
