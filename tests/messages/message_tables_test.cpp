// The two embedded tables: well formed, the same ids, texts that fit together, and the table file
// format itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "messages/messages.h"

namespace vq {
namespace {

// The argument numbers a text uses ("~2~1" -> {1, 2}).
std::set<int> argumentPlaceholders(const std::string& text) {
    std::set<int> used;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '~') {
            if (text[i + 1] >= '1' && text[i + 1] <= '9') used.insert(text[i + 1] - '0');
            ++i;
        }
    }
    return used;
}

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = byte(i);
        std::size_t length = 1;
        unsigned int low = 0x80, high = 0xBF;  // range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

TEST(MessageTables, EveryTextIsUtf8) {
    // A table saved in another encoding would show as garbage in every window.
    EXPECT_TRUE(isUtf8("\xE6\x97\xA5\xF0\x9F\x98\x80 plain"));
    EXPECT_FALSE(isUtf8("\x93\xFA"));      // the same character in Shift_JIS
    EXPECT_FALSE(isUtf8("\xE6\x97"));      // cut short
    EXPECT_FALSE(isUtf8("\xC0\xAF"));      // overlong "/"
    EXPECT_FALSE(isUtf8("\xED\xA0\x80"));  // a surrogate
    for (Language language : {Language::English, Language::Japanese}) {
        for (int id : messageIds(language)) {
            EXPECT_TRUE(isUtf8(messageTemplate(language, id))) << "id " << id;
        }
    }
}

TEST(MessageTables, EmbeddedTablesParseWithoutErrors) {
    // A bad line would be skipped at run time; here it is named with its line number.
    for (Language language : {Language::English, Language::Japanese}) {
        const auto errors = messageTableErrors(language);
        EXPECT_TRUE(errors.empty())
            << (language == Language::English ? "en " : "ja ") << errors.front();
        EXPECT_GT(messageIds(language).size(), 300u);
    }
}

TEST(MessageTables, BothTablesHoldExactlyTheSameIds) {
    // The rule: every id is in both tables, with no exception (the calibration window's marker
    // 9200 is in both as well).
    const auto en = messageIds(Language::English);
    const auto ja = messageIds(Language::Japanese);
    std::vector<int> onlyEn;
    std::vector<int> onlyJa;
    std::set_difference(en.begin(), en.end(), ja.begin(), ja.end(), std::back_inserter(onlyEn));
    std::set_difference(ja.begin(), ja.end(), en.begin(), en.end(), std::back_inserter(onlyJa));
    EXPECT_TRUE(onlyEn.empty()) << "first id only in English: " << onlyEn.front();
    EXPECT_TRUE(onlyJa.empty()) << "first id only in Japanese: " << onlyJa.front();
    EXPECT_TRUE(hasMessage(Language::Japanese, 9200));
    EXPECT_TRUE(hasMessage(Language::English, 9200));
}

TEST(MessageTables, TranslationsKeepArgumentsAndListShape) {
    for (int id : messageIds(Language::English)) {
        const std::string en = messageTemplate(Language::English, id);
        const std::string ja = messageTemplate(Language::Japanese, id);
        EXPECT_EQ(argumentPlaceholders(en), argumentPlaceholders(ja)) << "id " << id;
        // Grid headers and file filters are split at "|": the same number of parts.
        EXPECT_EQ(std::count(en.begin(), en.end(), '|'), std::count(ja.begin(), ja.end(), '|'))
            << "id " << id;
        EXPECT_FALSE(en.empty()) << "id " << id;
        EXPECT_FALSE(ja.empty()) << "id " << id;
    }
}

// A control named in a Japanese text is named as the Japanese window labels it: the English label
// would send the technician looking for a button that is not on the screen.
TEST(MessageTables, JapaneseTextsNameControlsByTheirJapaneseLabels) {
    std::map<std::string, std::string>
        japaneseOf;  // English text -> its Japanese, where they differ
    for (int id : messageIds(Language::English)) {
        const std::string en = messageTemplate(Language::English, id);
        const std::string ja = messageTemplate(Language::Japanese, id);
        if (en != ja) japaneseOf.emplace(en, ja);
    }
    const std::string open = "\u300c";   // 「
    const std::string close = "\u300d";  // 」
    for (int id : messageIds(Language::Japanese)) {
        const std::string ja = messageTemplate(Language::Japanese, id);
        for (auto start = ja.find(open); start != std::string::npos;
             start = ja.find(open, start + open.size())) {
            const auto end = ja.find(close, start);
            if (end == std::string::npos) break;
            const std::string quoted = ja.substr(start + open.size(), end - start - open.size());
            const auto label = japaneseOf.find(quoted);
            if (label != japaneseOf.end()) {
                ADD_FAILURE() << "id " << id << " quotes \"" << quoted
                              << "\", which the Japanese window shows as \"" << label->second
                              << "\"";
            }
        }
    }
}

