#include "tools/pack/Generator.h"
#include "catalogue/CatalogueNames.h"

#include "catalogue/Cp1251.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/IcoWriter.h"
#include "tools/pack/NeWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

namespace fs = std::filesystem;

namespace kodrix::pack {

namespace {

// A small, fully defined generator (splitmix64): the standard library's
// distributions differ between implementations, this does not.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); n > 0.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    int between(int lo, int hi) { return lo + static_cast<int>(below(static_cast<std::uint64_t>(hi - lo + 1))); }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& items) { return items[below(N)]; }

private:
    std::uint64_t state_;
};

std::uint64_t mix(std::uint64_t seed, std::uint64_t salt) { return Random(seed ^ (salt * 0xD1B54A32D192ED03ull)).next(); }

const std::array<const char*, 24> kLatinSyllables = {"ra", "ko", "vel", "tan", "mi", "zor", "el", "quin", "dar", "lo",
                                                     "sen", "tri", "ga", "nox", "pe", "ul", "bri", "cha", "fen", "ith",
                                                     "mor", "sta", "vo", "yx"};
const std::array<const char*, 20> kSecondWords = {"Quest", "Racer", "Saga", "Fighter", "Legends", "Arena", "Tactics",
                                                  "Odyssey", "Dungeon", "Rally", "Strike", "Chronicles", "Island",
                                                  "Kingdom", "Squad", "Rescue", "Frontier", "Drift", "Empire", "Zero"};
const std::array<const char*, 18> kCyrSyllables = {"ра", "ко", "вел", "тан", "ми", "зор", "ел", "кин", "дар",
                                                   "ло", "сен", "три", "га", "нокс", "пе", "ул", "бри", "ча"};
const std::array<const char*, 12> kCyrCapitals = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З", "К", "Л", "М", "С"};
const std::array<const char*, 16> kPhrases = {
    "Level select: at the title screen press",
    "Infinite lives: pause the game and press",
    "Debug menu: hold Select and press",
    "All weapons: enter as a password",
    "Secret stage: during the intro press",
    "Invincibility: on the map screen press",
    "Sound test: on the options screen press",
    "Extra continues: at the game over screen press",
    "Выбор уровня: на титульном экране нажмите",
    "Бесконечные жизни: поставьте паузу и нажмите",
    "Все оружие: введите пароль",
    "Секретный уровень: во время заставки нажмите",
    "Бессмертие: на экране карты нажмите",
    "Пароль последнего уровня:",
    "Меню отладки: удерживайте Select и нажмите",
    "Дополнительные продолжения: на экране Game Over нажмите",
};
const std::array<const char*, 12> kButtons = {"Up", "Down", "Left", "Right", "A", "B", "C", "X", "Y", "L", "R", "Start"};

std::string groupName(int index) {
    if (index < 26) return std::string(1, static_cast<char>('A' + index));
    if (index < 36) return std::string(1, static_cast<char>('0' + index - 26));
    if (index == 36) return std::string(names::kRusGroup);
    return "G" + std::to_string(index);
}

std::string cyr(const char* utf8) { return cp1251::fromUtf8(utf8); }

std::string capitalised(std::string s) {
    if (!s.empty()) s[0] = static_cast<char>(cp1251::toUpper(static_cast<unsigned char>(s[0])));
    return s;
}

std::string gameName(Random& rng, const std::string& group) {
    std::string name;
    if (group == names::kRusGroup) {
        name = cyr(rng.pick(kCyrCapitals));
        for (int i = rng.between(1, 3); i > 0; --i) name += cyr(rng.pick(kCyrSyllables));
        if (rng.below(2)) name += " " + capitalised(cyr(rng.pick(kCyrSyllables)) + cyr(rng.pick(kCyrSyllables)));
    } else if (group.size() == 1 && group[0] >= '0' && group[0] <= '9') {
        name = group + std::to_string(rng.below(1000)) + " " + rng.pick(kSecondWords);
    } else {
        name = group.size() == 1 ? group : std::string("G");
        for (int i = rng.between(1, 3); i > 0; --i) name += rng.pick(kLatinSyllables);
        if (rng.below(3)) name += std::string(" ") + rng.pick(kSecondWords);
    }
    if (rng.below(5) == 0) name += " " + std::to_string(rng.between(2, 4));
    return name;
}

std::string codeLine(Random& rng, const std::vector<std::string>& phrases, int meanLength) {
    std::string line = phrases[rng.below(phrases.size())];
    const std::size_t target = static_cast<std::size_t>(rng.between(meanLength / 2, meanLength * 3 / 2));
    const bool asksPassword = line.find("password") != std::string::npos || line.find(cyr("пароль")) != std::string::npos;
    if (asksPassword || rng.below(6) == 0) {  // a password
        line += " ";
        while (line.size() < target) line += static_cast<char>(rng.below(3) ? 'A' + rng.below(26) : '0' + rng.below(10));
        return line;
    }
    const char* sep = " ";
    while (line.size() < target) {
        line += sep;
        line += rng.pick(kButtons);
        sep = ", ";
    }
    return line;
}

// A small picture: two-colour gradient sky, a ground band and a few blocks.
QImage drawScene(Random& rng, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const int r0 = rng.between(0, 255), g0 = rng.between(0, 255), b0 = rng.between(0, 255);
    const int r1 = rng.between(0, 255), g1 = rng.between(0, 255), b1 = rng.between(0, 255);
    const int horizon = height * rng.between(55, 80) / 100;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int t = y * 256 / height;
        const QRgb sky = qRgb(r0 + (r1 - r0) * t / 256, g0 + (g1 - g0) * t / 256, b0 + (b1 - b0) * t / 256);
        const QRgb ground = qRgb(40 + (y * 60 / height), 90 + ((y * 7) % 40), 30);
        std::fill(row, row + width, y < horizon ? sky : ground);
    }
    for (int n = rng.between(3, 8); n > 0; --n) {
        const int w = rng.between(width / 20, width / 5), h = rng.between(height / 20, height / 3);
        const int x = static_cast<int>(rng.below(static_cast<std::uint64_t>(std::max(1, width - w))));
        const int y0 = std::max(0, horizon - h);
        const QRgb colour = qRgb(rng.between(0, 255), rng.between(0, 255), rng.between(0, 255));
        for (int y = y0; y < horizon; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(row + x, row + x + w, colour);
        }
    }
    return image;
}

