// Minimise to the tray. However the window is minimised (title-bar button,
// window-manager key, task bar), the minimise ends in WMSysCommand: the
// settings are saved, the window and its task-bar entry are hidden and the
// tray icon appears. A left press on the icon or "Восстановить" brings the
// window back; a right press opens the tray menu; "Закрыть" closes the
// program. Any other path that shows the window (a second start) takes it
// out of the tray at its first paint. When the tray itself goes (its host
// ends) while the window hides behind its icon, the window comes back
// minimised on the task bar.
#include "app/Unit1.h"
#include "components/ProgramIcon.h"
#include "platform/notify/NotificationService.h"
#include "ui/ErrorReport.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QWindowStateChangeEvent>

namespace kodrix {

void TForm1::createTrayIcon() {
    TrayIcon1 = new TTrayIcon(this, trayService_);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setGeometry(440, 0, 1, 1);
    TrayIcon1->setIcon(programIcon());
    TrayIcon1->setTip(QString::fromLatin1(kCaption));
    TrayIcon1->setShowTip(true);
    TrayIcon1->setMessageGuard([this](const std::function<void()>& handle) { guarded(this, handle); });
    TrayIcon1->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
        TrayIcon1MouseDown(sender, button, shift, x, y);
    };
    TrayIcon1->OnIconLost = [this](QObject*) { TrayIcon1IconLost(); };

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    QAction* N3 = PopupMenu2->addAction(QStringLiteral("Восстановить"));
    N3->setObjectName(QStringLiteral("N3"));
    PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N15"));
    QAction* N5 = PopupMenu2->addAction(QStringLiteral("Закрыть"));
    N5->setObjectName(QStringLiteral("N5"));
    connect(N3, &QAction::triggered, this, [this] { guarded(this, [this] { N3Click(); }); });
    connect(N5, &QAction::triggered, this, [this] { guarded(this, [this] { N5Click(); }); });
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    const bool wasMinimized = event->type() == QEvent::WindowStateChange &&
                              (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !wasMinimized) ApplicationMinimize();
}

void TForm1::ApplicationMinimize() {
    // Posted, not sent: handled after the window system's own minimise.
    QMetaObject::invokeMethod(
        this, [this] { guarded(this, [this] { WMSysCommand(SC_MINIMIZE); }); }, Qt::QueuedConnection);
}

void TForm1::WMSysCommand(std::uint32_t command) {
    if (command != SC_MINIMIZE) return;  // compared whole; other commands need nothing of ours
    SaveSettings();
    // The icon first: when no notification area takes it, the window stays
    // minimised the ordinary way, on the task bar, instead of hiding where
    // only a second start could find it again.
    TrayIcon1->setEnabled(true);
    if (!TrayIcon1->enabled()) return;
    // Hidden, not minimised: shown again later it comes back as it was.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hide();
}

void TForm1::restoreFromTray() {
    TrayIcon1->setEnabled(false);
    if (!isVisible()) show();
    if (isMinimized()) showNormal();
}

void TForm1::TrayIcon1MouseDown(QObject*, TMouseButton button, TShiftState, int, int) {
    if (button != mbRight) {
        N3Click();
        return;
    }
    activateWindow();
    // The pointer's position now, not the event's; the menu's right edge there.
    const QPoint at = (trayService_ ? *trayService_ : notify::systemService()).cursorPos();
    PopupMenu2->popup(at - QPoint(PopupMenu2->sizeHint().width(), 0));
}

void TForm1::TrayIcon1IconLost() {
    // Hidden, the window could be found again only by a second start. It
    // takes the ordinary minimise path, which tries the tray once more and,
    // without one, leaves it on the task bar.
    if (!isVisible()) showMinimized();
}

void TForm1::N3Click() {
    restoreFromTray();
    raise();
    activateWindow();
}

void TForm1::N5Click() { close(); }

void TForm1::FormPaint() {
    // In normal use there is no icon and nothing to do; shown by another
    // path while in the tray (a second start), the window leaves it.
    if (!TrayIcon1->enabled()) return;
    TrayIcon1->setEnabled(false);
    QMetaObject::invokeMethod(this, [this] { restoreFromTray(); }, Qt::QueuedConnection);
}

void TForm1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    guarded(this, [this] { FormPaint(); });
}

}  // namespace kodrix
