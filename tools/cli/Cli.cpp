#include "Cli.h"
#include "catalogue/CatalogueNames.h"

#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "catalogue/GameEntry.h"
#include "catalogue/IntegerText.h"
#include "catalogue/TextList.h"
#include "platform/SortedStringList.h"
#include "platform/icons/IconExtractor.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace kodrix::cli {
namespace {

constexpr const char* kUsage =
    "usage: kodrix-cli [--catalogue DIR] COMMAND [ARGS]\n"
    "  platforms                      the platforms, as the program lists them\n"
    "  groups PLATFORM                the platform's letter groups\n"
    "  count PLATFORM                 the number of game-list lines of the platform\n"
    "  games PLATFORM GROUP           the group's games\n"
    "  codes PLATFORM GROUP GAME      the game's code text, one string per line\n"
    "  icon PLATFORM INDEX OUT.png    writes icon INDEX of the platform's icon library;\n"
    "                                 prints the index, and \"substitute\" when the library lacks it\n"
    "The catalogue is the executable's folder unless --catalogue is given.\n"
    "Names are matched without regard to case; input and output are UTF-8.\n";

// A usage mistake: the text goes to stderr with the usage, exit code 2.
struct UsageError {
    std::string text;
};

struct Context {
    std::filesystem::path programDir;
    std::ostream& out;
    std::ostream& err;
};

void printLine(std::ostream& os, std::string_view cp1251Text) { os << cp1251::toUtf8(cp1251Text) << '\n'; }

void printList(std::ostream& os, const std::vector<std::string>& names) {
    for (const auto& n : names) printLine(os, n);
}

// The platform's folder, matched as the platform list matches it: a folder
// of the catalogue (any case) that holds a file "base.ini".
std::filesystem::path platformFolder(const Context& c, const std::string& platformUtf8) {
    const std::string name = cp1251::fromUtf8(platformUtf8);
    auto dir = findEntry(c.programDir, name, EntryKind::Directory);
    if (!dir || !findEntry(*dir, names::kPlatformMarker, EntryKind::File))
        throw Error(cp1251::fromUtf8("kodrix-cli: no platform \"" + platformUtf8 + "\" in the catalogue"));
    return *dir;
}

// The letter group as the letter list hands it back: upper case.
std::string groupName(const std::string& groupUtf8) { return cp1251::upper(cp1251::fromUtf8(groupUtf8)); }

// A folder that could not be listed is an error here: an empty answer would
// read as "nothing there".
void checkListed(const std::filesystem::path& dir, int error) {
    if (error) throw Error(messages::cannotListFolder(displayPath(dir), error));
}

int listPlatformsCommand(Context& c) {
    Listing l = listPlatforms(c.programDir);
    checkListed(c.programDir, l.error);
    if (l.noDatabase) throw Error(messages::noDatabase());
    printList(c.out, inListOrder(l.names, true));
    return 0;
}

int listGroupsCommand(Context& c, const std::string& platform) {
    const auto dir = platformFolder(c, platform);
    Listing l = listLetterGroups(c.programDir, cp1251::fromUtf8(platform));
    checkListed(dir, l.error);
    if (l.noDatabase) throw Error(messages::noDatabase());
    printList(c.out, inListOrder(l.names, true));
    return 0;
}

int countCommand(Context& c, const std::string& platform) {
    const auto dir = platformFolder(c, platform);
    PlatformCount count = countPlatformCodes(dir);
    checkListed(dir, count.error);
    if (count.noDatabase) throw Error(messages::noDatabase());
    c.out << count.total << '\n';
    return 0;
}

int listGamesCommand(Context& c, const std::string& platform, const std::string& group) {
    const auto dir = platformFolder(c, platform);
    const ResolvedFile list = openPlatformFile(dir, names::groupList(groupName(group)));
    if (!list.opened()) throwCannotOpen(list.path, list.error);
    // The lines go straight into the sorted list, kept as compactly as the
    // window keeps them.
    SortedStringList sorted;
    sorted.assignLines(readTextLines(list.file));
    std::string utf8;
    for (int i = 0; i < sorted.count(); ++i) {
        utf8 = cp1251::toUtf8(sorted.itemView(i));
        utf8 += '\n';
        c.out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    }
    return 0;
}

int codesCommand(Context& c, const std::string& platform, const std::string& group, const std::string& game) {
    GameRead r = readGame(platformFolder(c, platform), groupName(group), cp1251::fromUtf8(game));
    printList(c.out, r.lines);
    for (const auto& report : r.reports) printLine(c.err, report.message);
    return r.ok() ? 0 : 1;
}

// Silences the process's standard error while it lives: libpng reports a
// damaged image there on its own, which the program would not say.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, 2);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

// Icon extraction decodes and draws images: it needs a GUI application object.
// The terminal has no display, so the offscreen platform is used unless told.
std::unique_ptr<QGuiApplication> ensureGuiApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own start-up notes (a missing runtime folder and the like) are not
    // the command's output: only fatal messages reach stderr.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "kodrix-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

int iconCommand(Context& c, const std::string& platform, const std::string& indexText, const std::string& outPath) {
    auto index = parseInteger(indexText);
    if (!index) throw UsageError{"INDEX must be an integer: " + indexText};
    const auto dir = platformFolder(c, platform);
    ResolvedFile library = openPlatformFile(dir, names::kIconLibrary);
    if (!library.exists()) throw Error(cp1251::fromUtf8("kodrix-cli: the platform has no icon library kodrix32.icl"));

    auto app = ensureGuiApplication();
    // As the program does: only the low 16 bits of the entry's value select
    // the icon, and a damaged image gives the substitute without a word (the
    // image decoder's own complaints are not let through).
    ExtractedIcon icon;
    {
        const QuietStderr quiet;
        icon = extractIcon(std::move(library.file), static_cast<std::uint16_t>(*index & 0xFFFF));
    }
    QFile file(QString::fromUtf8(outPath.c_str()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(cp1251::fromUtf8("Cannot create file \"" + outPath + "\". " + file.errorString().toStdString()));
    if (!icon.image.save(&file, "PNG"))
        throw Error(cp1251::fromUtf8("Cannot create file \"" + outPath + "\". " + file.errorString().toStdString()));
    c.out << icon.indexUsed << (icon.substitute ? " substitute" : "") << '\n';
    return 0;
}

int runCommand(Context& c, const std::vector<std::string>& a) {
    if (a.empty()) throw UsageError{"no command given"};
    const std::string& verb = a[0];
    const struct {
        const char* name;
        std::size_t arguments;
    } commands[] = {{"platforms", 0}, {"groups", 1}, {"count", 1}, {"games", 2}, {"codes", 3}, {"icon", 3}};
    auto known = std::find_if(std::begin(commands), std::end(commands), [&](const auto& k) { return verb == k.name; });
    if (known == std::end(commands)) throw UsageError{"unknown command: " + verb};
    if (a.size() != known->arguments + 1)
        throw UsageError{verb + " takes " + std::to_string(known->arguments) + " argument(s)"};

    if (verb == "platforms") return listPlatformsCommand(c);
    if (verb == "groups") return listGroupsCommand(c, a[1]);
    if (verb == "count") return countCommand(c, a[1]);
    if (verb == "games") return listGamesCommand(c, a[1], a[2]);
    if (verb == "codes") return codesCommand(c, a[1], a[2], a[3]);
    return iconCommand(c, a[1], a[2], a[3]);
}

}  // namespace

std::filesystem::path executableDir() {
    std::error_code ec;
    auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (!ec) return exe.parent_path();
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : cwd;
}

std::vector<std::string> inListOrder(const std::vector<std::string>& names, bool upperCase) {
    SortedStringList list;
    list.setUpperCase(upperCase);
    list.assign(names);
    return list.items();
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Context c{std::filesystem::path(), out, err};
    std::optional<std::filesystem::path> catalogue;
    std::vector<std::string> positional;
    try {
        bool options = true;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (options && arg == "--") {
                options = false;
            } else if (options && (arg == "-h" || arg == "--help")) {
                out << kUsage;
                return 0;
            } else if (options && arg == "--catalogue") {
                if (i + 1 >= args.size()) throw UsageError{"--catalogue needs a folder"};
                catalogue = std::filesystem::path(args[++i]);
            } else if (options && arg.rfind("--catalogue=", 0) == 0) {
                catalogue = std::filesystem::path(arg.substr(12));
            } else if (options && arg.size() > 1 && arg[0] == '-' && positional.empty()) {
                throw UsageError{"unknown option: " + arg};
            } else {
                positional.push_back(arg);
            }
        }
        if (catalogue) {
            std::error_code ec;
            if (!std::filesystem::is_directory(*catalogue, ec))
                throw UsageError{"not a folder: " + catalogue->string()};
            c.programDir = *catalogue;
        } else {
            c.programDir = executableDir();
        }
        return runCommand(c, positional);
    } catch (const UsageError& e) {
        err << "kodrix-cli: " << e.text << '\n' << kUsage;
        return 2;
    } catch (const Error& e) {
        printLine(err, e.message());
        return 1;
    } catch (const std::bad_alloc&) {
        printLine(err, messages::outOfMemory());
        return 1;
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 1;
    }
}

}  // namespace kodrix::cli
