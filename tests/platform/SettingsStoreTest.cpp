#include "platform/registry/IniSettingsStore.h"
#include "platform/registry/MemorySettingsStore.h"

#include "catalogue/Error.h"
#include "support/TempDir.h"

#include <QFile>
#include <QPoint>

#include <gtest/gtest.h>

#include <algorithm>
#include <pwd.h>
#include <random>
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

namespace {

// The values the window's save writes, in its order.
const std::vector<std::pair<QString, QString>> kSaved = {
    {"FontSize", "8"},          {"FontName", "MS Sans Serif"}, {"FontColor", "-16777208"}, {"MainFormColor", "-16777201"},
    {"FontBold", "0"},          {"FontItalic", "0"},           {"FontUnderline", "0"},     {"LastBase", "PC"},
    {"LastBaseFind", "PS2"},    {"LastPage", "find"},
};

// A save as the window makes it: an error, or "" when it went through.
std::string saveAsTheWindowDoes(SettingsStore& store) {
    return errorOf([&] {
        if (store.openKey(kRootKey, true)) store.writeString("BasePath", "/opt/kodrix/");
        store.openKey(kSettingsKey, true);
        for (const auto& [name, value] : kSaved) store.writeString(name, value);
        store.closeKey();
    });
}

// Whether a fresh store reads back every value saved.
bool readsBackTheSave(const QString& fileName) {
    IniSettingsStore store(fileName);
    if (!store.openKey(kSettingsKey, false)) return false;
    for (const auto& [name, value] : kSaved)
        if (store.readString(name) != value) return false;
    return true;
}

}  // namespace

// Lines that QSettings reads into keys it cannot write again: reading drops
// them, and every save still writes a clean file.
TEST_F(SettingsStoreTest, DamagedLinesNeverStopTheSaves) {
    const char* damages[] = {
        "=v\n", "==\n", "[]\nk=v\n", "[Settings]\n=x\n", "a\\\\b=1\n", "[a/]\nk=1\n", "k\\=1\n", "[x\nk=1\n",
        "[Settings]\nFontSize=@Variant(\\0\\0\\0\\x7f\\0)\n",
    };
    for (const char* damage : damages) {
        SCOPED_TRACE(damage);
        dir.write("Vorlenta/Kodrix.ini", std::string("[Settings]\nFontName=Old\n") + damage + "[Other]\nKept=yes\n");
        IniSettingsStore store;
        EXPECT_EQ(saveAsTheWindowDoes(store), "(no error)");
        EXPECT_EQ(saveAsTheWindowDoes(store), "(no error)");  // and the next one
        EXPECT_TRUE(readsBackTheSave(QString::fromStdString(file().string())));
        IniSettingsStore reader;
        ASSERT_TRUE(reader.openKey("Software\\Vorlenta\\Kodrix\\Other", false));
        EXPECT_EQ(reader.readString("Kept"), "yes");  // what is not damaged stays
    }
}

TEST_F(SettingsStoreTest, RandomlyDamagedFilesNeverStopTheSaves) {
    // The file a save writes, damaged at random places: characters that mean
    // something in an INI file inserted, or any byte put in, taken out or
    // overwritten.
    {
        IniSettingsStore store;
        ASSERT_EQ(saveAsTheWindowDoes(store), "(no error)");
    }
    const std::string clean = slurp(file());
    const std::string meaningful = "[]=\\/;#%\"@, \t\r\nk";
    std::mt19937 random(17);
    int failures = 0;
    std::string firstFailure;
    for (int n = 0; n < 100; ++n) {
        std::string damaged = clean;
        for (int edits = 1 + static_cast<int>(random() % 6); edits > 0; --edits) {
            const std::size_t at = random() % (damaged.size() + 1);
            const char byte = static_cast<char>(random() % 256);
            switch (n % 2 ? 3 : random() % 3) {
            case 0: if (at < damaged.size()) damaged[at] = byte; break;
            case 1: damaged.insert(at, 1, byte); break;
            case 2: if (at < damaged.size()) damaged.erase(at, 1); break;
            default: damaged.insert(at, 1, meaningful[random() % meaningful.size()]); break;
            }
        }
        dir.write("Vorlenta/Kodrix.ini", damaged);
        IniSettingsStore store;
        if (store.openKey(kSettingsKey, false))  // reading may report a damaged value; saving must go on
            for (const auto& [name, value] : kSaved) errorOf([&] { store.readString(name); });
        const std::string error = saveAsTheWindowDoes(store);
        if (error != "(no error)" || !readsBackTheSave(QString::fromStdString(file().string()))) {
            if (failures++ == 0) firstFailure = error + " after:\n" + damaged;
        }
    }
    EXPECT_EQ(failures, 0) << firstFailure;
}

