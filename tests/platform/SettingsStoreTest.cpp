#include "platform/registry/IniSettingsStore.h"
#include "platform/registry/MemorySettingsStore.h"

#include "catalogue/Error.h"
#include "support/TempDir.h"

#include <QFile>
#include <QPoint>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

using namespace kodrix;
using namespace kodrix::registry;

namespace {

const QString kRootKey = QStringLiteral("\\Software\\Vorlenta\\Kodrix");
const QString kSettingsKey = QStringLiteral("\\Software\\Vorlenta\\Kodrix\\Settings");

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const Error& e) {
        return e.message();
    }
    return "(no error)";
}

// A configuration folder of the test's own: XDG_CONFIG_HOME points into it.
struct SettingsStoreTest : testing::Test {
    test::TempDir dir;
    QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");

    SettingsStoreTest() { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path().string())); }
    ~SettingsStoreTest() override {
        if (hadXdg)
            qputenv("XDG_CONFIG_HOME", savedXdg);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::path file() const { return dir.path() / "Vorlenta" / "Kodrix.ini"; }
};

}  // namespace

TEST_F(SettingsStoreTest, FileLiesInTheUsersConfigurationFolder) {
    EXPECT_EQ(IniSettingsStore::defaultFileName().toStdString(), file().string());
    EXPECT_EQ(IniSettingsStore().fileName().toStdString(), file().string());
}

TEST_F(SettingsStoreTest, MissingStoreOpensNothingReadsEmptyAndCreatesNothing) {
    IniSettingsStore store;
    EXPECT_FALSE(store.openKey("SOFTWARE\\Vorlenta\\Kodrix\\Settings", false));
    EXPECT_FALSE(store.openKey(kRootKey, false));
    EXPECT_EQ(store.readString("FontName"), "");
    store.closeKey();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Vorlenta"));
}

TEST_F(SettingsStoreTest, SavedValuesReadBackAsTheSameStrings) {
    const std::vector<std::pair<QString, QString>> values = {
        {"FontSize", "8"},           {"FontName", "MS Sans Serif"}, {"FontColor", "-16777208"},
        {"LastBase", "Приставка №1"}, {"LastPage", "graphik"},      {"Listlike", "a, b"},
        {"At", "@Variant(x)"},       {"Empty", ""},                 {"Spaces", "  padded  "},
    };
    {
        IniSettingsStore store;
        ASSERT_TRUE(store.openKey(kRootKey, true));
        store.writeString("BasePath", "/opt/Игры/");
        ASSERT_TRUE(store.openKey(kSettingsKey, true));
        for (const auto& [name, value] : values) store.writeString(name, value);
        store.closeKey();
    }
    const std::string text = slurp(file());
    EXPECT_EQ(filesIn(file().parent_path()), std::vector<std::string>{"Kodrix.ini"});
    EXPECT_NE(text.find("[General]\nBasePath="), std::string::npos) << text;
    EXPECT_NE(text.find("[Settings]\nAt="), std::string::npos) << text;

    IniSettingsStore store;
    ASSERT_TRUE(store.openKey("SOFTWARE\\vorlenta\\KODRIX\\settings", false));  // any case
    for (const auto& [name, value] : values) EXPECT_EQ(store.readString(name.toLower()), value) << name.toStdString();
    ASSERT_TRUE(store.openKey(kRootKey, false));
    EXPECT_EQ(store.readString("BasePath"), "/opt/Игры/");
    EXPECT_EQ(store.readString("FontName"), "");  // another key's value
    store.closeKey();
}

TEST_F(SettingsStoreTest, ValuesOtherThanPlainStringsAreInvalidDataType) {
    dir.write("Vorlenta/Kodrix.ini",
              "[settings]\n"
              "FontName=Arial\n"
              "FontSize=12\n"
              "Empty=\n"
              "Quoted=\"a, b\"\n"
              "List=a, b\n"
              "Bytes=@ByteArray(abc)\n"
              "Variant=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
              "Rect=@Rect(1 2 3 4)\n"
              "Nothing=@Invalid()\n");
    IniSettingsStore store;
    ASSERT_TRUE(store.openKey(kSettingsKey, false));
    const std::vector<std::pair<QString, std::string>> cases = {
        {"FontName", "Arial"}, {"FontSize", "12"}, {"Empty", ""}, {"Quoted", "a, b"}, {"Missing", ""},
        {"List", "!Invalid data type for 'List'"},       {"Bytes", "!Invalid data type for 'Bytes'"},
        {"Variant", "!Invalid data type for 'Variant'"}, {"Rect", "!Invalid data type for 'Rect'"},
        {"Nothing", "!Invalid data type for 'Nothing'"},
    };
    for (const auto& [name, expected] : cases) {
        std::string got;
        try {
            got = store.readString(name).toStdString();
        } catch (const Error& e) {
            got = "!" + e.message();
        }
        EXPECT_EQ(got, expected) << name.toStdString();
    }
    // Writing keeps the section's spelling: no second section appears.
    ASSERT_TRUE(store.openKey(kSettingsKey, true));
    store.writeString("fontname", "Tahoma");
    store.closeKey();
    const std::string text = slurp(file());
    EXPECT_EQ(text.find("[Settings]"), std::string::npos) << text;
    EXPECT_NE(text.find("FontName=Tahoma"), std::string::npos) << text;
}

