// The memory dumps against the virtual instrument's own flash and FRAM, byte for byte; the image
// file's initialisation rules; the listing layout; and dumps that stall or never end.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "model/ole_date.h"
#include "protocol/frame.h"
#include "tests/support/files.h"
#include "tests/support/sim_link.h"

namespace vq::test {
namespace {

using Millis = EventHost::Millis;

std::string bytesOf(const std::vector<std::uint8_t>& memory, std::size_t from, std::size_t count) {
    return std::string(memory.begin() + static_cast<std::ptrdiff_t>(from),
                       memory.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// A listing data line written out by hand: address, 16 bytes, ASCII column.
std::string listingLine(std::uint32_t address, const std::uint8_t* bytes) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X ", static_cast<unsigned>(address));
    std::string line = text;
    std::string ascii;
    for (int i = 0; i < 16; ++i) {
        std::snprintf(text, sizeof text, "%02X ", static_cast<unsigned>(bytes[i]));
        line += text;
        if (i == 7) line += ' ';
        ascii += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    }
    return line + "  " + ascii;
}

std::string groupHead() {
    return "Adrs   +0 +1 +2 +3 +4 +5 +6 +7  +8 +9 +A +B +C +D +E +F   List Of ASCII   \r\n" +
           std::string(74, '-') + "\r\n";
}

std::string listingHead(const std::string& date) {
    return ";\tVQ-5100 Data Logger Program\r\n;\tFlush ROM Dump (EF) List " + date + "\r\n";
}

TEST(HexDumpLine, BytesThenAnAsciiColumn) {
    EXPECT_EQ(DumpDataLine(0x10, "4142434445464748494A4B4C4D4E4F50"),
              "000010 41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50   ABCDEFGHIJKLMNOP");
    // Control characters, DEL and bytes above it show as dots; lower-case digits are read.
    EXPECT_EQ(HexDumpLine("7f1f207e80ff00410000000000000000"),
              "7F 1F 20 7E 80 FF 00 41  00 00 00 00 00 00 00 00   .. ~...A........");
    // What is missing or not hexadecimal reads as erased.
    EXPECT_EQ(HexDumpLine("41zz"),
              "41 FF FF FF FF FF FF FF  FF FF FF FF FF FF FF FF   A...............");
    EXPECT_EQ(Hex6(0x1234567), "1234567");
    EXPECT_EQ(ElapsedText(3600 * 26 + 61), "26:01:01");
}

TEST(BinDump, TheWholeFlashIsCopiedByteForByte) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    const std::string path = s.dir.file("VQ5100.DAT");
    writeFile(path, std::string(600000, '\0'));  // an older, longer file: replaced by the image

    ASSERT_TRUE(s.link.dumps().GetBinDump(path, 0, 1023));
    const std::string image = readFile(path);
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_TRUE(image == bytesOf(s.instrument.state().flash, 0, 524288));
    const auto payloads = s.port.payloads();
    ASSERT_EQ(payloads.size(), 1024u);
    EXPECT_EQ(payloads[255], "EP,R,00FF");
    EXPECT_EQ(payloads[1023], "EP,R,03FF");
    const auto& raised = s.events.raised;
    EXPECT_EQ(raised[0], "DumpMessage Initialize Local Image");
    EXPECT_EQ(raised[1], "DumpMessage Get FLASH Image");
    EXPECT_EQ(raised[2], "DumpMessage Get FLASH Image 0000");
    EXPECT_EQ(raised.back(), "DumpMessage Get FLASH Image 03FF");
    EXPECT_FALSE(s.link.binaryDump().retry());
}

TEST(BinDump, APartOfTheImageIsWrittenInPlaceWithoutTouchingTheRest) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    const std::string path = s.dir.file("part.dat");
    writeFile(path, std::string(524288, 'x'));
    ASSERT_TRUE(s.link.dumps().GetBinDump(path, 5, 5));
    EXPECT_EQ(s.port.payloads(), std::vector<std::string>{"EP,R,0005"});
    const std::string image = readFile(path);
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_EQ(image.substr(0, 2560), std::string(2560, 'x'));
    EXPECT_TRUE(image.substr(2560, 512) == bytesOf(s.instrument.state().flash, 2560, 512));
    EXPECT_EQ(image.substr(3072), std::string(524288 - 3072, 'x'));