// A settings file kept elsewhere and linked into place: the save writes the
// file the link leads to, which keeps its permissions; the link stays.
TEST_F(SettingsStoreTest, ALinkedFileIsWrittenThroughAndKeepsItsMode) {
    const auto real = dir.write("elsewhere/settings.ini", "[Settings]\nFontName=Old\n");
    std::filesystem::permissions(real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_directories(file().parent_path());
    std::filesystem::create_symlink("../elsewhere/settings.ini", file());
    IniSettingsStore store;
    EXPECT_EQ(saveAsTheWindowDoes(store), "(no error)");
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_TRUE(readsBackTheSave(QString::fromStdString(real.string())));
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
    EXPECT_EQ(filesIn(file().parent_path()), std::vector<std::string>{"Kodrix.ini"});
    EXPECT_EQ(filesIn(real.parent_path()), std::vector<std::string>{"settings.ini"});
}

// A file far larger than any the program writes is set aside unread, once,
// with a notice; the store starts empty and saves a fresh file.
TEST_F(SettingsStoreTest, AFileFarTooLargeIsSetAsideWithANotice) {
    const std::string head = "[Settings]\nLastPage=graphik\nFiller=";
    const auto fileOf = [&](std::size_t size) { return head + std::string(size - head.size() - 1, 'x') + "\n"; };
    const std::string path = file().string();
    const struct {
        std::size_t size;
        const char* lastPage;  // read at the start
        std::vector<std::string> files;
    } cases[] = {
        {IniSettingsStore::kMaxFileBytes, "graphik", {"Kodrix.ini"}},
        {IniSettingsStore::kMaxFileBytes + 1, "", {"Kodrix.ini", "Kodrix.ini.damaged"}},
        {100u << 20, "", {"Kodrix.ini", "Kodrix.ini.damaged", "Kodrix.ini.damaged.2"}},  // the first one set aside stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        // Past a few megabytes the content no longer matters: the rest is sparse.
        dir.write("Vorlenta/Kodrix.ini", fileOf(std::min<std::size_t>(c.size, 2u << 20)));
        std::filesystem::resize_file(file(), c.size);
        IniSettingsStore store;
        const QStringList notices = store.takeNotices();
        store.openKey(kSettingsKey, false);
        EXPECT_EQ(store.readString("LastPage"), c.lastPage);
        if (*c.lastPage) {
            EXPECT_TRUE(notices.isEmpty());
            continue;
        }
        const std::string aside = path + (c.files.size() == 2 ? ".damaged" : ".damaged.2");
        EXPECT_EQ(notices, QStringList{QString::fromStdString("Файл настроек \"" + path + "\" испорчен (слишком велик) и "
                                                              "переименован в \"" + aside + "\". Настройки взяты по умолчанию.")});
        EXPECT_TRUE(store.takeNotices().isEmpty());  // told once
        EXPECT_EQ(saveAsTheWindowDoes(store), "(no error)");
        EXPECT_LT(std::filesystem::file_size(file()), 4096u);
        EXPECT_EQ(filesIn(file().parent_path()), c.files);
        EXPECT_EQ(std::filesystem::file_size(aside), c.size);
    }
}

// Where the settings go: the configuration folder, the home folder (from
// the account entry when HOME is unset), never a relative folder or the root.
TEST_F(SettingsStoreTest, SettingsGoToTheUsersHomeOrNowhere) {
    struct RestoreHome {
        QByteArray saved = qgetenv("HOME");
        bool had = qEnvironmentVariableIsSet("HOME");
        ~RestoreHome() { had ? qputenv("HOME", saved) : qunsetenv("HOME"); }
    } restoreHome;
    const passwd* account = ::getpwuid(::getuid());
    const QString accountHome = account ? QString::fromLocal8Bit(account->pw_dir) : QString();
    const QString fromAccount = accountHome.size() > 1 ? accountHome + "/.config/Vorlenta/Kodrix.ini" : QString();
    const char* unset = nullptr;
    const struct {
        const char* xdg;
        const char* home;
        QString fileName;
    } cases[] = {
        {"/cfg", "/home/u", "/cfg/Vorlenta/Kodrix.ini"},
        {unset, "/home/u", "/home/u/.config/Vorlenta/Kodrix.ini"},
        {"relative", "/home/u/", "/home/u/.config/Vorlenta/Kodrix.ini"},  // a relative configuration folder is ignored
        {unset, unset, fromAccount},
        {"", "", fromAccount},
        {unset, "/", ""},
        {unset, "//", ""},
        {unset, "home", ""},
        {"/", "/home/u", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " " + (c.home ? c.home : "(unset)"));
        c.xdg ? qputenv("XDG_CONFIG_HOME", c.xdg) : qunsetenv("XDG_CONFIG_HOME");
        c.home ? qputenv("HOME", c.home) : qunsetenv("HOME");
        EXPECT_EQ(IniSettingsStore::defaultFileName(), c.fileName);
        const auto store = openUserSettings();
        const QStringList notices = store->takeNotices();
        if (!c.fileName.isEmpty()) {
            EXPECT_TRUE(notices.isEmpty());
            continue;
        }
        // Nowhere to keep them: the settings of this run stay in memory, said once.
        ASSERT_EQ(notices.size(), 1);
        EXPECT_TRUE(notices[0].startsWith("Настройки не будут сохранены")) << notices[0].toStdString();
        EXPECT_EQ(saveAsTheWindowDoes(*store), "(no error)");
    }
}
