// set-id [--serial S] [--station S] [--user S]: every setting read, the identity texts changed,
// and written as "Update ID" does (the identity texts and the station list only).
#include <algorithm>
#include <array>
#include <cctype>

#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/commands/settings_write.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "model/instrument.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"

namespace vq::cli {
namespace {

struct IdentityOption {
    const char* name;
    std::size_t maxLength;
    void (InstrumentModel::*set)(std::string_view);
};

// The lengths and characters the identity boxes of the window allow; letters become upper case.
constexpr std::array<IdentityOption, 3> kIdentityOptions{{
    {"--serial", 20, &InstrumentModel::setSerialNo},
    {"--station", 16, &InstrumentModel::setStationID},
    {"--user", 16, &InstrumentModel::setUserID},
}};

std::optional<std::string> identityText(const std::string& given, std::size_t maxLength) {
    if (given.size() > maxLength) return std::nullopt;
    std::string text = given;
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        // Backspace is a key, not a character of the text.
        if (c == 8 || !IsIdKey(static_cast<unsigned char>(c))) return std::nullopt;
    }
    return text;
}

}  // namespace

int runSetId(CommandContext& context) {
    const CommandArgs args(context.args, {"--serial", "--station", "--user"}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    std::array<std::optional<std::string>, 3> texts;
    bool any = false;
    for (std::size_t i = 0; i < kIdentityOptions.size(); ++i) {
        const IdentityOption& option = kIdentityOptions[i];
        const auto given = args.value(option.name);
        if (!given) continue;
        texts[i] = identityText(*given, option.maxLength);
        if (!texts[i]) {
            context.out.error(std::string(option.name) + " \"" + ShownText(*given) +
                              "\": at most " + std::to_string(option.maxLength) +
                              " digits, letters, spaces, \"*\" or \"-\"");
            return kExitUsage;
        }
        any = true;
    }
    if (!any) {
        context.out.error("set-id needs --serial, --station or --user");
        return kExitUsage;
    }
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    InstrumentModel model;
    if (const int status = readAllSettings(context, model); status != kExitSuccess) return status;
    const InstrumentModel instrument = model;
    for (std::size_t i = 0; i < kIdentityOptions.size(); ++i)
        if (texts[i]) (model.*kIdentityOptions[i].set)(*texts[i]);
    printReview(context.out, instrument, model, true);
    const int status = writeSettings(context, instrument, model, true);
    if (status == kExitSuccess) {
        // As read back: the instrument may hold bytes no terminal should be sent raw.
        const auto shown = [](const std::string& text) {
            return QString::fromStdString(ShownText(text));
        };
        context.out.field("serialNumber", "Serial number", shown(model.SerialNo()));
        context.out.field("stationId", "Station ID", shown(model.StationID()));
        context.out.field("userId", "User ID", shown(model.UserID()));
    }
    return status;
}

}  // namespace vq::cli
