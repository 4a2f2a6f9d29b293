#include "cli/command_table.h"

#include "cli/commands/commands.h"

namespace vq::cli {

const std::vector<CommandSpec>& commandTable() {
    static const std::vector<CommandSpec> table{
        {"probe", "connect, read the identity; print model, ROM number, serial number", &runProbe},
        {"read", "[--seq FILE] [--csv]  read every setting and print them", &runRead},
        {"write",
         "FILE [--dry-run]  write a settings command file to the instrument (the changes are "
         "listed first; --dry-run stops there)",
         &runWrite},
        {"diff", "FILE  list what writing a settings command file would change, without writing",
         &runDiff},
        {"set-id", "[--serial S] [--station S] [--user S]  change the identity texts", &runSetId},
        {"set-clock", "[--time \"yyyy/mm/dd hh:nn:ss\"]  set the instrument clock (default now)",
         &runSetClock},
        {"check-data", "write the check data", &runCheckData},
        {"clear-logger", "clear the logged data", &runClearLogger},
        {"clear-power", "clear the power area", &runClearPower},
        {"defaults", "restore the default settings", &runDefaults},
        {"power-off", "switch the instrument off", &runPowerOff},
        {"zero", "zero calibration of all channels", &runZero},
        {"span", "CH[,CH...] [--conc V,...]  span calibration of the listed channels", &runSpan},
        {"readings", "[--count N]  current readings every second", &runReadings},
        {"dump-flash", "[FILE] [--first N] [--last M]  flash image (default VQ5100.DAT)",
         &runDumpFlash},
        {"dump-fram", "[FILE]  FRAM listing (default DumpEF.dat)", &runDumpFram},
        {"records",
         "list | show SERIAL | due [--days N] | export FILE | import FILE | sync | check  "
         "[--json] [--simulated]  the instrument records",
         &runRecordsCommand},
    };
    return table;
}

const CommandSpec* findCommand(std::string_view name) {
    for (const auto& command : commandTable()) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

}  // namespace vq::cli
