#include "tools/cli/IconModule.h"

#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/icons/IconExtractor.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Silences the process's standard error while it lives: libpng reports a
// damaged image there on its own, which the program would not say.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, 2);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, 2);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

// Icon extraction decodes and draws images: it needs a GUI application object.
// The terminal has no display, so the offscreen platform is used unless told.
std::unique_ptr<QGuiApplication> ensureGuiApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own start-up notes (a missing runtime folder and the like) are not
    // the command's output: only fatal messages reach stderr.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "kodrix-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

void writeIcon(const char* libraryPath, unsigned index, const std::string& outPath, int& indexUsed, bool& substitute) {
    auto app = ensureGuiApplication();
    auto library = kodrix::FileHandle::open(libraryPath);
    if (!library) library.reason().raise();
    kodrix::ExtractedIcon icon;
    {
        // A damaged image gives the substitute without a word: the image
        // decoder's own complaints are not let through.
        const QuietStderr quiet;
        icon = kodrix::extractIcon(std::move(*library), static_cast<std::uint16_t>(index & 0xFFFF));
    }
    QFile file(QString::fromUtf8(outPath.c_str()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !icon.image.save(&file, "PNG"))
        throw kodrix::Error(kodrix::cp1251::fromUtf8("Cannot create file \"" + outPath + "\". " +
                                                     file.errorString().toStdString()));
    indexUsed = icon.indexUsed;
    substitute = icon.substitute;
}

}  // namespace

extern "C" int kodrix_cli_write_icon(const char* libraryPath, unsigned index, const char* outPath, int* indexUsed,
                                     int* substitute, char* error, unsigned long errorSize) {
    std::string message;
    try {
        bool sub = false;
        writeIcon(libraryPath, index, outPath, *indexUsed, sub);
        *substitute = sub ? 1 : 0;
        return 0;
    } catch (const kodrix::Error& e) {
        message = e.message();
    } catch (const std::bad_alloc&) {
        message = kodrix::messages::outOfMemory();
    } catch (const std::exception& e) {
        message = e.what();
    }
    if (errorSize > 0) {
        const std::size_t n = std::min<std::size_t>(message.size(), errorSize - 1);
        std::memcpy(error, message.data(), n);
        error[n] = '\0';
    }
    return 1;
}
