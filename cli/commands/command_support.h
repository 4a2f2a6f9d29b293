#pragma once
// What several commands share: taking their arguments apart, reading every setting from the
// instrument, the PC clock and the settings CSV record.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {
class InstrumentModel;
}

namespace vq::cli {

struct CommandContext;

// The arguments of one command: "--name VALUE" options, "--flag" switches and positional words.
// Anything not declared is a usage error.
class CommandArgs {
  public:
    // `valued`: options that take a value; `switches`: options that do not.
    CommandArgs(const std::vector<std::string>& args, std::vector<std::string_view> valued,
                std::vector<std::string_view> switches);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    std::optional<std::string> value(std::string_view name) const;
    bool has(std::string_view name) const;
    const std::vector<std::string>& positional() const { return positional_; }

  private:
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> switches_;
    std::vector<std::string> positional_;
    std::string error_;
};

// Checks the arguments; on a problem reports it and returns kExitUsage, else kExitSuccess.
int checkArgs(CommandContext& context, const CommandArgs& args, std::size_t maxPositional,
              std::size_t minPositional = 0);

// A whole number in [min, max], nothing for anything else.
std::optional<int> parseInt(std::string_view text, int min, int max);

// Splits "a,b,c" at the commas (an empty text gives no parts).
std::vector<std::string> splitCommas(std::string_view text);

// Connects to the instrument (see Session::connect); the exit status.
int connectSession(CommandContext& context);

// Reads every setting into `model`, then the calibration
// history, as the window's "Information Get" does, on a connected session. Leaves the link bound to
// `model`. The exit status; failures are reported.
int readAllSettings(CommandContext& context, InstrumentModel& model);

// A message text of the language in use without the line end some of them carry.
std::string messageLine(int id, const std::vector<std::string>& args = {});

// The PC clock as an OLE date.
double pcNow(CommandContext& context);

// Appends a row to the settings CSV in the working folder (the file name suffix from the
// configuration). A failed append is reported as an error; false then.
bool appendCsvRow(CommandContext& context, const InstrumentModel& model, int action);

}  // namespace vq::cli