    // A missing file is made as erased flash first.
    const std::string fresh = s.dir.file("fresh.dat");
    ASSERT_TRUE(s.link.dumps().GetBinDump(fresh, 1, 1));
    const std::string made = readFile(fresh);
    ASSERT_EQ(made.size(), 524288u);
    EXPECT_EQ(made.substr(0, 512), std::string(512, '\xFF'));
    EXPECT_TRUE(made.substr(512, 512) == bytesOf(s.instrument.state().flash, 512, 512));
    EXPECT_EQ(made.substr(1024), std::string(524288 - 1024, '\xFF'));
}

TEST(BinDump, BlocksThatStopArrivingEndWithFalseAndKeepWhatCame) {
    SimLink s;
    ASSERT_TRUE(s.connect(3, 2));
    const std::string path = s.dir.file("VQ5100.DAT");
    int blocks = 0;
    s.port.rewrite = [&](std::string bytes) {
        // Two whole blocks, then half of the third, then nothing.
        if (++blocks > 3) return std::string();
        return blocks == 3 ? bytes.substr(0, 256) : bytes;
    };
    const Millis start = s.host.now();
    EXPECT_FALSE(s.link.dumps().GetBinDump(path, 0, 1023));
    EXPECT_TRUE(s.link.binaryDump().retry());
    EXPECT_EQ(s.link.Status(), link_status::Stopped);
    EXPECT_LE(s.host.now() - start, Millis{2200});  // one time-out, no endless wait
    EXPECT_EQ(s.port.payloads().size(), 3u);
    const std::string image = readFile(path);
    const auto& flash = s.instrument.state().flash;
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_TRUE(image.substr(0, 1024 + 256) == bytesOf(flash, 0, 1024 + 256));
    EXPECT_EQ(image.substr(1024 + 256), std::string(524288 - 1024 - 256, '\xFF'));
    const auto log = s.logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "= timeout ="), log.end());
}

TEST(BinDump, TheSocketTransportWritesBlocksInPlaceToo) {
    VirtualHost host;
    sim::SimInstrument instrument(host, sim::DefaultSimState());
    sim::InProcessSocketPort socket(instrument);
    RecordingEvents events;
    TempDir dir;
    InstrumentLink link{host, events, nullptr, &socket, dir.path()};
    link.setRetry(3);
    link.setTimeout(2);
    link.setPortOpen(true);
    ASSERT_TRUE(host.pumpUntil([&] { return link.Connected(); }, Millis{10000}));
    const std::string path = dir.file("VQ5100.DAT");
    ASSERT_TRUE(link.dumps().GetBinDump(path, 1020, 1023));
    const std::string image = readFile(path);
    ASSERT_EQ(image.size(), 524288u);
    EXPECT_TRUE(image.substr(1020 * 512) == bytesOf(instrument.state().flash, 1020 * 512, 2048));
    EXPECT_EQ(image.substr(0, 1020 * 512), std::string(1020 * 512, '\xFF'));
}

TEST(BinDump, ARangeOutsideTheImageSendsNothing) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    EXPECT_FALSE(s.link.dumps().GetBinDump(s.dir.file("a.dat"), -1, 3));
    EXPECT_FALSE(s.link.dumps().GetBinDump(s.dir.file("a.dat"), 0, 1024));
    EXPECT_FALSE(s.link.dumps().GetBinDump(s.dir.file("a.dat"), 7, 6));
    EXPECT_FALSE(s.link.dumps().GetBinDump(s.dir.file("no/such/folder/a.dat"), 0, 0));
    EXPECT_TRUE(s.port.frames.empty());
}

TEST(RomDump, TheListingHoldsTheWholeFramInItsLayout) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    const std::string path = s.dir.file("DumpEF.dat");
    writeFile(path, std::string(100000, 'z'));  // replaced
    const std::string date = GeneralDate(s.host.localDateTime());
    const Millis start = s.host.now();
    ASSERT_TRUE(s.link.dumps().GetMemoryListing(path));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(s.host.now() - start);

    const auto& fram = s.instrument.state().fram;
    std::string expected = listingHead(date);
    const std::string text = readFile(path);
    // The maker line is ours to word; it is a comment line.
    const std::size_t third = text.find("\r\n", expected.size());
    ASSERT_NE(third, std::string::npos);
    ASSERT_EQ(text.substr(expected.size(), 2), ";\t");
    expected += text.substr(expected.size(), third + 2 - expected.size()) + "\r\n";
    for (std::size_t group = 0; group < fram.size() / 256; ++group) {
        expected += groupHead();
        for (std::size_t line = 0; line < 16; ++line) {
            const std::size_t at = group * 256 + line * 16;
            expected += listingLine(static_cast<std::uint32_t>(at), &fram[at]) + "\r\n";
        }
        expected += "\r\n";
    }
    char total[64];
    std::snprintf(total, sizeof total, "\r\n;\tTotal Download Time = 00:00:%02lld\r\n",
                  static_cast<long long>(seconds.count()));
    expected += total;
    EXPECT_EQ(text, expected);

    const auto& raised = s.events.raised;
    ASSERT_EQ(raised.size(), fram.size() / 256);
    EXPECT_EQ(raised.front(), "DumpMessage Get Dump 000000-0000FF");
    EXPECT_EQ(raised.back(), "DumpMessage Get Dump 001F00-001FFF");
}

