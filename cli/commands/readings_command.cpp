// readings [--count N]: the current readings of the five channels, once a second, until N have
// been shown (or, without --count, until the program is stopped).
#include <QJsonArray>
#include <QJsonObject>
#include <chrono>

#include "app/calibration_texts.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"

namespace vq::cli {

int runReadings(CommandContext& context) {
    const CommandArgs args(context.args, {"--count"}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    long count = 0;  // 0: until stopped
    if (const auto given = args.value("--count")) {
        const auto parsed = parseInt(*given, 1, 1000000);
        if (!parsed) {
            context.out.error("--count \"" + *given + "\" is not a number from 1 to 1000000");
            return kExitUsage;
        }
        count = *parsed;
    }
    if (context.out.json() && count == 0) {
        context.out.error("readings --json needs --count: the object is printed at the end");
        return kExitUsage;
    }
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    SessionLine ops = context.session.line();
    InstrumentModel model;
    // The gases give the channel names and decimals.
    InstrumentReads reads = context.session.reads();
    if (!reads.readGases(model)) {
        context.out.error("reading the gases failed");
        return kExitFailed;
    }
    std::string heading = "Date               ";
    for (int ch = 0; ch < kCalChannels; ++ch)
        heading += "  CH" + std::to_string(ch + 1) + " " + ShownText(TrimText(model.GasName(ch)));
    context.out.line(heading);

    SessionEvents& events = context.session.events();
    // An instrument that stops answering the poll ends the run rather than holding it.
    const auto quietLimit = ops.replyLimit() + std::chrono::seconds(2);
    QJsonArray all;
    long shown = 0;
    // The readings are decoded into the bound model.
    reads.startReadings(model);
    auto lastReading = ops.now();
    long seen = events.readingCount;
    while (count == 0 || shown < count) {
        ops.pumpWhile([&] {
            return events.readingCount == seen && !events.lineDropped &&
                   ops.now() - lastReading < quietLimit;
        });
        if (events.readingCount == seen) break;
        seen = events.readingCount;
        lastReading = ops.now();
        ++shown;
        const std::string when = GeneralDate(ops.localDateTime());
        std::string line = when;
        QJsonArray values;
        for (int ch = 0; ch < kCalChannels; ++ch) {
            const float value = events.readings[static_cast<std::size_t>(ch)];
            line += "  " + ChannelValueText(model, ch, value);
            values.append(SingleAsDecimal(value));
        }
        context.out.line(line);
        if (context.out.json()) {
            QJsonObject reading;
            reading.insert("time", QString::fromStdString(when));
            reading.insert("values", values);
            all.append(reading);
        }
    }
    reads.stopReadings();
    if (context.out.json()) context.out.field("readings", "", all);
    if (count != 0 && shown < count) {
        context.out.error(events.lineDropped ? "the line dropped"
                                             : "the instrument stopped sending readings");
        return kExitFailed;
    }
    return kExitSuccess;
}

}  // namespace vq::cli
