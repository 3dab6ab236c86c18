#pragma once
// The main window over a catalogue made in a temporary folder, as the
// window tests drive it: dialogs scripted, settings kept in memory (the
// user's file is never touched) and, when a test asks, a recorded
// notification area instead of the desktop's.
#include "app/Unit1.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/notify/RecordingService.h"
#include "platform/registry/MemorySettingsStore.h"
#include "support/CatalogueFixture.h"

#include <gtest/gtest.h>
#include <memory>

namespace kodrix::test {

class MainWindowTest : public testing::Test {
protected:
    CatalogueFixture cat;
    dialogs::DialogScript script;
    registry::MemorySettingsStore store;
    notify::RecordingService tray;
    std::unique_ptr<TForm1> form;

    struct Options {
        registry::SettingsStore* settings = nullptr;  // the memory store above when null
        bool recordTray = false;                      // the recorded notification area above
    };
    TForm1& open(Options options) {
        form = std::make_unique<TForm1>(cat.dir.path(),
                                        TForm1Services{options.settings ? options.settings : &store,
                                                       options.recordTray ? &tray : nullptr});
        return *form;
    }
    TForm1& open() { return open(Options{}); }
};

}  // namespace kodrix::test
