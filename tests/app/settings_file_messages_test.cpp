// Every reason the settings file check gives for a line it cannot read, in English and in
// Japanese: each bad line gives its own message with the field and the text it found, and the
// Japanese reasons hold no English word (only the code, the file name and the quoted text of
// the file stay as they are). The port named in the window's lines is translated as well.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "messages/messages.h"
#include "model/instrument.h"

namespace vq {
namespace {

// The library line of a default model with payload field `k` replaced.
std::string libraryLine(int k, const std::string& value) {
    const std::string text = SettingsFileText(InstrumentModel());
    std::string line = text.substr(text.find("LS,W,"));
    line = line.substr(0, line.find("\r\n"));
    std::vector<std::string> tokens;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        tokens.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    tokens.at(static_cast<std::size_t>(k) + 1) = value;
    std::string out;
    for (std::size_t i = 0; i < tokens.size(); ++i) out += (i ? "," : "") + tokens[i];
    return out + "\r\n";
}

struct Case {
    std::string text;
    int id;
    std::vector<std::string> args;  // the message's arguments but the kind's message
    int what = 0;                   // FileFieldNotA: the message of what the field is not
};

std::vector<Case> cases() {
    std::string wide = "LP,W";
    for (int i = 0; i < 300; ++i) wide += ",1";
    return {
        {"LP,W,\r\n", msg::FileFieldMissing, {"1"}},
        {"LP,W,10.44,\r\n", msg::FileFieldNotA, {"1", "10.44"}, msg::FileWhatWholeNumber},
        {"LP,W,99999,\r\n", msg::FileFieldNotA, {"1", "99999"}, msg::FileWhat16Bit},
        {"XT,W,ZZZZ,\r\n", msg::FileFieldNotA, {"1", "ZZZZ"}, msg::FileWhatHex16},
        {libraryLine(3, "abc"), msg::FileFieldNotA, {"3", "abc"}, msg::FileWhatNumber},
        {libraryLine(7, "XYZ"), msg::FileFieldNotA, {"7", "XYZ"}, msg::FileWhatHexDigits},
        {libraryLine(4, "0.2222"), msg::FileResolutionDecimals, {"0", "0.2222"}},
        {"GJ,W,CH4,\r\n", msg::FileNotGasRecord, {"1"}},
        {"A1,W, 10, 19.5, abc, 25, 2.5,\r\n", msg::FileLevelNotNumber, {"3", "abc"}},
        {"A1,W, 10, -5, *****, 25, 2.5,\r\n", msg::FileLevelNegative, {"2", "-5"}},
        {wide + "\r\n", msg::FileTooManyFields, {}},
        {"; nothing\r\nZZ,W,1,\r\n", msg::FileNoSettingsLines, {}},
    };
}

std::string expected(const Case& c) {
    std::vector<std::string> args = c.args;
    if (c.what != 0) args.push_back(ResMessage(c.what));
    return ResMessage(c.id, args);
}

// Letters a-z three or more in a row: an English word left in a Japanese text.
bool hasEnglishWord(std::string text) {
    text = std::regex_replace(text, std::regex("\"[^\"]*\""), "");  // the file's own text
    return std::regex_search(text, std::regex("[A-Za-z]{3,}"));
}

TEST(SettingsFileMessages, EveryReasonInBothLanguages) {
    for (const Language language : {Language::English, Language::Japanese}) {
        setLanguage(language);
        for (const Case& c : cases()) {
            InstrumentModel m;
            SettingsReadResult r = ReadSettingsText(m, c.text);
            ASSERT_FALSE(r.ok) << c.text;
            const std::string want = expected(c);
            if (c.id == msg::FileNoSettingsLines) {
                EXPECT_EQ(r.reason, want);
            } else {
                const std::string code = c.text.substr(0, 2);
                EXPECT_EQ(r.reason, code + ": " + want) << c.text.substr(0, 60);
                EXPECT_EQ(r.line, 1);
            }
            r.file = "/tmp/a.vqs";
            const std::string shown = r.message();
            if (language == Language::Japanese) {
                std::string rest = shown.substr(shown.find(": ") + 2);
                rest = rest.substr(rest.find(": ") == std::string::npos ? 0 : rest.find(": ") + 2);
                EXPECT_FALSE(hasEnglishWord(rest)) << shown;
                if (r.line > 0) {
                    EXPECT_NE(shown.find("行目"), std::string::npos) << shown;
                }
            } else {
                EXPECT_EQ(shown.rfind("/tmp/a.vqs", 0), 0u) << shown;
            }
        }
    }
    setLanguage(Language::English);
    // The English reasons read as they always have.
    InstrumentModel m;
    EXPECT_EQ(ReadSettingsText(m, "LP,W,10.44,\r\n").reason,
              "LP: field 1 \"10.44\" is not a whole number");
    SettingsReadResult located = ReadSettingsText(m, "LP,W,\r\n");
    located.file = "x.vqs";
    EXPECT_EQ(located.message(), "x.vqs, line 1: LP: field 1 is missing");
}

}  // namespace
}  // namespace vq
