#include "tools/cli/CodeGrep.h"

#include "catalogue/CodeSearch.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Messages.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace kodrix::cli {
namespace {

struct GroupOutput {
    std::string out;
    std::string err;
    bool complete = true;
    bool ready = false;
};

// One group's output; `out` is a buffer to write it into, emptied first.
GroupOutput searchOne(const GrepGroup& g, const GameMatcher& matcher, CodeSearchMemory& memory,
                      std::string&& out) {
    GroupOutput r;
    r.out = std::move(out);
    r.out.clear();
    const std::string platform = cp1251::toUtf8(g.platform);
    std::string_view lastGame;
    std::string prefix;  // "PLATFORM<TAB>GAME<TAB>" of the last game, in UTF-8
    CodeSearchEvents events;
    events.line = [&](std::string_view game, std::string_view line) {
        if (game.data() != lastGame.data() || game.size() != lastGame.size()) {
            lastGame = game;
            prefix = platform + '\t';
            cp1251::appendUtf8(prefix, game);
            prefix += '\t';
        }
        r.out += prefix;
        cp1251::appendUtf8(r.out, line);
        r.out += '\n';
    };
    events.problem = [&](std::string_view game, const std::string& message) {
        r.complete = false;
        r.err += platform;
        if (!game.empty()) {
            r.err += '\t';
            cp1251::appendUtf8(r.err, game);
        }
        r.err += ": ";
        cp1251::appendUtf8(r.err, message);
        r.err += '\n';
    };
    try {
        searchGroupCode(g.platformDir, g.group, matcher, events, memory);
    } catch (const std::bad_alloc&) {
        events.problem({}, messages::outOfMemory());
    }
    return r;
}

}  // namespace

bool grepGroups(const std::vector<GrepGroup>& groups, const GameMatcher& matcher, Output& out, Output& err,
                unsigned threads) {
    threads = std::max(1u, threads);
    // Workers take the groups in order; none runs further ahead of the
    // writer than the window, which bounds the output held.
    const std::size_t window = 2 * std::size_t(threads);
    std::vector<GroupOutput> results(groups.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0, written = 0;
    // Output buffers already written out, for the next groups: a buffer's
    // memory is taken once.
    std::vector<std::string> spare;

    const auto work = [&] {
        CodeSearchMemory memory;  // this worker's, kept from group to group
        for (;;) {
            std::size_t i;
            std::string out;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return next >= groups.size() || next < written + window; });
                if (next >= groups.size()) return;
                i = next++;
                if (!spare.empty()) {
                    out = std::move(spare.back());
                    spare.pop_back();
                }
            }
            GroupOutput r = searchOne(groups[i], matcher, memory, std::move(out));
            {
                std::lock_guard lock(mutex);
                results[i] = std::move(r);
                results[i].ready = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);

    const auto stopWorkers = [&] {
        {
            std::lock_guard lock(mutex);
            next = groups.size();  // no worker takes another group
        }
        changed.notify_all();
        for (std::thread& t : workers) t.join();
    };
    bool complete = true;
    try {
        for (std::size_t i = 0; i < groups.size(); ++i) {
            GroupOutput r;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return results[i].ready; });
                r = std::move(results[i]);
                results[i] = GroupOutput();
                ++written;
            }
            changed.notify_all();
            out.text(r.out);
            err.text(r.err);
            complete = complete && r.complete;
            std::lock_guard lock(mutex);
            spare.push_back(std::move(r.out));
        }
    } catch (...) {
        stopWorkers();
        throw;
    }
    stopWorkers();
    return complete;
}

}  // namespace kodrix::cli
