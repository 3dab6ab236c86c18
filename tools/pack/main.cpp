// kodrix-pack: builds catalogue files from editable sources, and a large
// synthetic catalogue for benchmarks.
#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/Generator.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"
#include "tools/pack/PeWriter.h"
#include "tools/pack/Unpacker.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <memory>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace kodrix::pack;

namespace {

const char* const kUsage =
    "usage:\n"
    "  kodrix-pack build SRC_DIR OUT_DIR\n"
    "  kodrix-pack unpack CATALOGUE_DIR SRC_DIR        (SRC_DIR new or empty)\n"
    "  kodrix-pack generate OUT_DIR [--seed N] [--platforms N] [--games N] [--big-platform-games N]\n"
    "                       [--groups N] [--codes N] [--walkthroughs N] [--rtf-kb N]\n"
    "  kodrix-pack strings OUT.dll IN.txt          (lines \"ID<TAB>text\", UTF-8)\n"
    "  kodrix-pack icl OUT.icl IMAGE...            (.ico as is; PNG and others converted)\n"
    "  kodrix-pack walkthrough OUT.dll --name TEXT --document DOC.rtf [--image KEY=FILE ...]\n"
    "  kodrix-pack jpeg IN.IMAGE OUT.jpg [--quality N]\n"
    "  kodrix-pack --help | --version\n";

[[noreturn]] void usageError(const std::string& message) {
    throw PackError(message + "\n" + kUsage);
}

std::uint64_t number(std::string_view option, std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) usageError(std::string(option) + ": not a number: " + std::string(text));
    return value;
}

int smallNumber(std::string_view option, std::string_view text) {
    const std::uint64_t value = number(option, text);
    if (value > 1'000'000) usageError(std::string(option) + ": too large: " + std::string(text));
    return static_cast<int>(value);
}

int build(const std::vector<std::string>& args) {
    if (args.size() != 2) usageError("build: expected SRC_DIR OUT_DIR");
    const BuildSummary s = buildCatalogue(fs::u8path(args[0]), fs::u8path(args[1]));
    std::cout << s.platforms << " platforms, " << s.groups << " groups, " << s.games << " games, " << s.codeLines
              << " code lines, " << s.walkthroughs << " walkthroughs\n";
    return 0;
}

int unpack(const std::vector<std::string>& args) {
    if (args.size() != 2) usageError("unpack: expected CATALOGUE_DIR SRC_DIR");
    const UnpackSummary s = unpackCatalogue(fs::u8path(args[0]), fs::u8path(args[1]));
    std::cout << s.platforms << " platforms, " << s.groups << " groups (" << s.keptGroups << " kept as stored), "
              << s.games << " games, " << s.icons << " icons, " << s.walkthroughs << " walkthroughs\n";
    // What could not be read is named, after everything else is unpacked.
    for (const std::string& problem : s.problems) std::cerr << "kodrix-pack: " << problem << "\n";
    return s.problems.empty() ? 0 : 1;
}

int generate(const std::vector<std::string>& args) {
    if (args.empty()) usageError("generate: expected OUT_DIR");
    GeneratorOptions o;
    bool gamesGiven = false;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) usageError(option + ": missing value");
        const std::string& value = args[i + 1];
        if (option == "--seed") o.seed = number(option, value);
        else if (option == "--platforms") o.platforms = smallNumber(option, value);
        else if (option == "--games") o.games = number(option, value), gamesGiven = true;
        else if (option == "--big-platform-games") o.bigPlatformGames = number(option, value);
        else if (option == "--groups") o.groups = smallNumber(option, value);
        else if (option == "--codes") o.codes = smallNumber(option, value);
        else if (option == "--walkthroughs") o.walkthroughs = smallNumber(option, value);
        else if (option == "--rtf-kb") o.rtfKb = smallNumber(option, value);
        else usageError("generate: unknown option " + option);
    }
    // Without --games the other platforms keep their share whatever the big
    // one holds (--big-platform-games 600000 alone: 740,000 games in all).
    if (o.bigPlatformGames > 10'000'000) usageError("--big-platform-games: too large");
    if (!gamesGiven) o.games = o.bigPlatformGames + (GeneratorOptions().games - GeneratorOptions().bigPlatformGames);
    if (o.games > 10'000'000) usageError("--games: too large");
    const GeneratorSummary s = generateCatalogue(fs::u8path(args[0]), o, [](const std::string& line) {
        std::cout << kodrix::cp1251::toUtf8(line) << std::endl;
    });
    std::cout << s.games << " games, " << s.codeLines << " code lines, " << s.walkthroughs
              << " walkthroughs; largest module " << s.largestModule << " (" << s.largestModuleBytes << " bytes)\n";
    return 0;
}

