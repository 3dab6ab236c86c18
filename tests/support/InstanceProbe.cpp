// A stand-in for the program's start, for the single-instance tests: takes
// the token like the program does and says on stdout what happened.
//   running <dir>  – this process is the first; <dir> is its executable's folder
//   shown          – a later start asked it to show its window (it then exits)
//   second         – another copy runs; it was asked to show itself
//   failed <why>   – no lock could be taken (exit status 1)
#include "platform/instance/SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    kodrix::SingleInstance instance(QStringLiteral("kodrix_run"));
    switch (instance.acquire()) {
    case kodrix::SingleInstance::Start::First: break;
    case kodrix::SingleInstance::Start::Second: std::printf("second\n"); return 0;
    case kodrix::SingleInstance::Start::Failed: std::printf("failed %s\n", qPrintable(instance.failure())); return 1;
    }
    std::printf("running %s\n", qPrintable(QCoreApplication::applicationDirPath()));
    std::fflush(stdout);
    QObject::connect(&instance, &kodrix::SingleInstance::showRequested, [] {
        std::printf("shown\n");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    return app.exec();
}
