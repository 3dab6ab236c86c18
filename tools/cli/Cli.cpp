#include "Cli.h"
#include "catalogue/CatalogueNames.h"

#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "catalogue/GameEntry.h"
#include "catalogue/GameSearch.h"
#include "catalogue/IntegerText.h"
#include "catalogue/Parallel.h"
#include "catalogue/TextList.h"
#include "catalogue/WalkthroughTable.h"
#include "catalogue/PlatformStatistics.h"
#include "catalogue/Collation.h"
#include "platform/jpeg/JpegDecoder.h"
#include "platform/richedit/RtfReader.h"
#include "tools/cli/CodeGrep.h"
#include "platform/FileReplacement.h"
#include "tools/cli/IconModule.h"
#include "tools/cli/Output.h"

#include <algorithm>
#include <dlfcn.h>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace kodrix::cli {
namespace {

constexpr const char* kUsage =
    "usage: kodrix-cli [--catalogue DIR] COMMAND [ARGS]\n"
    "       kodrix-cli --help | --version\n"
    "  platforms                      the platforms, as the program lists them\n"
    "  groups PLATFORM                the platform's letter groups\n"
    "  count PLATFORM                 the number of game-list lines of the platform\n"
    "  games PLATFORM GROUP           the group's games\n"
    "  codes PLATFORM GROUP GAME      the game's code text, one string per line\n"
    "  search PLATFORM QUERY          the platform's games whose names contain QUERY, any case\n"
    "  grep PATTERN [--platform P]    every code line containing PATTERN, any case, of every platform\n"
    "                                 (or of P): \"PLATFORM<TAB>GAME<TAB>LINE\"\n"
    "  icon PLATFORM INDEX OUT.png    writes icon INDEX of the platform's icon library;\n"
    "                                 prints the index, and \"substitute\" when the library lacks it\n"
    "  stats                          what the chart shows: \"COUNT NAME\" per platform, then the totals\n"
    "  walkthroughs                   the walkthroughs' display names, as the program lists them\n"
    "  walkthrough NAME               the text of walkthrough NAME's document\n"
    "  screenshot NAME KEY OUT.jpg    writes screenshot \"img\"+KEY of walkthrough NAME; prints WIDTHxHEIGHT\n"
    "The catalogue is the executable's folder unless --catalogue is given.\n"
    "Names are matched without regard to case; input and output are UTF-8.\n";

// How many letter groups grep searches at once, at most.
constexpr unsigned kMaxGrepThreads = 4;

// A usage mistake: the text goes to stderr with the usage, exit code 2.
struct UsageError {
    std::string text;
};

struct Context {
    std::filesystem::path programDir;
    Output& out;
    Output& err;
};

void printList(Output& out, const std::vector<std::string>& names) {
    for (const auto& n : names) out.line(n);
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
std::string listingFailure(const FileError& failed) {
    return messages::cannotListFolder(displayPath(failed.path), failed.errnoValue);
}

void checkListed(const std::optional<FileError>& failed) {
    if (failed) throw Error(listingFailure(*failed));
}

int listPlatformsCommand(Context& c) {
    Listing l = listPlatforms(c.programDir);
    checkListed(l.error);
    if (l.noDatabase) throw Error(messages::noDatabase());
    printList(c.out, inListOrder(l.names, true));
    return 0;
}

int listGroupsCommand(Context& c, const std::string& platform) {
    const auto dir = platformFolder(c, platform);
    Listing l = listLetterGroups(c.programDir, cp1251::fromUtf8(platform));
    checkListed(l.error);
    if (l.noDatabase) throw Error(messages::noDatabase());
    printList(c.out, inListOrder(l.names, true));
    return 0;
}

int countCommand(Context& c, const std::string& platform) {
    const auto dir = platformFolder(c, platform);
    PlatformCount count = countPlatformCodes(dir);
    checkListed(count.error);
    if (count.noDatabase) throw Error(messages::noDatabase());
    c.out.text(std::to_string(count.total) + '\n');
    return 0;
}

int listGamesCommand(Context& c, const std::string& platform, const std::string& group) {
    const auto dir = platformFolder(c, platform);
    const ResolvedFile list = openPlatformFile(dir, names::groupList(groupName(group)));
    if (!list.opened()) list.failure().raise();
    // The lines go straight into the sorted list, kept as compactly as the
    // window keeps them.
    const TextLines sorted = collation::inOrder(readTextLines(list.file));
    std::string utf8;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        utf8 = cp1251::toUtf8(sorted[i]);
        utf8 += '\n';
        c.out.text(utf8);
    }
    return 0;
}

// The game's whole code text, begin..end, streamed line by line: a range of
// four billion IDs goes on until the reader stops reading. A reader that
// stops (a closed pipe: `| head`) ends the text normally; any other failure
// to write is an error.
int codesCommand(Context& c, const std::string& platform, const std::string& group, const std::string& game) {
    const GameRead r = readGame(platformFolder(c, platform), groupName(group), cp1251::fromUtf8(game),
                                [&](std::string_view line) {
                                    c.out.line(line);
                                    return true;
                                });
    for (const auto& report : r.reports) c.err.line(report.message);
    return r.ok() ? 0 : 1;
}

// The search tab's search without its window: every group of the platform,
// the names containing the query in any letter case, in the order of the
// result list. A query may find every name of the platform, so the names
// are kept as the lists keep them and written in large pieces. A query with
// a character code page 1251 cannot hold finds nothing.
int searchCommand(Context& c, const std::string& platform, const std::string& query) {
    platformFolder(c, platform);
    const std::optional<std::string> held = cp1251::fromUtf8Exact(query);
    PlatformSearch found = searchPlatform(c.programDir, cp1251::fromUtf8(platform),
                                          held ? std::optional<std::string_view>(*held) : std::nullopt);
    if (found.noDatabase) throw Error(messages::noDatabase());
    // In the result list's order (equal names in the order found).
    const TextLines& matches = found.matches;
    std::string utf8;
    for (const std::uint32_t i : collation::order(matches)) {
        cp1251::appendUtf8(utf8, matches[i]);
        utf8 += '\n';
        if (utf8.size() > (1 << 16)) {
            c.out.text(utf8);
            utf8.clear();
        }
    }
    c.out.text(utf8);
    return 0;
}

// Every code line of the library (or of one platform) that contains the
// pattern, matched as the search tab matches names: platforms in the
// chart's order, letter groups in the letter list's, games in the list's
// sorted order, lines in ID order.
int grepCommand(Context& c, const std::vector<std::string>& args) {
    std::optional<std::string> platform, pattern;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args.size() > 1 && args[i] == "--platform" && i + 1 < args.size() && !platform)
            platform = args[++i];
        else if (args.size() > 1 && args[i].rfind("--platform=", 0) == 0 && !platform)
            platform = args[i].substr(11);
        else if (!pattern)
            pattern = args[i];
        else
            throw UsageError{"grep takes PATTERN [--platform P]"};
    }
    if (!pattern) throw UsageError{"grep takes PATTERN [--platform P]"};

    std::vector<std::string> platforms;  // as the chart shows them: upper case, in its order
    if (platform) {
        platformFolder(c, *platform);
        platforms.push_back(cp1251::upper(cp1251::fromUtf8(*platform)));
    } else {
        const Listing listed = listPlatforms(c.programDir);
        checkListed(listed.error);
        if (listed.noDatabase) throw Error(messages::noDatabase());
        platforms = inListOrder(listed.names, true);
    }
    std::vector<GrepGroup> groups;
    bool complete = true;
    for (const std::string& name : platforms) {
        const std::filesystem::path dir = platformDir(c.programDir, name);
        const Listing listed = listLetterGroups(c.programDir, name);
        if (listed.error) {
            c.err.line(listingFailure(*listed.error));
            complete = false;
        } else if (listed.noDatabase) {
            // One platform asked for is an error, as the other verbs have it;
            // among all, it is reported and the others are searched.
            if (platform) throw Error(messages::noDatabase());
            c.err.line(name + ": " + messages::noDatabase());
        }
        for (const std::string& group : inListOrder(listed.names, true)) groups.push_back({name, dir, group});
    }
    // A pattern with a character code page 1251 cannot hold matches nothing.
    const std::optional<std::string> held = cp1251::fromUtf8Exact(*pattern);
    if (!held) return complete ? 0 : 1;
    const GameMatcher matcher(*held);
    // A group at a time per core, up to a few: each holds a module.
    const unsigned threads = workerThreads(kMaxGrepThreads);
    if (!grepGroups(groups, matcher, c.out, c.err, threads)) complete = false;
    return complete ? 0 : 1;
}

