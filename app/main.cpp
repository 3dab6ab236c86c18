// Program entry: one copy per user; the main window, then the screenshot
// viewer and the detached viewer (both hidden); the event loop.
#include "ui/ApplicationTitle.h"
#include "ui/ErrorReport.h"
#include "app/Unit1.h"
#include "platform/instance/SingleInstance.h"
#include "viewer/Unit3.h"
#include "walkthroughs/Unit2.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vorlenta"));  // settings: ~/.config/Vorlenta/Kodrix.conf
    QCoreApplication::setApplicationName(QStringLiteral("Kodrix"));
    kodrix::setApplicationTitle(kodrix::titleFromExecutableName(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));

    kodrix::SingleInstance instance(QStringLiteral("kodrix_run"));
    switch (instance.acquire()) {
    case kodrix::SingleInstance::Start::First: break;
    case kodrix::SingleInstance::Start::Second: return 0;  // the running copy shows itself
    case kodrix::SingleInstance::Start::Failed:
        kodrix::showGeneralError(nullptr, instance.failure());
        return 1;
    }

    kodrix::TForm1 form(kodrix::TForm1::executableDir());
    kodrix::TForm2 screenshots;
    kodrix::TForm3 viewer;
    QObject::connect(&instance, &kodrix::SingleInstance::showRequested, &form, &kodrix::TForm1::showFromSecondStart);
    form.show();
    return app.exec();
}
