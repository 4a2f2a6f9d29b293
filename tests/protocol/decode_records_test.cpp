// Record and table replies: gas table, settings library, sensor library, calibration history.

#include "app/rule_reason_text.h"
#include "decoder_fixture.h"
#include "model/held_values.h"
#include "model/ole_date.h"

namespace vq::testing {
namespace {

// The reason as the English table words it.
std::string en(const Reason& reason) {
    return ReasonText(Language::English, reason);
}

using RecordReplyTest = DecoderTest;

const std::string kBlankGas(25, '*');

// name(10) sep(1) fullscale(5) step(5) unit(4)
std::string gasRecord(const char* name, const char* fullScale, const char* step, const char* unit) {
    char text[32];
    std::snprintf(text, sizeof text, "%-10s %5s%5s%-4s", name, fullScale, step, unit);
    return text;
}

// ---- gas table ----

TEST_F(RecordReplyTest, GasTableStoresFiveRecords) {
    model.setGasEnabled(2, true);
    std::string body = "GJ,R," + gasRecord("CH4", "100", "1", "%LEL") + "," +
                       gasRecord("O2", "25.0", "0.1", "vol") + "," + kBlankGas + "," +
                       gasRecord("CO", "500", "0.5", "ppm") + "," +
                       gasRecord("H2S", "30.0", "0.1", "ppm");
    EXPECT_TRUE(decode(body));
    EXPECT_EQ(model.GasName(0), "CH4");
    EXPECT_EQ(model.GasFullScale(0), 100.0f);
    EXPECT_EQ(model.GasUnit(0), "%LEL");
    EXPECT_FALSE(model.GasEnabled(2));
    EXPECT_EQ(model.GasFullScale(2), -101.0f);
    EXPECT_EQ(model.GasName(2), "");
    EXPECT_EQ(model.Resolution(3), 0.5f);
    EXPECT_EQ(model.GasPoint(3), 1);
    for (int gas = 0; gas < 5; ++gas) {
        EXPECT_FALSE(model.isChanged(SettingId::GasEnabled, gas)) << gas;
        EXPECT_FALSE(model.isChanged(SettingId::GasPoint, gas)) << gas;
    }
}

TEST_F(RecordReplyTest, GasTableWithOneShortRecordStoresNothing) {
    std::string shortRecord = gasRecord("CO", "500", "1", "ppm").substr(0, 24);
    std::string body = "GJ,R," + gasRecord("CH4", "100", "1", "%LEL") + "," + kBlankGas + "," +
                       kBlankGas + "," + shortRecord + "," + kBlankGas;
    EXPECT_FALSE(decode(body));
    EXPECT_EQ(model.GasName(0), "");
    EXPECT_TRUE(host.log.empty());
}

TEST_F(RecordReplyTest, GasTableCountAndBadNumbers) {
    EXPECT_FALSE(decode("GJ,R," + kBlankGas + "," + kBlankGas));
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});

    // The third record's full scale is not a number: the two before it stay stored.
    std::string body = "GJ,R," + gasRecord("CH4", "100", "1", "%LEL") + "," +
                       gasRecord("O2", "25.0", "0.1", "vol") + "," +
                       gasRecord("CO", "5x0", "1", "ppm") + "," + kBlankGas + "," + kBlankGas;
    EXPECT_FALSE(decode(body));
    EXPECT_EQ(model.GasName(1), "O2");
    EXPECT_FALSE(model.isChanged(SettingId::GasEnabled, 1));
    EXPECT_EQ(model.GasFullScale(3), -101.0f);
}

