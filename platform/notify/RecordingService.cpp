#include "RecordingService.h"

#include <algorithm>

namespace kodrix::notify {

bool RecordingService::record(std::uint32_t kind, const IconRecord& rec, bool accepted) {
    requests.push_back({kind, rec, accepted});
    return accepted;
}

std::vector<IconRecord>::iterator RecordingService::findShown(const QObject* window, std::uint32_t id) {
    return std::find_if(shown.begin(), shown.end(),
                        [&](const IconRecord& r) { return r.window == window && r.id == id; });
}

const IconRecord* RecordingService::find(const QObject* window, std::uint32_t id) const {
    auto it = std::find_if(shown.begin(), shown.end(),
                           [&](const IconRecord& r) { return r.window == window && r.id == id; });
    return it == shown.end() ? nullptr : &*it;
}

bool RecordingService::add(const IconRecord& rec) {
    if (refuseAdd || findShown(rec.window, rec.id) != shown.end()) return record(kAdd, rec, false);
    shown.push_back(rec);
    return record(kAdd, rec, true);
}

bool RecordingService::modify(const IconRecord& rec) {
    auto it = findShown(rec.window, rec.id);
    if (refuseModify || it == shown.end()) return record(kModify, rec, false);
    *it = rec;
    return record(kModify, rec, true);
}

bool RecordingService::remove(const IconRecord& rec) {
    auto it = findShown(rec.window, rec.id);
    if (refuseRemove || it == shown.end()) return record(kDelete, rec, false);
    shown.erase(it);
    return record(kDelete, rec, true);
}

void RecordingService::loseArea() {
    for (const IconRecord& r : shown) postAreaGone(r.window, r.id);
    shown.clear();
}

std::vector<std::uint32_t> RecordingService::kinds() const {
    std::vector<std::uint32_t> out;
    for (const auto& r : requests) out.push_back(r.kind);
    return out;
}

}  // namespace kodrix::notify
