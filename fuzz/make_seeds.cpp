// Writes the seed corpora of the fuzz targets into the folder given: what the virtual instrument
// really sends during a read-all and a settings write (whole frames for the decoder, the chunks
// as they arrived for the receive path), and the files the program itself writes.
//
// Usage: fuzz_make_seeds FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "app/config_file.h"
#include "app/settings_file.h"
#include "app/station_list_csv.h"
#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/virtual_host.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "sim/sim_state.h"

namespace {

namespace fs = std::filesystem;

// The instrument's side of the line, as the link reads it.
class TapPort : public vq::sim::InProcessSerialPort {
  public:
    using vq::sim::InProcessSerialPort::InProcessSerialPort;
    std::vector<std::string> chunks;
    std::string readAll() override {
        std::string bytes = vq::sim::InProcessSerialPort::readAll();
        if (!bytes.empty()) chunks.push_back(bytes);
        return bytes;
    }
};

void writeSeed(const fs::path& folder, int number, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / ("seed-" + std::to_string(number)), std::ios::binary) << bytes;
}

// Frames cut from the received bytes: STX through ETX, checksum and terminator.
std::vector<std::string> framesOf(const std::string& bytes) {
    std::vector<std::string> frames;
    std::size_t start = bytes.find(vq::STX);
    while (start != std::string::npos) {
        const std::size_t etx = bytes.find(vq::ETX, start);
        if (etx == std::string::npos || etx + 3 >= bytes.size()) break;
        frames.push_back(bytes.substr(start, etx + 4 - start));
        start = bytes.find(vq::STX, etx + 4);
    }
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    vq::setLanguage(vq::Language::English);

    vq::VirtualHost host;
    vq::sim::SimInstrument instrument(host, vq::sim::DefaultSimState());
    TapPort port(instrument);
    vq::LinkEvents events;
    vq::InstrumentLink link(host, events, &port, nullptr, std::string());
    link.setLogWriter([](std::string_view) {});
    link.setRetry(3);
    link.setTimeout(2);
    link.setPortOpen(true);
    if (!host.pumpUntil([&] { return link.Connected(); }, vq::EventHost::Millis{10000})) {
        std::fprintf(stderr, "the virtual instrument did not answer the probe\n");
        return 1;
    }
    vq::InstrumentModel model;
    if (!link.reads().GetInstrument(&model)) {
        std::fprintf(stderr, "read-all failed\n");
        return 1;
    }
    vq::InstrumentModel edited = model;
    edited.setUserID("TECH 7");
    edited.setWarning(0, 15);
    edited.setGasName(2, "H2S-B");
    edited.setStationList(10, "PUMP HOUSE 10");
    link.WriteSettings(&edited);

    std::string all;
    for (const std::string& chunk : port.chunks) all += chunk;
    int n = 0;
    for (const std::string& frame : framesOf(all)) {
        writeSeed(out / "decode_reply", n, std::string(1, '\x01') + frame);
        ++n;
    }
    std::string joined;
    for (std::size_t i = 0; i < port.chunks.size(); ++i) {
        if (i % 8 == 0 && !joined.empty()) {
            writeSeed(out / "link_receive", static_cast<int>(i / 8), joined);
            joined.clear();
        }
        joined += port.chunks[i] + '\xFF';
    }

    vq::AppConfig config;
    vq::FillBuiltInDefaults(config);
    writeSeed(out / "load_config", 0, vq::ConfigFileText(config, 46363.5));
    writeSeed(out / "settings_file", 0, vq::SettingsFileText(model));
    writeSeed(out / "settings_file", 1, vq::SettingsFileText(edited));
    std::vector<std::string> stations;
    for (int i = 0; i < vq::stationListRows; ++i) stations.push_back(edited.StationList(i));
    writeSeed(out / "station_list", 0, vq::StationListCsvText(stations));
    writeSeed(out / "token", 0, std::string("\x01\x01\x01,'") + ";A,B,'C D',,E ; note");
    writeSeed(out / "token", 1, std::string("\x02\x00\x00,\r") + "SZ,C, 00100 \r");
    writeSeed(out / "res_message", 0, std::string("\x00\x00\x05", 3) + "COM3" + '\0' + "~1~2");
    writeSeed(out / "res_message", 1, std::string("\x01\x00\x10", 3) + "a" + '\0' + "b");
    std::printf("%d frames, %zu chunks\n", n, port.chunks.size());
    return 0;
}