// Records at the edges: a name with bytes above 127 keeps its 25-byte width and every byte; a
// full scale or resolution no gas can have is stored as held and named. The write answer of a
// record with such a name is compared byte for byte, so writing it back unchanged is confirmed.
TEST_F(RecordReplyTest, GasRecordsAtTheEdgesAreStoredAsHeld) {
    // The name field is ten bytes: "H2S" and the two bytes of an e with an acute accent.
    const std::string accented = gasRecord("H2S\xC3\xA9", "30.0", "0.1", "ppm");
    ASSERT_EQ(accented.size(), 25u);
    const struct {
        std::string record;
        std::string name;
        float fullScale;
        float resolution;
        std::string reason;  // empty: nothing out of range
    } cases[] = {
        {accented, "H2S\xC3\xA9", 30.0f, 0.1f, ""},
        {gasRecord("\xFF\xFE", "100", "1", "%LEL"), "\xFF\xFE", 100.0f, 1.0f, ""},
        {gasRecord("CH4", "-100", "1", "%LEL"), "CH4", -100.0f, 1.0f,
         "channel 1: full scale -100 is not above 0"},
        {gasRecord("CO", "500", "    0", "ppm"), "CO", 500.0f, 0.0f,
         "channel 1: resolution 0 is not above 0"},
    };
    for (const auto& c : cases) {
        model = InstrumentModel{};
        const std::string body = "GJ,R," + c.record + "," + kBlankGas + "," + kBlankGas + "," +
                                 kBlankGas + "," + kBlankGas;
        ASSERT_TRUE(decode(body)) << c.record;
        EXPECT_EQ(model.GasName(0), c.name);
        EXPECT_EQ(model.GasFullScale(0), c.fullScale) << c.record;
        EXPECT_EQ(model.Resolution(0), c.resolution) << c.record;
        EXPECT_EQ(en(GasScaleProblem(model, 0)), c.reason) << c.record;
        // The instrument's answer to writing the same record back carries the same bytes.
        const std::string answer = "GJ,W," + c.record + "," + kBlankGas + "," + kBlankGas + "," +
                                   kBlankGas + "," + kBlankGas;
        EXPECT_TRUE(decode(answer)) << c.record;
    }
}

// ---- libraries ----

// Fourteen fields: name, full scale, step, unit, element volume, ratio, eight coefficients.
std::string entryFields(const char* name, const char* elemVol, const char* ratioHex = "3F800000") {
    std::string s = std::string(name) + ",100,0.05,ppm," + elemVol + "," + ratioHex;
    const char* coefficients[] = {"3F800000", "40000000", "40400000", "40800000",
                                  "BF800000", "C0000000", "00000000", "3F000000"};
    for (const char* c : coefficients) s += std::string(",") + c;
    return s;
}

TEST_F(RecordReplyTest, SettingsLibraryStoresBothEntries) {
    std::string body = "LS,R,201," + entryFields("CH4 LIB", "0010") + ",201," +
                       entryFields("CO LIB", "FFFF", "C2CA0000");
    EXPECT_TRUE(decode(body));
    EXPECT_EQ(model.LS_Name(0), "CH4 LIB");
    EXPECT_EQ(model.LS_FullScale(0), 100.0f);
    EXPECT_EQ(model.LS_Digit(0), 0.05f);
    EXPECT_EQ(model.LS_Point(0), 2);
    EXPECT_EQ(model.LS_Unit(0), "ppm");
    EXPECT_EQ(model.LS_elem_vol(0), 16);
    EXPECT_EQ(model.LS_Linear1_b(0), 2.0);
    EXPECT_EQ(model.LS_Linear2_a(0), -1.0);
    EXPECT_EQ(model.LS_Linear2_d(0), 0.5);
    EXPECT_EQ(model.LS_elem_vol(1), -1);
    EXPECT_EQ(model.LS_Ratio(1), -101.0f);
    EXPECT_FALSE(model.isChanged(SettingId::LS_Entry, 0));
    EXPECT_FALSE(model.isChanged(SettingId::LS_Entry, 1));
}

TEST_F(RecordReplyTest, SettingsLibraryCountIsChecked) {
    std::string body = "LS,R,201," + entryFields("A", "1") + "," + entryFields("B", "1");
    EXPECT_FALSE(decode(body));  // 29 tokens
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});
    EXPECT_EQ(model.LS_Name(0), "");
}

TEST_F(RecordReplyTest, SettingsLibraryConversionErrorKeepsEarlierFields) {
    // Entry 0 is good; entry 1's ratio is not eight hex digits.
    std::string body =
        "LS,R,201," + entryFields("GOOD", "1") + ",201," + entryFields("HALF", "2", "3F80");
    EXPECT_FALSE(decode(body));
    EXPECT_EQ(model.LS_Name(0), "GOOD");
    EXPECT_FALSE(model.isChanged(SettingId::LS_Entry, 0));
    EXPECT_EQ(model.LS_Name(1), "HALF");
    EXPECT_EQ(model.LS_elem_vol(1), 2);
    EXPECT_EQ(model.LS_Ratio(1), 0.0f);  // the failing field and those after it: as they were
    EXPECT_TRUE(model.isChanged(SettingId::LS_Entry, 1));
}