int iconCommand(Context& c, const std::string& platform, const std::string& indexText, const std::string& outPath) {
    auto index = parseInteger(indexText);
    if (!index) throw UsageError{"INDEX must be an integer: " + indexText};
    const auto dir = platformFolder(c, platform);
    ResolvedFile library = openPlatformFile(dir, names::kIconLibrary);
    if (!library.exists()) throw Error(cp1251::fromUtf8("kodrix-cli: the platform has no icon library kodrix32.icl"));
    // As the program does: only the low 16 bits of the entry's value select the icon.
    int used = 0, substitute = 0;
    char error[1024];
    if (iconWriter()(library.path.c_str(), static_cast<unsigned>(*index & 0xFFFF), outPath.c_str(), &used, &substitute,
                     error, sizeof error) != 0)
        throw Error(error);
    c.out.text(std::to_string(used) + (substitute ? " substitute" : "") + '\n');
    return 0;
}

// The walkthrough table as the program builds it at start-up. It holds as
// many walkthroughs as the program's, but takes room only for the modules
// there are: filling the program's 60,000 entries would cost a one-off
// command more than its work.
WalkthroughTable walkthroughTable(const Context& c) {
    std::size_t modules = 0;
    if (const auto sol = findEntry(c.programDir, names::kWalkthroughFolder, EntryKind::Directory)) {
        if (const auto entries = listFilesWithExtension(*sol, names::kModuleExtension)) modules = entries->size();
    }
    WalkthroughTable table(std::min(modules, WalkthroughTable::kCapacity));
    table.build(c.programDir, [](std::string_view name) { return collation::sortKey(name); });
    return table;
}