int strings(const std::vector<std::string>& args) {
    if (args.size() != 2) usageError("strings: expected OUT.dll IN.txt");
    const auto bytes = readFileBytes(fs::u8path(args[1]));
    PeResourceWriter module;
    for (const auto& [id, text] : parseStringList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), args[1]))
        module.addString(id, text);
    writeFileBytes(fs::u8path(args[0]), module.build());
    return 0;
}

int icl(const std::vector<std::string>& args) {
    if (args.size() < 2) usageError("icl: expected OUT.icl IMAGE...");
    std::vector<std::vector<std::uint8_t>> icons;
    for (std::size_t i = 1; i < args.size(); ++i) icons.push_back(icoFromFile(fs::u8path(args[i])));
    writeFileBytes(fs::u8path(args[0]), writeNeIconLibrary(icons));
    return 0;
}

int walkthrough(const std::vector<std::string>& args) {
    if (args.empty()) usageError("walkthrough: expected OUT.dll");
    WalkthroughSource source;
    bool haveName = false, haveDocument = false;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) usageError(option + ": missing value");
        const std::string& value = args[i + 1];
        if (option == "--name") {
            source.displayName = toCatalogueText(value, "--name");
            haveName = true;
        } else if (option == "--document") {
            source.document = readFileBytes(fs::u8path(value));
            haveDocument = true;
        } else if (option == "--image") {
            const auto eq = value.find('=');
            if (eq == std::string::npos) usageError("--image: expected KEY=FILE");
            source.images.emplace_back(toCatalogueText(value.substr(0, eq), "--image"),
                                       screenshotFromFile(fs::u8path(value.substr(eq + 1))));
        } else {
            usageError("walkthrough: unknown option " + option);
        }
    }
    if (!haveName || !haveDocument) usageError("walkthrough: --name and --document are required");
    writeWalkthrough(fs::u8path(args[0]), source);
    return 0;
}

int jpeg(const std::vector<std::string>& args) {
    int quality = 85;
    if (args.size() == 4 && args[2] == "--quality") quality = std::min(100, smallNumber("--quality", args[3]));
    else if (args.size() != 2) usageError("jpeg: expected IN.IMAGE OUT.jpg [--quality N]");
    writeFileBytes(fs::u8path(args[1]), screenshotFromFile(fs::u8path(args[0]), quality));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string verb = argc > 1 ? argv[1] : "";
    // Image plugins (JPEG, ICO); unpacking draws icons, which takes a GUI
    // application (offscreen unless told otherwise).
    std::unique_ptr<QCoreApplication> app;
    if (verb == "unpack") {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // Qt's own start-up notes (a missing runtime folder) are not the verb's output.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtFatalMsg || type == QtCriticalMsg) std::cerr << text.toStdString() << "\n";
        });
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (argc < 2) {
        std::cerr << kUsage;
        return 1;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (verb == "build") return build(args);
        if (verb == "unpack") return unpack(args);
        if (verb == "generate") return generate(args);
        if (verb == "strings") return strings(args);
        if (verb == "icl") return icl(args);
        if (verb == "walkthrough") return walkthrough(args);
        if (verb == "jpeg") return jpeg(args);
        if (verb == "--help" || verb == "-h" || verb == "help") {
            std::cout << kUsage;
            return 0;
        }
        if (verb == "--version") {
            std::cout << "kodrix-pack " KODRIX_VERSION "\n";
            return 0;
        }
        usageError("unknown verb " + verb);
    } catch (const kodrix::Error& e) {
        // The catalogue's own readers speak code page 1251.
        std::cerr << "kodrix-pack: " << kodrix::cp1251::toUtf8(e.message()) << "\n";
    } catch (const PackError& e) {
        std::cerr << "kodrix-pack: " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "kodrix-pack: " << e.what() << "\n";
    }
    return 1;
}
