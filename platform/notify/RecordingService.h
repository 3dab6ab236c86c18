#pragma once
// A notification service for tests: records every request in order, keeps
// the icons it accepted like the desktop would, reports a pointer position
// the test sets, and can be told to refuse requests.
#include "NotificationService.h"

#include <vector>

namespace kodrix::notify {

class RecordingService : public NotificationService {
public:
    struct Request {
        std::uint32_t kind = kAdd;  // kAdd, kModify or kDelete
        IconRecord record;
        bool accepted = false;
    };

    bool add(const IconRecord& record) override;
    bool modify(const IconRecord& record) override;
    bool remove(const IconRecord& record) override;
    QPoint cursorPos() const override { return pointer; }

    std::vector<Request> requests;
    std::vector<IconRecord> shown;  // the icons present, in the order added
    QPoint pointer;
    bool refuseAdd = false;
    bool refuseModify = false;
    bool refuseRemove = false;

    // The shown icon of that window and identifier, or null.
    const IconRecord* find(const QObject* window, std::uint32_t id) const;
    // The notification area goes away: every icon shown is dropped and its
    // owner told, as the desktop's service does.
    void loseArea();
    // The kinds of the recorded requests, for short assertions.
    std::vector<std::uint32_t> kinds() const;
    void clear() { requests.clear(); }

private:
    bool record(std::uint32_t kind, const IconRecord& record, bool accepted);
    std::vector<IconRecord>::iterator findShown(const QObject* window, std::uint32_t id);
};

}  // namespace kodrix::notify