int listWalkthroughsCommand(Context& c) {
    printList(c.out, inListOrder(walkthroughTable(c).displayNames(), false));
    return 0;
}

int screenshotCommand(Context& c, const std::string& nameUtf8, const std::string& keyUtf8, const std::string& outPath) {
    const WalkthroughTable table = walkthroughTable(c);
    const auto i = table.findWalkthrough(cp1251::fromUtf8(nameUtf8));
    if (!i) throw Error(cp1251::fromUtf8("kodrix-cli: no walkthrough \"" + nameUtf8 + "\" in the catalogue"));
    const std::vector<std::uint8_t> bytes = table.readScreenshot(c.programDir, *i, cp1251::fromUtf8(keyUtf8));
    jpeg::Header header;  // the header, as the viewer reads it
    if (const int code = jpeg::readHeader(bytes, header)) throw Error(messages::jpegError(code));
    // Whole or not at all: an existing file stays as it was when the new one
    // cannot be written.
    if (const auto failure = files::replaceFileContent(
            outPath, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}))
        throw Error(messages::cannotCreateFile(cp1251::fromUtf8(outPath), failure->errnoValue));
    c.out.text(std::to_string(header.width) + 'x' + std::to_string(header.height) + '\n');
    return 0;
}

int walkthroughCommand(Context& c, const std::string& nameUtf8) {
    const WalkthroughTable table = walkthroughTable(c);
    const auto i = table.findWalkthrough(cp1251::fromUtf8(nameUtf8));
    if (!i) throw Error(cp1251::fromUtf8("kodrix-cli: no walkthrough \"" + nameUtf8 + "\" in the catalogue"));
    const std::vector<std::uint8_t> document = table.readDocument(c.programDir, *i);
    // The document's text as the walkthrough view reads it: RTF, else UTF-16.
    const auto text = rtf::documentPlainText(document, u"\n");
    if (!text) throw Error(messages::failedToLoadStream());
    c.out.text(cp1251::utf16ToUtf8(*text));
    if (!text->empty() && text->back() != u'\n') c.out.text("\n");
    return 0;
}

int statsCommand(Context& c) {
    const Listing platforms = listPlatforms(c.programDir);
    if (platforms.noDatabase) c.err.line(messages::noDatabase());
    const std::int64_t walkthroughs = static_cast<std::int64_t>(walkthroughTable(c).N);
    StatisticsEvents events;
    events.noDatabase = [&](const std::string&) { c.err.line(messages::noDatabase()); };
    events.barAdded = [&](const StatisticsBar& bar) {
        c.out.text(std::to_string(bar.value) + ' ');
        c.out.line(bar.label);
    };
    if (auto title = buildStatistics(c.programDir, inListOrder(platforms.names, true), walkthroughs, events))
        c.out.line(*title);
    return 0;
}

