// Arbitrary bytes and bit patterns into every parser and formatter of the model: nothing may
// crash or trip the sanitizers, and the round-trip properties must hold for every input.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "model/instrument.h"
#include "model/line_tokenizer.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {
namespace {

class ArbitraryInput : public ::testing::Test {
  protected:
    std::mt19937 random{20261207};

    std::string bytes(size_t maxLength) {
        std::string text(std::uniform_int_distribution<size_t>(0, maxLength)(random), '\0');
        for (char& c : text) c = static_cast<char>(random() & 0xFF);
        return text;
    }
    // Mostly characters that matter to the parsers, so the interesting paths are reached.
    std::string nearNumber(size_t maxLength) {
        static const std::string alphabet = "0123456789+-.eE xAFaf*,;'\t\r\x80\xff";
        std::string text(std::uniform_int_distribution<size_t>(0, maxLength)(random), ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        return text;
    }
    float anySingle() { return std::bit_cast<float>(static_cast<uint32_t>(random())); }
};

TEST_F(ArbitraryInput, TextParsersAnswerOrRefuse) {
    InstrumentModel model;
    for (int i = 0; i < 20000; ++i) {
        const std::string text = i % 2 ? bytes(40) : nearNumber(12);
        if (const auto v = ParseNumber(text)) {
            ASSERT_TRUE(std::isfinite(*v)) << text;
            ASSERT_TRUE(IsNumeric(text));
        }
        if (const auto v = ParseSingle(text)) {
            ASSERT_TRUE(std::isfinite(*v)) << text;
        }
        ParseHex(text);
        ParseHex16(text);
        ParseHex32(text);
        ParseInt16(text);
        ParseInt32(text);
        ParseGeneralDate(text);
        DecimalPlaces(text);
        IsNameText(text);
        IsDigitsOnly(text);
        if (const auto v = HexToSingle(text)) {
            ASSERT_EQ(std::bit_cast<uint32_t>(*v), *ParseHex(text)) << text;
        }
        const float level = ParseLevel(text);
        ASSERT_TRUE(std::isfinite(level)) << text;
        ASSERT_EQ(DashIfBlank(text, i % 5).size() > 0, i % 5 < 4 || !TrimText(text).empty());
        GasTitle(text, text, anySingle(), static_cast<int16_t>(random()));
        std::string record = nearNumber(25);
        record.resize(25, ' ');
        DecodeGasRecord(record, model, static_cast<int>(random() % 8) - 1);
        DecodeGasRecord(text, model, 0);
        model.setSerialNo(text);
        ASSERT_FALSE(model.SerialNo().empty());
    }
}

TEST_F(ArbitraryInput, TokenizerWithRandomMarkers) {
    LineTokenizer t;
    for (int i = 0; i < 2000; ++i) {
        if (i % 50 == 0) {
            t.ClearDelimiters();
            t.ClearStrings();
            t.ClearComments();
            for (int k = 0; k < 12; ++k) {
                const std::string marker(1, static_cast<char>(random() & 0xFF));
                switch (random() % 3) {
                    case 0:
                        t.AddDelimiters(marker);
                        break;
                    case 1:
                        t.AddStrings(marker);
                        break;
                    default:
                        t.AddComments(marker);
                        break;
                }
            }
        }
        const std::string line = i % 10 == 0 ? std::string(900, ',') + bytes(2000) : bytes(600);
        const bool complete = t.setSource(line);
        ASSERT_EQ(complete, !t.Overflow());
        ASSERT_LE(t.TokenCount(), 256);
        ASSERT_GE(t.TokenCount(), 0);
        for (int k = -1; k <= 257; ++k) t.Tokens(k);
    }
    // 300 tokens of one byte each.
    t.ClearDelimiters();
    t.ClearStrings();
    t.ClearComments();
    t.AddDelimiters(",");
    std::string many;
    for (int k = 0; k < 300; ++k) many += "\xfe,";
    EXPECT_FALSE(t.setSource(many));
    EXPECT_EQ(t.TokenCount(), 256);
}

TEST_F(ArbitraryInput, EverySingleFormatsAndRoundTrips) {
    for (int i = 0; i < 20000; ++i) {
        const float v = anySingle();
        const auto decimals = static_cast<int16_t>(static_cast<int>(random() % 14) - 2);
        ASSERT_EQ(std::bit_cast<uint32_t>(*HexToSingle(SingleToHex(v))),
                  std::bit_cast<uint32_t>(v));
        ASSERT_EQ(LevelText5(v, decimals).size(), 5u);
        ValueText(v, decimals, i % 2 == 0, 1e30);
        RoundToStep(v, anySingle());
        if (!std::isfinite(v)) continue;
        ASSERT_EQ(ParseSingle(SingleText(v)), v) << SingleText(v);
        // The formatted text is the value within half a unit of its last shown place.
        const int places = decimals >= 0 && decimals <= 9 ? decimals : 0;
        const std::string text = FormatNumber(v, places);
        const auto back = ParseNumber(text);
        ASSERT_TRUE(back) << text;
        ASSERT_LE(std::fabs(*back - static_cast<double>(v)),
                  0.5 * std::pow(10.0, -places) + std::fabs(v) * 1e-7)
            << SingleText(v) << " -> " << text;
    }
}

TEST_F(ArbitraryInput, AnyDateValueOrFieldsFromText) {
    for (int i = 0; i < 20000; ++i) {
        const double date =
            i % 2 ? std::bit_cast<double>((static_cast<uint64_t>(random()) << 32) | random())
                  : std::uniform_real_distribution<double>(-700000, 3000000)(random);
        const std::string text = GeneralDate(date);
        if (const auto parts = OleDateToParts(date)) {
            const auto back = ParseGeneralDate(text);
            ASSERT_TRUE(back) << text;
            ASSERT_EQ(OleDateToParts(*back), parts) << text;
            ASSERT_LE(std::fabs(OleDateToLinear(*back) - OleDateToLinear(date)),
                      0.5 / 86400 + 1e-9);
        } else {
            ASSERT_EQ(text, "");
        }
        const auto field = [&] { return static_cast<int>(random()); };
        RollOleDate(field(), field(), field(), field(), field(), field());
        MakeOleDate(field(), field(), field(), field(), field(), field());
        RollOleDate(2000 + static_cast<int>(random() % 100), static_cast<int>(random() % 100),
                    static_cast<int>(random() % 100), static_cast<int>(random() % 100),
                    static_cast<int>(random() % 100), static_cast<int>(random() % 100));
    }
}

}  // namespace
}  // namespace vq
