#include "Unit1.h"

#include "app/SettingPage.h"
#include "browser/CodePage.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "components/Gauge.h"
#include "components/SuperBar.h"
#include "platform/ApplicationHints.h"
#include "platform/registry/IniSettingsStore.h"
#include "platform/richedit/RichEditView.h"
#include "search/FindPage.h"
#include "search/GraphPage.h"
#include "ui/ApplicationTitle.h"
#include "ui/ErrorReport.h"
#include "ui/GuardedConnect.h"
#include "viewer/TextActions.h"
#include "viewer/Unit3.h"
#include "walkthroughs/ScreenshotImage.h"
#include "walkthroughs/SolutionPage.h"
#include "walkthroughs/Unit2.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kodrix {
namespace {

// The tab images: small flat pictures drawn once.
QIcon tabImage(int index) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(0x2f, 0x6f, 0xb3), QColor(0x3c, 0x9a, 0x4a), QColor(0xc0, 0x7a, 0x1a),
                              QColor(0x9b, 0x3b, 0xb0), QColor(0x70, 0x70, 0x70)};
    p.setPen(QPen(colours[index].darker(140), 1));
    p.setBrush(colours[index]);
    switch (index) {
    case 0: p.drawRoundedRect(2, 3, 12, 10, 2, 2); break;                           // a cartridge
    case 1: p.drawRect(3, 2, 10, 12); p.drawLine(5, 5, 11, 5); p.drawLine(5, 8, 11, 8); break;  // a page
    case 2: p.drawEllipse(2, 2, 8, 8); p.drawLine(9, 9, 14, 14); break;              // a lens
    case 3: p.drawRect(2, 8, 3, 6); p.drawRect(6, 4, 3, 10); p.drawRect(10, 6, 3, 8); break;  // bars
    default: p.drawEllipse(3, 3, 10, 10); p.setBrush(Qt::white); p.drawEllipse(6, 6, 4, 4); break;  // a wheel
    }
    return QIcon(pm);
}

}  // namespace

TForm1::TForm1(const std::filesystem::path& programDir, TForm1Services services, QWidget* parent)
    : QWidget(parent),
      // Settled before the pages are made: each keeps its own copy.
      ProgramDir(programDir.empty() ? executableDir() : programDir),
      ownSettings_(services.settings ? nullptr : registry::openUserSettings()),
      settings_(services.settings ? *services.settings : *ownSettings_),
      trayService_(services.tray),
      namesAhead_(services.walkthroughNames) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kCaption));
    // The caption stays; the application title ("Kodrix - " + game) is the
    // window's icon text, what an X11 task bar may show when it is minimised.
    setWindowIconText(applicationTitle());
    connect(&applicationTitleChanges(), &ApplicationTitleChanges::changed, this, &QWidget::setWindowIconText);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);  // 8 point at 96 dots per inch
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    applyPalette();
    createControls();
    resize(708, 545);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
    createViewers();
}

TForm1::~TForm1() = default;