int runCommand(Context& c, const std::vector<std::string>& a) {
    if (a.empty()) throw UsageError{"no command given"};
    const std::string& verb = a[0];
    if (verb == "grep") return grepCommand(c, std::vector<std::string>(a.begin() + 1, a.end()));
    const struct {
        const char* name;
        std::size_t arguments;
    } commands[] = {{"platforms", 0}, {"groups", 1}, {"count", 1}, {"games", 2}, {"codes", 3}, {"icon", 3},
                    {"search", 2}, {"stats", 0}, {"walkthroughs", 0}, {"walkthrough", 1}, {"screenshot", 3}};
    auto known = std::find_if(std::begin(commands), std::end(commands), [&](const auto& k) { return verb == k.name; });
    if (known == std::end(commands)) throw UsageError{"unknown command: " + verb};
    if (a.size() != known->arguments + 1)
        throw UsageError{verb + " takes " + std::to_string(known->arguments) + " argument(s)"};

    if (verb == "platforms") return listPlatformsCommand(c);
    if (verb == "groups") return listGroupsCommand(c, a[1]);
    if (verb == "count") return countCommand(c, a[1]);
    if (verb == "games") return listGamesCommand(c, a[1], a[2]);
    if (verb == "codes") return codesCommand(c, a[1], a[2], a[3]);
    if (verb == "search") return searchCommand(c, a[1], a[2]);
    if (verb == "stats") return statsCommand(c);
    if (verb == "walkthroughs") return listWalkthroughsCommand(c);
    if (verb == "walkthrough") return walkthroughCommand(c, a[1]);
    if (verb == "screenshot") return screenshotCommand(c, a[1], a[2], a[3]);
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
    TextLines lines;
    for (const std::string& name : names) lines.append(upperCase ? cp1251::upper(name) : name);
    return collation::inOrder(std::move(lines)).toStrings();
}

namespace {
IconWriter& installedIconWriter() {
    static IconWriter writer = nullptr;
    return writer;
}
}  // namespace

void setIconWriter(IconWriter writer) { installedIconWriter() = writer; }

IconWriter iconWriter() {
    IconWriter& writer = installedIconWriter();
    if (writer) return writer;
    // The image module beside the program, loaded once and kept.
    const std::filesystem::path module = executableDir() / "kodrix-cli-icon.so";
    if (void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL))
        writer = reinterpret_cast<IconWriter>(::dlsym(handle, "kodrix_cli_write_icon"));
    if (!writer) throw Error(cp1251::fromUtf8("kodrix-cli: the image module " + module.string() + " is missing"));
    return writer;
}

int runCli(const std::vector<std::string>& args, std::ostream& outStream, std::ostream& errStream,
           Terminals terminals) {
    Output out(outStream, terminals.out);
    Output err(errStream, terminals.err, /*reportsFailures=*/false);
    // What goes to stdout before an error message reaches it first, and a
    // refusal met on the way is stdout's to report.
    err.flushesFirst(out);
    Context c{std::filesystem::path(), out, err};
    std::optional<std::filesystem::path> catalogue;
    std::vector<std::string> positional;
    try {
        bool options = true;
        bool help = false;
        bool version = false;
        for (std::size_t i = 0; i < args.size() && !help && !version; ++i) {
            const std::string& arg = args[i];
            if (options && arg == "--") {
                options = false;
            } else if (options && (arg == "-h" || arg == "--help")) {
                help = true;
            } else if (options && arg == "--version") {
                version = true;
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
        int code = 0;
        if (help) {
            out.text(kUsage);
        } else if (version) {
            out.text("kodrix-cli " KODRIX_VERSION "\n");
        } else {
            if (catalogue) {
                std::error_code ec;
                if (!std::filesystem::is_directory(*catalogue, ec))
                    throw UsageError{"not a folder: " + catalogue->string()};
                c.programDir = *catalogue;
            } else {
                c.programDir = executableDir();
            }
            code = runCommand(c, positional);
        }
        // What is still buffered must reach its place too.
        out.finish();
        return code;
    } catch (const OutputFailed& e) {
        // A reader that stops reading (a closed pipe: `| head`) ends the
        // output as a normal end; any other refused write is an error.
        if (e.errnoValue == EPIPE) return 0;
        err.line(messages::cannotWriteOutput(e.errnoValue));
        return 1;
    } catch (const UsageError& e) {
        err.text("kodrix-cli: " + e.text + '\n' + kUsage);
        return 2;
    } catch (const Error& e) {
        err.line(e.message());
        return 1;
    } catch (const std::bad_alloc&) {
        err.line(messages::outOfMemory());
        return 1;
    } catch (const std::exception& e) {
        err.text(std::string(e.what()) + '\n');
        return 1;
    }
}

}  // namespace kodrix::cli