std::vector<std::uint8_t> jpegBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 80)) throw PackError("JPEG encoding failed (is the Qt jpeg plugin installed?)");
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}


std::vector<std::uint8_t> walkthroughDocument(Random& rng, const std::string& title, std::size_t targetBytes) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
        "{\\colortbl ;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green96\\blue160;}\r\n"
        "\\uc1\\pard\\f0\\fs20 ";
    rtf += "{\\b\\fs32\\cf3 ";
    appendRtfText(rtf, title);
    rtf += "}\\par\r\n";
    int chapter = 1;
    while (rtf.size() < targetBytes) {
        rtf += "{\\b\\fs26 ";
        appendRtfText(rtf, cyr("Глава ") + std::to_string(chapter++));
        rtf += "}\\par\r\n";
        for (int p = rng.between(3, 6); p > 0 && rtf.size() < targetBytes; --p) {
            std::string paragraph;
            for (int w = rng.between(30, 70); w > 0; --w) {
                std::string word;
                for (int s = rng.between(1, 3); s > 0; --s) word += cyr(rng.pick(kCyrSyllables));
                paragraph += word + (rng.below(9) ? " " : ". ");
            }
            if (rng.below(3) == 0) rtf += "{\\i ";
            else if (rng.below(3) == 0) rtf += "{\\cf2 ";
            else rtf += "{";
            appendRtfText(rtf, capitalised(paragraph));
            rtf += "}\\par\r\n";
        }
        if (chapter == 2) rtf += "{\\b www.1}\\par\r\n";
    }
    rtf += "}";
    return std::vector<std::uint8_t>(rtf.begin(), rtf.end());
}

void writeIconLibrary(const fs::path& platformDir, Random& rng, int count) {
    std::vector<std::vector<std::uint8_t>> icons;
    for (int i = 0; i < count; ++i) {
        QImage image = drawScene(rng, 32, 32).convertToFormat(QImage::Format_ARGB32);
        icons.push_back(icoFromImage(image));
    }
    writeFileBytes(platformDir / names::kIconLibrary, writeNeIconLibrary(icons));
}

constexpr int kIconsPerPlatform = 16;

}  // namespace

void appendRtfText(std::string& rtf, std::string_view cp1251) {
    static const char* hex = "0123456789abcdef";
    for (unsigned char c : cp1251) {
        if (c >= 0x80) {
            rtf += "\\'";
            rtf += hex[c >> 4];
            rtf += hex[c & 15];
        } else if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else {
            rtf += static_cast<char>(c);
        }
    }
}

std::string generatedPlatformName(int index) {
    static const std::array<const char*, 8> names = {"MegaBox", "Nova64", "PixelStation", "Orbit16",
                                                     "HandyX", "Vector8", "Zenith", "Lumen"};
    if (index >= 0 && index < static_cast<int>(names.size())) return names[static_cast<std::size_t>(index)];
    return "Platform" + std::to_string(index + 1);
}

