// Loaded into the program (LD_PRELOAD) by startup_bench: ends the process
// right after the main window's first paint, so that the process's run is
// its start-up up to the first shown main window. A start that never shows
// the window ends after a minute.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <unistd.h>

namespace {

class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow() &&
            watched->objectName() == QLatin1String("Form1"))
            QTimer::singleShot(0, [] { std::_Exit(0); });  // once this paint is done
        return false;
    }
};

void installProbe() {
    ::alarm(60);
    QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance()));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