TEST(RomDump, ADamagedLastBlockIsAskedForAgainAndTheListingCompletes) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    bool damaged = false;
    s.port.rewrite = [&](std::string bytes) {
        // The EOT block arrives once with a data digit changed on the line.
        if (!damaged && !bytes.empty() && bytes.back() == EOT) {
            damaged = true;
            bytes[bytes.size() - 20] = bytes[bytes.size() - 20] == '0' ? '1' : '0';
        }
        return bytes;
    };
    const std::string path = s.dir.file("DumpEF.dat");
    ASSERT_TRUE(s.link.dumps().GetMemoryListing(path));
    EXPECT_TRUE(damaged);
    const auto payloads = s.port.payloads();
    ASSERT_GE(payloads.size(), 2u);
    EXPECT_EQ(payloads.back().front(), NAK);  // the one NAK, answered with the block again
    const auto& fram = s.instrument.state().fram;
    const std::string text = readFile(path);
    const std::size_t last = fram.size() - 16;
    EXPECT_NE(text.find(listingLine(static_cast<std::uint32_t>(last), &fram[last])),
              std::string::npos);
}

TEST(RomDump, APartGroupIsCompletedWithErasedLines) {
    LinkHarness h;
    h.connect();
    // One block of three lines: bytes 0x00..0x2F of block 1.
    std::string data;
    for (int i = 0; i < 48; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", i + 0x30);
        data += hex;
    }
    h.script.answer("EF,R,", Reply("EF,R,FR,1,0000," + data));
    const std::string path = h.dir.file("DumpEF.dat");
    ASSERT_TRUE(h.link.dumps().GetMemoryListing(path));
    const std::string text = readFile(path);
    std::string group = groupHead();
    std::uint8_t bytes[16];
    for (int line = 0; line < 3; ++line) {
        for (int i = 0; i < 16; ++i) bytes[i] = static_cast<std::uint8_t>(0x30 + line * 16 + i);
        group += listingLine(static_cast<std::uint32_t>(line * 16), bytes) + "\r\n";
    }
    std::fill(std::begin(bytes), std::end(bytes), 0xFF);
    for (int line = 3; line < 16; ++line) {
        group += listingLine(static_cast<std::uint32_t>(line * 16), bytes) + "\r\n";
    }
    EXPECT_NE(text.find("\r\n\r\n" + group + "\r\n\r\n;\tTotal Download Time = 00:00:00\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(h.events.raised, std::vector<std::string>{"DumpMessage Get Dump 000000-0000FF"});
}

TEST(RomDump, AListingThatStallsEndsWithFalseAndItsFileClosedWithWhatCame) {
    SimLink s;
    ASSERT_TRUE(s.connect(2, 1));
    int blocks = 0;
    s.port.rewrite = [&](std::string bytes) { return ++blocks > 4 ? std::string() : bytes; };
    const std::string path = s.dir.file("DumpEF.dat");
    EXPECT_FALSE(s.link.dumps().GetMemoryListing(path));
    EXPECT_EQ(s.link.Status(), link_status::Stopped);
    const std::string text = readFile(path);
    // Four blocks of 128 bytes: two whole groups, closed by the time line.
    EXPECT_NE(text.find("000100 "), std::string::npos);
    EXPECT_EQ(text.find("000200 "), std::string::npos);
    EXPECT_NE(text.find("\r\n;\tTotal Download Time = 00:00:0"), std::string::npos);
    // Stalled: NAKs sent on time-out, then given up.
    const auto payloads = s.port.payloads();
    EXPECT_EQ(payloads.back(), std::string(1, NAK) + payloads.back().substr(1));
}

TEST(RomDump, AListingThatNeverEndsIsStoppedAndNoLongerAcknowledged) {
    LinkHarness h;
    h.connect();
    h.link.setLogWriter([](std::string_view) {});
    // Long blocks (32 lines each): the line limit comes before the limit on blocks.
    const std::string block = Reply("EF,R,FR,1,0000," + std::string(1024, '4'), ETB);
    h.script.answer("EF,R,", block);
    h.script.answer(std::string(1, ACK), block);  // every acknowledgement brings another block
    const std::string path = h.dir.file("DumpEF.dat");
    EXPECT_FALSE(h.link.dumps().GetMemoryListing(path));
    const auto sentAtEnd = h.sent().size();
    EXPECT_GE(sentAtEnd, static_cast<std::size_t>(MemoryDumps::kMaxDumpLines / 32));
    EXPECT_LT(sentAtEnd, static_cast<std::size_t>(Transaction::kMaxAnswerBlocks));
    h.host.runFor(Millis{10000});
    EXPECT_LE(h.sent().size(), sentAtEnd + 1);  // at most the block in flight: no more exchange
    const std::string text = readFile(path);
    EXPECT_NE(text.rfind("Total Download Time = "), std::string::npos);  // finished and closed
}

}  // namespace
}  // namespace vq::test