std::filesystem::path TForm1::executableDir() {
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

void TForm1::createControls() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);  // flat tabs

    VorlentaBar1 = new TVorlentaBar(this);
    VorlentaBar1->setObjectName(QStringLiteral("VorlentaBar1"));
    VorlentaBar1->setFixedHeight(33);
    VorlentaBar1->addPanel(70);
    VorlentaBar1->addPanel(600);
    VorlentaBar1->addPanel(50);

    Gauge1 = new TGauge(VorlentaBar1);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(2, 4, 38, 28);

    code = new CodePage(ProgramDir);
    addPage("code", QStringLiteral("Коды"), code);
    connect(code, &CodePage::letterTotalsChanged, this, [this](int maxValue, int progress, const QString& hint) {
        Gauge1->setMaxValue(maxValue);
        Gauge1->setProgress(progress);
        Gauge1->setToolTip(hint);
    });
    solution = new SolutionPage(ProgramDir, Walkthroughs);
    solution->setNamesAhead(namesAhead_);
    addPage("solution", QStringLiteral("Прохождения"), solution);
    find = new FindPage(ProgramDir);
    addPage("find", QStringLiteral("Поиск"), find);
    connectGuarded(find, &FindPage::gameRequested, this, &TForm1::openFoundGame);
    graphik = new GraphPage(ProgramDir);
    addPage("graphik", QStringLiteral("График"), graphik);
    setting = new SettingPage;
    addPage("setting", QStringLiteral("Настройки"), setting);
    setting->ComboEdit1->setText(font().family());  // the window's font until the settings change it
    connectGuarded(setting->ComboEdit1, &TComboEdit::buttonClick, this, &TForm1::ComboEdit1ButtonClick);
    connectGuarded(setting->ColorBox1, &TColorBox::colorChanged, this, &TForm1::ColorBox1Change);
    PageControl1->setCurrentWidget(code);
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages wherever the focus is in
    // the window: the tab control alone sees them only when no control on
    // the page (a drop-down list, an edit) keeps them first.
    const auto turnPages = [this](const QKeySequence& keys, int step) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, step] {
            const int pages = PageControl1->count();
            if (pages > 0) PageControl1->setCurrentIndex((PageControl1->currentIndex() + step + pages) % pages);
        });
    };
    turnPages(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    turnPages(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(VorlentaBar1);

    Hints = new ApplicationHints(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    Actions = new TextActions(this, /*withViewItem=*/true);
    code->setTextMenu(Actions->PopupMenu3);
    solution->setTextMenu(Actions->PopupMenu3);
    find->setTextMenu(Actions->PopupMenu3);
    find->setSaveDialog(&Actions->SaveDialog);

    createTrayIcon();
}

QWidget* TForm1::addPage(const char* name, const QString& caption, QWidget* page) {
    page->setObjectName(QString::fromLatin1(name));
    PageControl1->addTab(page, tabImage(PageControl1->count()), caption);
    return page;
}

void TForm1::createViewers() {
    Form2 = std::make_unique<TForm2>();
    solution->setScreenshotViewer(Form2.get());
    // Damage found only when the picture is first drawn, reported once.
    connect(Form2->Image1, &ScreenshotImage::decodeFailed, this,
            [this](const QString& message) { showGeneralError(Form2.get(), message); });
    Form3 = std::make_unique<TForm3>();
    Actions->setViewer(Form3.get());
    // The detached viewer shows the active view's content in the colour and
    // font of the settings page, the font in its colour.
    Form3->setSources([this] { return focusWidget(); },
                      [this] { return setting->ColorBox1->selected().toQColor(); },
                      [this] { return setting->FontDialog1.Font; },
                      [this] { return setting->FontDialog1.Color.toQColor(); });
    // A link there opens a screenshot of the walkthrough selected here.
    connectGuarded(Form3->RxRichEdit2, &RichEditView::URLClick, solution, &SolutionPage::RxRichEdit2URLClick);
}

void TForm1::FormCreate() {
    // An error stops the remaining steps; the window opens with what was
    // filled so far. ProgramDir, the first step, was settled when the window
    // was made, before its pages took their copies.
    guarded(this, [this] {
        setStatusPanelWidth();
        attachApplicationEvents();
        code->showFirstIcon();
        code->listPlatforms();
        find->listPlatforms();
        code->listFirstLetterGroups();
        LoadSettings();
        code->BaseChange();  // the remembered platform takes effect
        selectWindowColour();
        solution->BuildWalkthroughList();
        graphik->BuildStatisticsChart(code->platforms(), solution->walkthroughCount());
    });
}

void TForm1::openFoundGame(const std::string& platform, const std::string& name) {
    PageControl1->setCurrentWidget(code);
    code->openGame(platform, name);
}

void TForm1::setStatusPanelWidth() { VorlentaBar1->setPanelWidth(0, Gauge1->width()); }

void TForm1::attachApplicationEvents() {
    connect(Hints, &ApplicationHints::hintChanged, this, &TForm1::ApplicationHint);
    Hints->startTracking();
}

void TForm1::ApplicationHint(const QString& hint) { VorlentaBar1->setPanelText(1, hint); }

void TForm1::selectWindowColour() { setting->ColorBox1->setSelected(Color); }

void TForm1::closeEvent(QCloseEvent* event) {
    guarded(this, [this] { SaveSettings(); });
    QWidget::closeEvent(event);
    // The viewers are windows of their own; closing this one ends the
    // program even while one of them is open.
    if (event->isAccepted()) QCoreApplication::quit();
}

void TForm1::showFromSecondStart() {
    // Shown first: a hidden window cannot be raised. A normal show, so a
    // minimised window stays minimised; its first paint leaves the tray.
    show();
    raise();
    activateWindow();
}

}  // namespace kodrix
