#pragma once
// The main window: five tab pages over a status bar. It composes the pages,
// runs the creation step in its fixed order, owns what the pages share
// (ProgramDir, the walkthrough table, the two viewer windows), keeps the
// settings, lays the pages out on a timer and hides into the tray when
// minimised.
#include "catalogue/WalkthroughTable.h"
#include "components/TrayIcon.h"
#include "platform/ColorNumbers.h"

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <memory>

class QMenu;
class QTabWidget;
class QTimer;

namespace kodrix {

namespace notify {
class NotificationService;
}
namespace registry {
class SettingsStore;
}

class ApplicationHints;
class CodePage;
class FindPage;
class GraphPage;
class SettingPage;
class SolutionPage;
class TForm2;
class TForm3;
class TextActions;
class TGauge;
class TVorlentaBar;

// The services the window uses that a test may replace.
struct TForm1Services {
    registry::SettingsStore* settings = nullptr;  // the per-user settings file when null
    notify::NotificationService* tray = nullptr;  // the desktop's notification area when null
    WalkthroughNamesAhead* walkthroughNames = nullptr;  // read ahead while the program started, if at all
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Kodrix (32) v4.4 RC1";
    static constexpr std::uint32_t SC_MINIMIZE = 0xF020;

    // programDir: the folder that holds the catalogue; empty for the
    // executable's own (see executableDir).
    explicit TForm1(const std::filesystem::path& programDir, TForm1Services services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The folder of the running executable, symlinks resolved.
    static std::filesystem::path executableDir();

    std::filesystem::path ProgramDir;
    WalkthroughTable Walkthroughs;

    QTabWidget* PageControl1 = nullptr;
    CodePage* code = nullptr;
    SolutionPage* solution = nullptr;
    FindPage* find = nullptr;
    GraphPage* graphik = nullptr;
    SettingPage* setting = nullptr;
    TVorlentaBar* VorlentaBar1 = nullptr;
    TGauge* Gauge1 = nullptr;
    ApplicationHints* Hints = nullptr;
    QTimer* Timer1 = nullptr;  // the layout timer, 1 ms, from creation to destruction
    TTrayIcon* TrayIcon1 = nullptr;
    QMenu* PopupMenu2 = nullptr;  // the tray menu: N3 "Восстановить", N15, N5 "Закрыть"
    // The text views' menu PopupMenu3 (copy, select all, print, save, view in
    // a window) and the main window's save dialog, which also saves the
    // search page's found names.
    TextActions* Actions = nullptr;

    // The screenshot viewer and the detached viewer, created hidden after
    // the main window and kept until it goes.
    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm3> Form3;

    // The window's colour and its font's colour, as the toolkit's colour
    // numbers (system colours included); the font is the widget's own.
    TColor Color = colors::clBtnFace;
    TColor FontColor = colors::clWindowText;
    void setColor(TColor color);
    void setFontColor(TColor color);

    // The application's hint event: the hint into status panel 1.
    void ApplicationHint(const QString& hint);

    // Settings: read once by the creation step; written on close and on
    // every minimise to the tray.
    void LoadSettings();
    void SaveSettings();

    // A result click on the search page: the game opens on the code page.
    void openFoundGame(const std::string& platform, const std::string& name);

    // The settings page's events.
    void ComboEdit1ButtonClick();
    void ColorBox1Change(TColor color);

    // Layout: every tick re-applies the size rules of the active page, with
    // W and H the window's outer size (frame and title bar included).
    void Timer1Timer();
    void LayoutCodePage();
    void LayoutSolutionPage();
    void LayoutFindPage();
    void LayoutSettingPage();

    // Minimise to the tray. Every way of minimising the window ends in
    // ApplicationMinimize, which posts the minimise command to WMSysCommand.
    void ApplicationMinimize();
    void WMSysCommand(std::uint32_t command);
    void TrayIcon1MouseDown(QObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    // The tray went away with the icon: a hidden window comes back minimised.
    void TrayIcon1IconLost();
    void N3Click();  // "Восстановить"
    void N5Click();  // "Закрыть"
    // Every paint takes the window out of the tray (a second start shows it).
    void FormPaint();

    // Brings the window back when a second start asks for it.
    void showFromSecondStart();

protected:
    // Main window close: the settings are saved and the program ends,
    // whatever other windows are open.
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void createTrayIcon();
    QWidget* addPage(const char* name, const QString& caption, QWidget* page);
    void createViewers();
    void FormCreate();

    // The steps of the creation step, in their order.
    void setStatusPanelWidth();
    void attachApplicationEvents();
    void selectWindowColour();

    void restoreFromTray();
    void applyPalette();
    // Changes the window's font; the settings page's font box follows.
    void applyFont(const std::function<void(QFont&)>& change);
    // What the settings store has to tell the user, in foreseen-failure boxes.
    void showSettingsNotices();

    std::unique_ptr<registry::SettingsStore> ownSettings_;  // when no store was given
    registry::SettingsStore& settings_;
    notify::NotificationService* trayService_;
    WalkthroughNamesAhead* namesAhead_;
};

}  // namespace kodrix
