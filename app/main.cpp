// Program entry: one copy per user; the main window, then the screenshot
// viewer and the detached viewer (both hidden); the event loop.
#include "app/Desktop.h"
#include "app/Unit1.h"
#include "catalogue/Collation.h"
#include "catalogue/WalkthroughTable.h"
#include "platform/MemoryReuse.h"
#include "platform/instance/SingleInstance.h"
#include "ui/ApplicationTitle.h"
#include "ui/ErrorReport.h"

#include <QApplication>
#include <QFileInfo>

#include <filesystem>
#include <optional>

int main(int argc, char** argv) {
    kodrix::keepFreedMemoryForReuse();
    // The walkthrough modules' names are read while Qt starts and the window
    // is made (the window takes them if its folder is this one).
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    std::optional<kodrix::WalkthroughNamesAhead> walkthroughNames;
    if (!error) walkthroughNames.emplace(self.parent_path(), &kodrix::collation::sortKey);
    QApplication app(argc, argv);
    // The program ends when the main window closes (it quits itself), not
    // when the last visible window does: a viewer closed while the main
    // window sits in the tray must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::setOrganizationName(QStringLiteral("Vorlenta"));  // settings: ~/.config/Vorlenta/Kodrix.ini
    QCoreApplication::setApplicationName(QStringLiteral("Kodrix"));
    kodrix::setApplicationTitle(kodrix::titleFromExecutableName(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    kodrix::fitDesktop(app);

    kodrix::SingleInstance instance(QStringLiteral("kodrix_run"));
    switch (instance.acquire()) {
    case kodrix::SingleInstance::Start::First: break;
    case kodrix::SingleInstance::Start::Second: return 0;  // the running copy shows itself
    case kodrix::SingleInstance::Start::Failed:
        kodrix::showGeneralError(nullptr, instance.failure());
        return 1;
    }

    // The main window also creates the screenshot viewer and the detached
    // viewer (hidden), after its creation step.
    kodrix::TForm1Services services;
    if (walkthroughNames) services.walkthroughNames = &*walkthroughNames;
    kodrix::TForm1 form(kodrix::TForm1::executableDir(), services);
    QObject::connect(&instance, &kodrix::SingleInstance::showRequested, &form, &kodrix::TForm1::showFromSecondStart);
    form.show();
    return app.exec();
}