TEST_F(SettingsStoreTest, KeysOutsideTheProgramsKeyAreNeverThere) {
    IniSettingsStore store;
    for (const char* path : {"Software\\Vorlenta", "Software\\Other\\Kodrix", "", "\\"}) {
        EXPECT_FALSE(store.openKey(path, true)) << path;
        EXPECT_FALSE(store.openKey(path, false)) << path;
    }
    EXPECT_EQ(errorOf([&] { store.writeString("FontName", "x"); }), "Failed to set data for 'FontName'");
}

TEST_F(SettingsStoreTest, UnwritableFolderRefusesEveryWrite) {
    dir.write("Vorlenta", "a file where the folder should be");
    IniSettingsStore store;
    EXPECT_FALSE(store.openKey(kRootKey, true));
    EXPECT_FALSE(store.openKey(kSettingsKey, true));
    EXPECT_EQ(errorOf([&] { store.writeString("FontName", "x"); }), "Failed to set data for 'FontName'");
    store.closeKey();

    if (::geteuid() == 0) return;  // root writes into any folder
    std::filesystem::remove(dir.path() / "Vorlenta");
    const std::string old = "[Settings]\nFontName=Old\n";
    dir.write("Vorlenta/Kodrix.ini", old);
    std::filesystem::permissions(dir.path() / "Vorlenta", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    IniSettingsStore readOnly;
    EXPECT_FALSE(readOnly.openKey(kSettingsKey, true));
    ASSERT_TRUE(readOnly.openKey(kSettingsKey, false));
    EXPECT_EQ(readOnly.readString("FontName"), "Old");
    EXPECT_EQ(errorOf([&] { readOnly.writeString("FontName", "New"); }), "Failed to set data for 'FontName'");
    readOnly.closeKey();
    EXPECT_EQ(slurp(file()), old);
}

// A commit that cannot be written (here: the file size limit, which holds for
// root too) is reported under the first value written, and the previous file
// stays whole.
TEST_F(SettingsStoreTest, FailedCommitKeepsThePreviousFile) {
    const std::string old = "[Settings]\nFontName=Old\nLastPage=code\n";
    dir.write("Vorlenta/Kodrix.ini", old);
    IniSettingsStore store;
    ASSERT_TRUE(store.openKey(kSettingsKey, true));
    store.writeString("FontName", QString(400, QLatin1Char('n')));
    store.writeString("LastPage", "find");
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 300;  // room for the lock file, not for the settings
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::string error;
    try {
        store.closeKey();
    } catch (const Error& e) {
        error = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(error, "Failed to set data for 'FontName'");
    EXPECT_EQ(slurp(file()), old);
    EXPECT_EQ(filesIn(file().parent_path()), std::vector<std::string>{"Kodrix.ini"});  // nothing left behind
}

TEST(MemorySettingsStore, ActsLikeTheStoreAndCanRefuseOrHoldTypedValues) {
    MemorySettingsStore store;
    EXPECT_FALSE(store.openKey(kSettingsKey, false));
    EXPECT_EQ(store.readString("FontName"), "");
    ASSERT_TRUE(store.openKey(kSettingsKey, true));
    store.writeString("FontName", "Arial");
    store.closeKey();
    EXPECT_TRUE(store.hasKey("software\\vorlenta\\kodrix"));
    ASSERT_TRUE(store.openKey("SOFTWARE\\Vorlenta\\Kodrix\\Settings", false));
    EXPECT_EQ(store.readString("fontname"), "Arial");

    store.set(kSettingsKey, "FontSize", QVariant(8));
    EXPECT_EQ(errorOf([&] { store.readString("FontSize"); }), "Invalid data type for 'FontSize'");

    store.refuseWrites = true;
    EXPECT_FALSE(store.openKey(kSettingsKey, true));
    EXPECT_EQ(errorOf([&] { store.writeString("FontName", "x"); }), "Failed to set data for 'FontName'");
    EXPECT_EQ(store.value(kSettingsKey, "FontName")->toString(), "Arial");
}