TEST(MessageTables, OnlyKnownPlaceholdersAppear) {
    // A tilde before anything but a digit, c or t is silently dropped by the expansion; in a
    // table it can only be a typing error.
    const std::string known = "0123456789cCtT";
    for (Language language : {Language::English, Language::Japanese}) {
        for (int id : messageIds(language)) {
            const std::string text = messageTemplate(language, id);
            for (std::size_t i = text.find('~'); i != std::string::npos;
                 i = text.find('~', i + 2)) {
                EXPECT_TRUE(i + 1 < text.size() && known.find(text[i + 1]) != std::string::npos)
                    << "id " << id << ": " << text;
            }
        }
    }
}

TEST(MessageTables, NamesAreGivenInTheEnglishTableOnly) {
    // The code names ids through the English table; the other table keeps ids and texts, and
    // holds every id the English one names.
    const auto names = messageNames(Language::English);
    EXPECT_GT(names.size(), 250u);
    for (const auto& [id, name] : names) {
        EXPECT_TRUE(hasMessage(Language::Japanese, id)) << name << " = " << id;
    }
    EXPECT_TRUE(messageNames(Language::Japanese).empty());
}

TEST(MessageTables, GeneratedConstantsAreTheTableNames) {
    // The build reads the name column with its own pattern; both readings agree, at both ends
    // of the table and on a name that was carried over from an older constant.
    struct Case {
        int id;
        const char* name;
    };
    const Case cases[] = {
        {msg::AlreadyRunning, "AlreadyRunning"},
        {msg::LanguageTag, "LanguageTag"},
        {msg::NoResponse, "NoResponse"},
        {msg::ChecksumErrorLog, "ChecksumErrorLog"},
        {msg::AnalogLabelCh0, "AnalogLabelCh0"},
        {msg::AnalogLabelExt, "AnalogLabelExt"},
        {msg::SeveralConverters, "SeveralConverters"},
        {msg::FinderError, "FinderError"},
    };
    const auto names = messageNames(Language::English);
    for (const auto& c : cases) {
        const auto found = names.find(c.id);
        ASSERT_NE(found, names.end()) << c.name;
        EXPECT_EQ(found->second, c.name) << c.id;
    }
    EXPECT_EQ(msg::NoResponse, 5405);
    EXPECT_EQ(msg::FinderError, 20015);
}

TEST(MessageTables, LanguageTagAndTitle) {
    EXPECT_EQ(ResMessage(Language::English, msg::LanguageTag), "EN");
    EXPECT_EQ(ResMessage(Language::Japanese, msg::LanguageTag), "JP");
    EXPECT_EQ(ResMessage(Language::English, msg::ApplicationTitle), "VQ-5100 - Setup Program");
    EXPECT_EQ(ResMessage(Language::English, 99), "It has already started.");
}

TEST(MessageTables, FixedWidthListLabelsKeepTheirWidth) {
    // The A/D list lines up its values behind labels of 14 characters, in both languages.
    for (Language language : {Language::English, Language::Japanese}) {
        for (int id = 5611; id <= 5619; ++id) {
            EXPECT_EQ(ResMessage(language, id).size(), 14u) << "id " << id;
        }
    }
    EXPECT_EQ(ResMessage(Language::English, 5611), "ch0 PHOTO     ");
    EXPECT_EQ(ResMessage(Language::English, 5619), "ext -         ");
}

TEST(MessageTables, SettingsCsvHeaderHasItsColumns) {
    // The settings record's header is built from table texts; the gas table header of the
    // factory dialog has 29 columns.
    const std::string gasHeader = ResMessage(Language::Japanese, 8048);
    EXPECT_EQ(std::count(gasHeader.begin(), gasHeader.end(), '|'), 28);
    const std::string calHeader = ResMessage(Language::English, 5666);
    EXPECT_EQ(calHeader, "Gas|Select|Auto Cal.(F)|Current Reading");
    for (int id :
         {9004, 5212, 5213, 5608, 8003, 5601, 5602, 5609, 5610, 8004, 5655, 8010, 8011, 5223, 8009,
          8015, 8036, 8022, 8023, 8019, 8020, 8027, 8026, 8043, 8037, 8028, 8029, 8030, 8032, 8031,
          8033, 8034, 8035, 5648, 5650, 5651, 5652, 5653, 5654, 9001, 9002, 9003, 5603, 8044}) {
        for (Language language : {Language::English, Language::Japanese}) {
            const std::string label = ResMessage(language, id, {"1"});
            EXPECT_TRUE(hasMessage(language, id)) << "id " << id;
            // A comma would split the header cell.
            EXPECT_EQ(label.find(','), std::string::npos) << "id " << id;
        }
    }
}

