#include "GameEntry.h"

#include "Cp1251.h"
#include "Discovery.h"
#include "Error.h"
#include "CatalogueNames.h"
#include "Messages.h"
#include "TextList.h"

#include <algorithm>

namespace kodrix {

namespace {

IniProfile loadIni(const ResolvedFile& ini) {
    if (!ini.opened()) ini.failure().raise();
    auto profile = IniProfile::read(ini.file);
    if (!profile) profile.reason().raise();
    return std::move(*profile);
}

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

std::vector<std::string> codeTextLines(const ResourceModule& module, std::int32_t begin, std::int32_t end) {
    std::vector<std::string> lines;
    if (end < begin) return lines;
    const std::uint64_t span = std::uint64_t(std::int64_t(end) - std::int64_t(begin)) + 1;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(span, kMaxCodeTextLines));
    static_assert(kMaxCodeTextLines <= 65536, "past 65536 lines the 16-bit IDs repeat");
    lines.reserve(count);
    // Only the low 16 bits of an ID select a string.
    const std::uint32_t first = static_cast<std::uint32_t>(begin);
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back(module.loadString((first + static_cast<std::uint32_t>(i)) & 0xFFFFu));
    return lines;
}

const GameReadReport* GameRead::find(GameReadFailure failure) const {
    for (const auto& r : reports)
        if (r.failure == failure) return &r;
    return nullptr;
}

GameRead readGame(const std::filesystem::path& platformDir, std::string_view group,
                  const std::optional<std::string>& selected) {
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
        r.lines = codeTextLines(*module, *r.begin, *r.end);
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
