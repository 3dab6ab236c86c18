#pragma once
// The main window: five tab pages over a status bar. Its creation step fills
// the pages in a fixed order; it owns what the pages share (ProgramDir, the
// application title, the status bar and its gauge).
#include <QWidget>
#include <filesystem>

class QTabWidget;
class QTimer;

namespace kodrix {

class ApplicationHints;
class CodePage;
class TGauge;
class TVorlentaBar;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Kodrix (32) v4.4 RC1";

    // programDir: the folder that holds the catalogue (normally the
    // executable's own, see executableDir).
    explicit TForm1(const std::filesystem::path& programDir, QWidget* parent = nullptr);
    ~TForm1() override;

    // The folder of the running executable, symlinks resolved.
    static std::filesystem::path executableDir();

    std::filesystem::path ProgramDir;

    QTabWidget* PageControl1 = nullptr;
    CodePage* code = nullptr;
    QWidget* solution = nullptr;
    QWidget* find = nullptr;
    QWidget* graphik = nullptr;
    QWidget* setting = nullptr;
    TVorlentaBar* VorlentaBar1 = nullptr;
    TGauge* Gauge1 = nullptr;
    ApplicationHints* Hints = nullptr;
    QTimer* Timer1 = nullptr;  // the layout timer, 1 ms, from creation to destruction

    // The application's hint event: the hint into status panel 1.
    void ApplicationHint(const QString& hint);

    // Layout: every tick re-applies the size rules of the active page, with
    // W and H the window's outer size (frame and title bar included).
    void Timer1Timer();
    void LayoutCodePage();
    void LayoutSolutionPage();
    void LayoutFindPage();
    void LayoutSettingPage();

    // Brings the window back when a second start asks for it.
    void showFromSecondStart();

protected:
    // Main window close: the program ends, whatever other windows are open.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    QWidget* addPage(const char* name, const QString& caption, QWidget* page = nullptr);
    void FormCreate();

    // The steps of the creation step, in their order.
    void setProgramDir();
    void setStatusPanelWidth();
    void attachApplicationEvents();
};

}  // namespace kodrix