TEST(MessageTableFormat, LinesCommentsAndEscapes) {
    const auto table = parseMessageTable(
        "\xEF\xBB\xBF# comment\r\n"
        "\n"
        "1\tplain\r\n"
        "2\t\\sleading and trailing\\s\n"
        "3\tback\\\\slash\\ttab\\rcr\\nlf\n"
        "4\tinner  spaces  kept\n"
        "65535\tlast");
    EXPECT_TRUE(table.errors.empty()) << table.errors.front();
    ASSERT_EQ(table.texts.size(), 5u);
    EXPECT_EQ(table.texts.at(1), "plain");
    EXPECT_EQ(table.texts.at(2), " leading and trailing ");
    EXPECT_EQ(table.texts.at(3), "back\\slash\ttab\rcr\nlf");
    EXPECT_EQ(table.texts.at(4), "inner  spaces  kept");
    EXPECT_EQ(table.texts.at(65535), "last");
}

TEST(MessageTableFormat, TheOptionalNameColumn) {
    struct Case {
        const char* line;
        const char* name;  // nullptr: no name
        const char* text;  // nullptr: the line is refused
    };
    const Case cases[] = {
        {"5\tNoResponse\tNo response.~c", "NoResponse", "No response.~c"},
        {"5\tplain text, no name", nullptr, "plain text, no name"},
        {"5\tAnalog_Ch0\t\\sspaced\\s", "Analog_Ch0", " spaced "},
        {"5\tEmptyText\t", "EmptyText", ""},
        {"5\tName\twith a\traw tab", nullptr, nullptr},
        {"5\ttwo words\ttext", nullptr, nullptr},
        {"5\t9Lives\ttext", nullptr, nullptr},
        {"5\t_Reserved\ttext", nullptr, nullptr},
        {"5\t\ttext", nullptr, nullptr},
        {"5\tName \ttext", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto table = parseMessageTable(c.line);
        if (c.text == nullptr) {
            EXPECT_EQ(table.errors.size(), 1u) << c.line;
            EXPECT_TRUE(table.texts.empty()) << c.line;
            EXPECT_TRUE(table.names.empty()) << c.line;
            continue;
        }
        EXPECT_TRUE(table.errors.empty()) << c.line;
        ASSERT_EQ(table.texts.count(5), 1u) << c.line;
        EXPECT_EQ(table.texts.at(5), c.text) << c.line;
        if (c.name == nullptr) {
            EXPECT_TRUE(table.names.empty()) << c.line;
        } else {
            ASSERT_EQ(table.names.count(5), 1u) << c.line;
            EXPECT_EQ(table.names.at(5), c.name) << c.line;
        }
    }
}

TEST(MessageTableFormat, ANameIsGivenOnce) {
    const auto table = parseMessageTable(
        "1\tFirst\tone\n"
        "2\tFirst\ttwo\n"
        "1\tOther\tthe id again\n");
    EXPECT_EQ(table.texts.size(), 1u);
    EXPECT_EQ(table.names, (std::map<int, std::string>{{1, "First"}}));
    ASSERT_EQ(table.errors.size(), 2u);
    EXPECT_NE(table.errors[0].find("First occurs twice"), std::string::npos) << table.errors[0];
    EXPECT_NE(table.errors[1].find("id 1 occurs twice"), std::string::npos) << table.errors[1];
}

TEST(MessageTableFormat, BadLinesAreNamedAndSkipped) {
    const auto table = parseMessageTable(
        "1\tgood\n"
        "no tab here\n"
        "x2\tbad id\n"
        "65536\ttoo big\n"
        "-3\tnegative\n"
        "\tno id\n"
        "4\tunknown \\q escape\n"
        "5\tends in a backslash\\\n"
        "6\ttrailing space \n"
        "7\t leading space\n"
        "8\tName\ta\traw tab\n"
        "1\tduplicate\n"
        "9\t\n");
    EXPECT_EQ(table.texts.size(), 2u);
    EXPECT_EQ(table.texts.at(1), "good");  // the first of a duplicated id stays
    EXPECT_EQ(table.texts.at(9), "");
    ASSERT_EQ(table.errors.size(), 11u);
    EXPECT_EQ(table.errors[0].rfind("line 2:", 0), 0u) << table.errors[0];
    EXPECT_NE(table.errors[10].find("twice"), std::string::npos) << table.errors[10];
}

}  // namespace
}  // namespace vq