TEST_F(RecordReplyTest, SensorLibraryReplyFillsIndexesNAndNPlusFifteen) {
    std::string body =
        "LI,R,03," + entryFields("THREE", "0100") + "," + entryFields("EIGHTEEN", "7FFF");
    EXPECT_TRUE(decode(body));
    EXPECT_EQ(model.LI_Name(3), "THREE");
    EXPECT_EQ(model.LI_elem_vol(3), 256);
    EXPECT_EQ(model.LI_Name(18), "EIGHTEEN");
    EXPECT_EQ(model.LI_elem_vol(18), 0x7FFF);
    EXPECT_EQ(model.LI_Name(4), "");
}

TEST_F(RecordReplyTest, SensorLibraryRefusesBadNumbersAndIndexes) {
    EXPECT_FALSE(decode("LI,R,01," + entryFields("A", "8000") + "," + entryFields("B", "1")));
    EXPECT_EQ(model.LI_Name(1), "A");  // stored up to the element volume
    EXPECT_EQ(model.LI_Name(16), "");

    // Table 16 would put its second entry at 31, beyond the library: the first stays stored.
    EXPECT_FALSE(decode("LI,R,10," + entryFields("SIXTEEN", "1") + "," + entryFields("X", "1")));
    EXPECT_EQ(model.LI_Name(16), "SIXTEEN");

    EXPECT_FALSE(decode("LI,R,ZZ," + entryFields("A", "1") + "," + entryFields("B", "1")));
    EXPECT_FALSE(decode("LI,R,FFFF," + entryFields("A", "1") + "," + entryFields("B", "1")));
    EXPECT_FALSE(decode("LI,R,01," + entryFields("A", "1")));
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});
}

// ---- calibration history ----

std::string historyReply(const std::string& gas0,
                         const std::string& rest = "2501021030000012300100") {
    return "SO,R," + gas0 + "," + rest + "," + rest + "," + rest + "," + rest;
}

TEST_F(RecordReplyTest, HistoryStoresDateAndReadings) {
    EXPECT_TRUE(decode(historyReply("991231235959-1.0  20.9")));
    EXPECT_EQ(OleDateToParts(model.CalibDate(0)), (DateTimeParts{2099, 12, 31, 23, 59, 59}));
    EXPECT_EQ(model.CalibBefore(0), -101.0f);
    EXPECT_EQ(model.CalibAfter(0), 20.9f);
    EXPECT_EQ(OleDateToParts(model.CalibDate(4)), (DateTimeParts{2025, 1, 2, 10, 30, 0}));
    EXPECT_EQ(model.CalibBefore(4), 123.0f);
    EXPECT_EQ(model.CalibAfter(4), 100.0f);
}

TEST_F(RecordReplyTest, HistoryDatesRollOverAndNonNumericPartsAreSkipped) {
    EXPECT_TRUE(decode(historyReply("251301000000  1.0  2.0")));  // month 13
    EXPECT_EQ(OleDateToParts(model.CalibDate(0)), (DateTimeParts{2026, 1, 1, 0, 0, 0}));

    // Date not numeric: the date stays, the time is added to it.
    EXPECT_TRUE(decode(historyReply("xx0101120000  1.0  2.0")));
    EXPECT_EQ(OleDateToParts(model.CalibDate(0)), (DateTimeParts{2026, 1, 1, 12, 0, 0}));

    // Time not numeric: only the date.
    EXPECT_TRUE(decode(historyReply("2402291a0000  1.0 *.**")));
    EXPECT_EQ(OleDateToParts(model.CalibDate(0)), (DateTimeParts{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(model.CalibAfter(0), -101.0f);
}

TEST_F(RecordReplyTest, HistoryResultIsTheMarkOfTheLastGas) {
    std::string good = "2501021030000012300100";
    EXPECT_TRUE(decode(historyReply(good.substr(0, 21))));  // gas 0 skipped, gas 4 good
    EXPECT_EQ(model.CalibDate(0), -101.0);
    EXPECT_EQ(model.CalibBefore(1), 123.0f);

    std::string body = "SO,R," + good + "," + good + "," + good + "," + good + "," + good + "0";
    EXPECT_FALSE(decode(body));
    EXPECT_FALSE(decode("SO,R," + good + "," + good));
    EXPECT_TRUE(host.log.empty());
}

}  // namespace
}  // namespace vq::testing
