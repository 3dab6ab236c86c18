#include "catalogue/IniProfile.h"

#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "catalogue/IntegerText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>


using namespace kodrix;

namespace {
std::string cp(const char* utf8) { return cp1251::fromUtf8(utf8); }
}  // namespace

TEST(IniProfile, ProfileRulesTable) {
    struct Case {
        const char* what;
        std::string ini;
        std::string section, key, value;
    };
    const std::string longValue(3000, 'v');
    const Case cases[] = {
        {"plain", "[Game]\r\nbegin=10\r\n", "Game", "begin", "10"},
        {"section name ignores case", "[mortal strike]\nbegin=1\n", "MORTAL STRIKE", "begin", "1"},
        {"key name ignores case", "[G]\nBEGIN=1\n", "G", "Begin", "1"},
        {"Cyrillic names ignore case", cp("[игра ёж]\nКлюч=5\n"), cp("ИГРА ЁЖ"), cp("кЛЮЧ"), "5"},
        {"blanks around names and value", "  [ G ]  \n  key  =  a b  \t\n", " G ", " key ", "a b"},
        {"asked names are trimmed", "[G]\nk=1\n", "  G\t", " k ", "1"},
        {"split at the first =", "[G]\nk = a=b\n", "G", "k", "a=b"},
        {"matching double quotes dropped", "[G]\nk=\" a \"\n", "G", "k", " a "},
        {"unmatched quote kept", "[G]\nk=\"abc\n", "G", "k", "\"abc"},
        {"single quote is not stripped", "[G]\nk='abc'\n", "G", "k", "'abc'"},
        {"lone quote kept", "[G]\nk=\"\n", "G", "k", "\""},
        {"comment line never matches", "[G]\n;k=1\n k=2\n", "G", "k", "2"},
        {"semicolon later is value", "[G]\nk=1 ; note\n", "G", "k", "1 ; note"},
        {"hash is not a comment", "[G]\n#k=1\n", "G", "#k", "1"},
        {"first of equal keys", "[G]\nk=1\nK=2\n", "G", "k", "1"},
        {"first of equal sections only", "[G]\na=1\n[g]\na=2\nb=3\n", "G", "b", ""},
        {"second section of same name not searched", "[G]\n[X]\n[G]\nk=2\n", "G", "k", ""},
        {"key of another section", "[A]\nk=1\n[B]\nj=2\n", "B", "k", ""},
        {"before first section unreachable", "k=1\n[G]\n", "G", "k", ""},
        {"line without = is no key", "[G]\nk\nk=2\n", "G", "k", "2"},
        {"name up to the last ]", "[Game [Beta]] tail\nk=1\n", "Game [Beta]", "k", "1"},
        {"[ without ] is not a section", "[G]\n[broken\nk=1\n", "G", "k", "1"},
        {"lone CR and LF end lines", "[G]\rk=1\nj=2", "G", "j", "2"},
        {"LF CR is two ends", "[G]\n\rk=1\n", "G", "k", "1"},
        {"empty value", "[G]\nk=\n", "G", "k", ""},
        {"absent key", "[G]\nk=1\n", "G", "x", ""},
        {"absent section", "[G]\nk=1\n", "H", "k", ""},
        {"empty key name", "[G]\n=1\n", "G", "", ""},
        {"trailing ^Z trimmed", "[G]\nk=1\x1A", "G", "k", "1"},
        {"zero byte ends the text", std::string("[G]\nk=1\n\0j=2\n", 14), "G", "j", ""},
        {"value cut at 2047 bytes", "[G]\nk=" + longValue + "\n", "G", "k", std::string(2047, 'v')},
        {"cut after the quotes go", "[G]\nk=\"" + std::string(2047, 'q') + "\"\n", "G", "k", std::string(2047, 'q')},
    };
    for (const auto& c : cases) {
        // The first look-ups scan the text; later ones go through an index of the sections.
        const IniProfile ini = IniProfile::fromBytes(c.ini);
        EXPECT_EQ(ini.readString(c.section, c.key), c.value) << c.what << " (scanned)";
        for (int i = 0; i < 8; ++i) ini.hasSection("warm-up");
        EXPECT_EQ(ini.readString(c.section, c.key), c.value) << c.what << " (indexed)";
    }
}

TEST(IniProfile, FilesAreReadAndAMissingOneSaysWhy) {
    test::TempDir dir;
    auto p = dir.write("M.ini", "[MORTAL STRIKE]\r\nbegin=120\r\nend=134\r\nicon=7\r\n");
    auto file = FileHandle::open(p);
    ASSERT_TRUE(file);
    auto ini = IniProfile::read(*file);
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini->readInteger("Mortal Strike", "end"), 134);
    EXPECT_TRUE(ini->hasSection("mortal strike"));

    const auto gone = FileHandle::open(dir.path() / "gone.ini");
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.reason().errnoValue, ENOENT);
    EXPECT_EQ(gone.reason().path, dir.path() / "gone.ini");
    const std::string text = "Cannot open file \"" + (dir.path() / "gone.ini").string() + "\". No such file or directory";
    EXPECT_EQ(gone.reason().message(), text);
    try {
        gone.reason().raise();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), text);
    }
}

TEST(IniProfile, ManySectionsAreIndexedOnce) {
    std::string text;
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        text += "[Game " + std::to_string(i) + "]\r\nbegin=" + std::to_string(i * 10) + "\r\nend=" +
                std::to_string(i * 10 + 9) + "\r\nicon=" + std::to_string(i % 50) + "\r\n";
    auto ini = IniProfile::fromBytes(text);
    long long sum = 0;
    for (int i = 0; i < n; ++i) sum += ini.readInteger("game " + std::to_string(i), "END");
    EXPECT_EQ(sum, 10LL * n * (n - 1) / 2 + 9LL * n);
}

TEST(IntegerText, FormsAndBoundaries) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},
        {" 12", 12},
        {"   -3", -3},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4294967296", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"$7fffffff", 2147483647},
        {"$000000010", 16},           // leading zeros do not count against 32 bits
        {"$100000000", std::nullopt},  // a 33rd bit
        {"0x10", 16},
        {"0X1f", 31},
        {"x1F", 31},
        {"X1f", 31},
        {" $A", 10},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"x", std::nullopt},
        {"$G", std::nullopt},
        {"-$10", std::nullopt},  // a sign only before decimal digits
        {"+0x10", std::nullopt},
        {"12 ", std::nullopt},
        {"\t12", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"- 5", std::nullopt},
        {"1.0", std::nullopt},
        {"1,000", std::nullopt},
        {"1e3", std::nullopt},
        {"0b1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(IntegerText, ConversionErrorQuotesTheTextAsRead) {
    for (const char* text : {"", "12 ", " abc"}) {
        try {
            strToInt(text);
            FAIL() << text;
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
    EXPECT_THROW(IniProfile::fromBytes("[G]\n").readInteger("G", "begin"), Error);
}
