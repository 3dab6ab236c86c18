#include "IniProfile.h"

#include "Cp1251.h"
#include "Messages.h"
#include "Error.h"
#include "IntegerText.h"
#include "TextList.h"

#include <cstring>

namespace kodrix {
namespace {

// The profile reader's blanks; ^Z is what old editors left at the end of a file.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Calls visit(line, nextLineStart) for each line of text[begin, end); stops
// early when visit returns false.
template <typename Visit>
void forEachLine(std::string_view text, std::size_t begin, std::size_t end, Visit&& visit) {
    std::size_t i = begin;
    while (i < end) {
        std::size_t start = i;
        while (i < end && text[i] != '\r' && text[i] != '\n') ++i;
        std::string_view line = text.substr(start, i - start);
        if (i < end) i += (text[i] == '\r' && i + 1 < end && text[i + 1] == '\n') ? 2 : 1;
        if (!visit(line, start, i)) return;
    }
}

// The name of a section line ("[ name ]" → "name"), or nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    std::size_t close = line.rfind(']');
    if (close == 0 || close == std::string_view::npos) return std::nullopt;
    return trim(line.substr(1, close - 1));
}

}  // namespace

IniProfile::IniProfile(std::string text) : text_(std::move(text)) {
    if (auto zero = text_.find('\0'); zero != std::string::npos) text_.resize(zero);
}

FileResult<IniProfile> IniProfile::read(const FileHandle& file) {
    auto text = readTextBytes(file);
    if (!text) return FileResult<IniProfile>::failure(text.reason());
    return IniProfile(std::move(*text));
}

IniProfile IniProfile::fromBytes(std::string_view bytes) { return IniProfile(std::string(bytes)); }

void IniProfile::index() const {
    Body* current = nullptr;
    forEachLine(text_, 0, text_.size(), [&](std::string_view line, std::size_t lineStart, std::size_t next) {
        auto name = sectionName(line);
        if (!name) return true;
        if (current) current->end = lineStart;
        auto [it, inserted] = sections_.try_emplace(sectionKey(*name), Body{next, text_.size()});
        current = inserted ? &it->second : nullptr;  // a later section of the same name is never searched
        return true;
    });
    indexed_ = true;
}

std::optional<IniProfile::Body> IniProfile::findSection(std::string_view section) const {
    // The first few look-ups (a game's read wants one section of thousands)
    // scan the text for the first section line of the name; a profile read
    // for many sections is indexed once instead.
    if (++lookups_ > kScannedLookups) {
        if (!indexed_) index();
        const auto it = sections_.find(sectionKey(section));
        return it == sections_.end() ? std::nullopt : std::optional<Body>(it->second);
    }
    const std::string_view wanted = trim(section);
    std::optional<Body> body;
    forEachLine(text_, 0, text_.size(), [&](std::string_view line, std::size_t lineStart, std::size_t next) {
        const auto name = sectionName(line);
        if (!name) return true;
        if (body) {
            body->end = lineStart;
            return false;
        }
        if (cp1251::equalsIgnoreCase(*name, wanted)) body = Body{next, text_.size()};
        return true;
    });
    return body;
}

bool IniProfile::hasSection(std::string_view section) const { return findSection(section).has_value(); }

std::string IniProfile::sectionKey(std::string_view section) { return cp1251::upper(trim(section)); }

std::vector<std::string> IniProfile::sectionNames() const {
    std::vector<std::string> out;
    forEachLine(text_, 0, text_.size(), [&](std::string_view line, std::size_t, std::size_t) {
        if (auto name = sectionName(line)) out.emplace_back(*name);
        return true;
    });
    return out;
}

std::vector<std::string> IniProfile::keyNames(std::string_view section) const {
    std::vector<std::string> out;
    const std::optional<Body> body = findSection(section);
    if (!body) return out;
    forEachLine(text_, body->begin, body->end, [&](std::string_view line, std::size_t, std::size_t) {
        line = trim(line);
        const std::size_t eq = line.find('=');
        if (!line.empty() && line.front() != ';' && eq != std::string_view::npos) out.emplace_back(trim(line.substr(0, eq)));
        return true;
    });
    return out;
}

std::string IniProfile::readString(std::string_view section, std::string_view key) const {
    const std::optional<Body> body = findSection(section);
    key = trim(key);
    if (!body || key.empty()) return {};
    std::string value;
    forEachLine(text_, body->begin, body->end, [&](std::string_view line, std::size_t, std::size_t) {
        line = trim(line);
        if (line.empty() || line.front() == ';') return true;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !cp1251::equalsIgnoreCase(trim(line.substr(0, eq)), key)) return true;
        std::string_view v = trim(line.substr(eq + 1));
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        value.assign(v.substr(0, kMaxValueBytes));
        return false;
    });
    return value;
}

std::int32_t IniProfile::readInteger(std::string_view section, std::string_view key) const {
    return strToInt(readString(section, key));
}

}  // namespace kodrix