GeneratorSummary generateCatalogue(const fs::path& outDir, const GeneratorOptions& options,
                                   const std::function<void(const std::string&)>& progress) {
    if (options.platforms < 1 || options.groups < 1 || options.groups > 99 || options.codes < 0 ||
        options.walkthroughs < 0 || options.rtfKb < 1)
        throw PackError("generate: parameters out of range");
    if (options.bigPlatformGames > options.games) throw PackError("generate: the big platform cannot hold more games than all");

    std::vector<std::string> phrases;
    for (const char* p : kPhrases) phrases.push_back(cyr(p));

    GeneratorSummary summary;
    for (int p = 0; p < options.platforms; ++p) {
        Random rng(mix(options.seed, static_cast<std::uint64_t>(p) + 1));
        std::uint64_t platformGames = options.bigPlatformGames;
        if (options.platforms == 1) platformGames = options.games;
        else if (p > 0) {
            const std::uint64_t rest = options.games - options.bigPlatformGames;
            const auto others = static_cast<std::uint64_t>(options.platforms - 1);
            platformGames = rest / others + (static_cast<std::uint64_t>(p - 1) < rest % others ? 1 : 0);
        }
        // The big platform carries long lines, so its largest group module comes
        // to about 10 MB within the 65536 string IDs a module can hold.
        const int meanLength = p == 0 ? 86 : 40;
        const fs::path platformDir = outDir / generatedPlatformName(p);
        fs::create_directories(platformDir);
        writePlatformMarker(platformDir);
        writeIconLibrary(platformDir, rng, kIconsPerPlatform);

        // Group sizes: the largest group ("S" when there is one) takes a twelfth,
        // the others share the rest by random weights.
        const int groups = options.groups;
        const int largest = groups > 18 ? 18 : 0;
        std::vector<std::uint64_t> weights(static_cast<std::size_t>(groups));
        for (auto& w : weights) w = 1 + rng.below(4);
        std::vector<std::uint64_t> sizes(static_cast<std::size_t>(groups), 0);
        std::uint64_t assigned = 0;
        if (groups > 1) {
            sizes[static_cast<std::size_t>(largest)] = platformGames / 12;
            std::uint64_t weightSum = 0;
            for (int g = 0; g < groups; ++g)
                if (g != largest) weightSum += weights[static_cast<std::size_t>(g)];
            const std::uint64_t rest = platformGames - platformGames / 12;
            for (int g = 0; g < groups; ++g)
                if (g != largest) sizes[static_cast<std::size_t>(g)] = rest * weights[static_cast<std::size_t>(g)] / weightSum;
            for (auto s : sizes) assigned += s;
            for (int g = 0; assigned < platformGames; g = (g + 1) % groups) {
                if (g == largest) continue;
                ++sizes[static_cast<std::size_t>(g)];
                ++assigned;
            }
        } else {
            sizes[0] = platformGames;
        }

        for (int g = 0; g < groups; ++g) {
            GroupSource group;
            group.name = groupName(g);
            std::set<std::string> seen;
            std::uint64_t idsLeft = 65536 - 1;  // IDs 1..65535
            for (std::uint64_t i = 0; i < sizes[static_cast<std::size_t>(g)]; ++i) {
                GameSource game;
                game.name = gameName(rng, group.name);
                for (int n = 2; !seen.insert(cp1251::upper(game.name)).second; ++n)
                    game.name += " " + std::to_string(n);
                game.icon = static_cast<std::uint32_t>(rng.below(kIconsPerPlatform));
                int lines = options.codes == 0 ? 0 : rng.between(options.codes / 2, options.codes + options.codes / 2);
                lines = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(lines), idsLeft));
                idsLeft -= static_cast<std::uint64_t>(lines);
                for (int l = 0; l < lines; ++l) game.lines.push_back(codeLine(rng, phrases, meanLength));
                summary.codeLines += game.lines.size();
                group.games.push_back(std::move(game));
            }
            summary.games += group.games.size();
            writeGroup(platformDir, group);
            const fs::path module = platformDir / names::groupModule(group.name);
            const auto size = fs::file_size(module);
            if (size > summary.largestModuleBytes) {
                summary.largestModuleBytes = size;
                summary.largestModule = module.string();
            }
        }
        if (progress)
            progress(generatedPlatformName(p) + ": " + std::to_string(platformGames) + " games in " +
                     std::to_string(groups) + " groups");
    }

    Random rng(mix(options.seed, 0xB00C));
    const int bigDocument = options.walkthroughs > 1 ? 1 : 0;
    const int bigPicture = 0;
    for (int w = 0; w < options.walkthroughs; ++w) {
        WalkthroughSource source;
        std::string title = cyr("Прохождение: ") + gameName(rng, groupName(static_cast<int>(rng.below(26))));
        source.displayName = title;
        const std::size_t target = w == bigDocument
                                       ? std::size_t{1} << 20
                                       : static_cast<std::size_t>(rng.between(options.rtfKb * 512, options.rtfKb * 1536));
        source.document = walkthroughDocument(rng, title, target);
        const bool big = w == bigPicture;
        source.images.emplace_back("1", jpegBytes(drawScene(rng, big ? 1920 : 320, big ? 1080 : 240)));
        char file[32];
        std::snprintf(file, sizeof file, "w%05d.dll", w + 1);
        writeWalkthrough(outDir / names::kWalkthroughFolder / file, source);
        ++summary.walkthroughs;
    }
    if (progress && options.walkthroughs > 0) progress("sol: " + std::to_string(options.walkthroughs) + " walkthroughs");
    return summary;
}

}  // namespace kodrix::pack
