#include "GameEntry.h"

#include "Cp1251.h"
#include "Discovery.h"
#include "Error.h"
#include "CatalogueNames.h"
#include "Messages.h"
#include "TextList.h"

#include <algorithm>

namespace kodrix {

IniProfile loadIni(const ResolvedFile& ini) {
    if (!ini.opened()) ini.failure().raise();
    auto profile = IniProfile::read(ini.file);
    if (!profile) profile.reason().raise();
    return std::move(*profile);
}

namespace {

std::optional<ResourceModule> openModule(ResolvedFile&& module) {
    if (!module.opened()) return std::nullopt;
    return ResourceModule::open(std::move(module.file));
}

}  // namespace

IniProfile openGroupIni(const std::filesystem::path& platformDir, std::string_view group) {
    return loadIni(openPlatformFile(platformDir, names::groupIni(group)));
}

std::optional<ResourceModule> openGroupModule(const std::filesystem::path& platformDir, std::string_view group) {
    return openModule(openPlatformFile(platformDir, names::groupModule(group)));
}

std::int32_t readBegin(const IniProfile& ini, std::string_view game) { return ini.readInteger(game, "begin"); }
std::int32_t readEnd(const IniProfile& ini, std::string_view game) { return ini.readInteger(game, "end"); }
std::int32_t readIcon(const IniProfile& ini, std::string_view game) { return ini.readInteger(game, "icon"); }

std::uint64_t codeTextLength(std::int32_t begin, std::int32_t end) {
    if (end < begin) return 0;
    return std::uint64_t(std::int64_t(end) - std::int64_t(begin)) + 1;
}

void streamCodeText(const ResourceModule& module, std::int32_t begin, std::int32_t end, const CodeLineSink& sink) {
    const std::uint64_t count = codeTextLength(begin, end);
    // Only the low 16 bits of an ID select a string.
    const std::uint32_t first = static_cast<std::uint32_t>(begin);
    for (std::uint64_t i = 0; i < count; ++i)
        if (!sink(module.loadString((first + static_cast<std::uint32_t>(i)) & 0xFFFFu))) return;
}

std::vector<std::string> codeTextLines(const ResourceModule& module, std::int32_t begin, std::int32_t end) {
    static_assert(kMaxCodeTextLines <= 65536, "past 65536 lines the 16-bit IDs repeat");
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(codeTextLength(begin, end), kMaxCodeTextLines)));
    streamCodeText(module, begin, end, [&](std::string_view line) {
        lines.emplace_back(line);
        return lines.size() < kMaxCodeTextLines;
    });
    return lines;
}

const GameReadReport* GameRead::find(GameReadFailure failure) const {
    for (const auto& r : reports)
        if (r.failure == failure) return &r;
    return nullptr;
}

GameRead readGame(const std::filesystem::path& platformDir, std::string_view group,
                  const std::optional<std::string>& selected, const CodeLineSink& stream) {
    GameRead r;
    // Each file is looked up once: the check that it exists and the open
    // that follows see the same regular file.
    const std::string iniName = names::groupIni(group);
    const ResolvedFile iniFile = openPlatformFile(platformDir, iniName);
    if (!iniFile.exists()) {
        r.reports.push_back({GameReadFailure::IniMissing, messages::missingFile(iniName)});
        return r;
    }
    if (!selected) {
        r.reports.push_back({GameReadFailure::NoGameSelected, messages::listIndexOutOfBounds(-1)});
        return r;
    }
    const std::string& game = *selected;
    const IniProfile ini = loadIni(iniFile);
    try {
        r.begin = readBegin(ini, game);
        r.end = readEnd(ini, game);
    } catch (const Error& e) {
        r.reports.push_back({GameReadFailure::BadRange, e.message()});
        return r;
    }

    const std::string moduleName = names::groupModule(group);
    ResolvedFile moduleFile = openPlatformFile(platformDir, moduleName);
    if (!moduleFile.exists()) {
        r.reports.push_back({GameReadFailure::ModuleMissing, messages::missingFile(moduleName)});
    } else if (auto module = openModule(std::move(moduleFile))) {
        if (stream) {
            streamCodeText(*module, *r.begin, *r.end, stream);
        } else {
            r.lines = codeTextLines(*module, *r.begin, *r.end);
            r.linesLeftOut = codeTextLength(*r.begin, *r.end) - r.lines.size();
        }
        r.textShown = true;
    } else {
        r.reports.push_back({GameReadFailure::ModuleUnopenable, messages::moduleError()});
    }

    try {
        r.icon = readIcon(ini, game);
    } catch (const Error& e) {
        r.reports.push_back({GameReadFailure::BadIcon, e.message()});
    }
    return r;
}

}  // namespace kodrix
