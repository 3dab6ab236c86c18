#include "FindPage.h"

#include "WorkList.h"
#include "catalogue/CatalogueNames.h"
#include "catalogue/Discovery.h"
#include "catalogue/FolderIndex.h"
#include "catalogue/GameSearch.h"
#include "catalogue/Messages.h"
#include "catalogue/TextList.h"
#include "components/FlatEdit.h"
#include "components/ProgresBarFlat.h"
#include "platform/EventPump.h"
#include "platform/SortedViews.h"
#include "platform/Text.h"
#include "platform/WholeFileWriter.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"
#include "ui/Bounds.h"
#include "ui/ErrorReport.h"
#include "ui/GuardedConnect.h"
#include "ui/SelectByName.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>
#include <algorithm>
#include <initializer_list>

namespace kodrix {
namespace {

const QString kIdleStatus = QStringLiteral("Статус поиска");
const QString kSortingStatus = QStringLiteral("Сортирую...");
const QString kMatchingStatus = QStringLiteral("Ищу...");
QString finalStatus(int found) { return QStringLiteral("Поиск завершен, найдено: ") + QString::number(found); }

// Matches join the result list at most this often, like the event pump's
// passes, so the list grows while the user watches.
constexpr qint64 kResultIntervalMs = 15;
// Up to this size the list takes the matches at every interval; a larger
// list waits until the matches waiting are at least half its size, so the
// bulk inserts of a run cost a bounded multiple of one final sort.
constexpr std::size_t kSmallList = 4096;

}  // namespace

FindPage::FindPage(const std::filesystem::path& programDir, QWidget* parent)
    : QWidget(parent), programDir_(programDir) {
    setObjectName(QStringLiteral("find"));
    createControls();
    connectHandlers();
}

void FindPage::createControls() {
    base2 = new SortedComboBox(this);
    base2->setObjectName(QStringLiteral("base2"));
    base2->setGeometry(0, 0, 209, 21);
    base2->setToolTip(QStringLiteral("Выберите нужную платформу"));

    Edit1 = new TFlatEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(0, 26, 209, 21);
    Edit1->setToolTip(QStringLiteral("Введите имя игры или ее часть"));
    // Flat; the line around it keeps it visible on the window's colour.

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(0, 53, 209, 49);
    SpeedButton1->setText(QStringLiteral("Начать поиск"));
    SpeedButton1->setToolTip(QStringLiteral("Начать поиск требуемой игры"));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SpeedButton1->setAutoRaise(true);  // flat
    // Its own font: every attribute set, so the window's font never reaches it.
    QFont buttonFont(QStringLiteral("MS Sans Serif"));
    buttonFont.setStyleHint(QFont::SansSerif);
    buttonFont.setPixelSize(19);  // 14 point at 96 dots per inch
    buttonFont.setBold(true);
    SpeedButton1->setFont(buttonFont);

    Label1 = new QLabel(kIdleStatus, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 109, 73, 13);

    NProgressBar1 = new TNProgressBar(this);
    NProgressBar1->setObjectName(QStringLiteral("NProgressBar1"));
    NProgressBar1->setGeometry(0, 136, 209, 25);
    NProgressBar1->setSmooth(true);
    NProgressBar1->setShowFrame(false);

    TextListBox1 = new SortedListBox(this);
    TextListBox1->setObjectName(QStringLiteral("TextListBox1"));
    TextListBox1->setGeometry(0, 162, 209, 277);
    TextListBox1->setToolTip(QStringLiteral("Список найденных игр"));

    groups_ = new WorkList(this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setModel(groups_);
    ComboBox1->hide();

    candidates_ = new WorkList(this);
    ListBox1 = new QListView(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setModel(candidates_);
    ListBox1->hide();

    RxRichEdit1 = new RichEditView(this);
    RxRichEdit1->setObjectName(QStringLiteral("RxRichEdit1"));
    RxRichEdit1->setGeometry(210, 0, 493, 439);
    RxRichEdit1->setAcceptRichText(false);  // plain text
    RxRichEdit1->setOwnFormat(RichEditView::TextFormat::PlainText);

    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    SaveGamename1 = PopupMenu4->addAction(QStringLiteral("Сохранить имена игр"));
    SaveGamename1->setObjectName(QStringLiteral("SaveGamename1"));
    TextListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void FindPage::connectHandlers() {
    connectGuarded(SpeedButton1, &QToolButton::clicked, this, &FindPage::SpeedButton1Click);
    connectGuarded(base2, &QComboBox::activated, this, &FindPage::Base2Change);
    connectGuarded(TextListBox1, &SortedListBox::itemClicked, this, &FindPage::TextListBox1Click);
    Edit1->installEventFilter(this);
    connectGuarded(SaveGamename1, &QAction::triggered, this, &FindPage::SaveGamename1Click);
    connect(TextListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu4->popup(TextListBox1->viewport()->mapToGlobal(pos)); });
}

bool FindPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        char typed = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) typed = '\r';
        else if (!key->text().isEmpty()) typed = toCp1251(key->text().left(1)).front();
        if (typed != 0) guardedSlot(this, &FindPage::Edit1KeyPress)(typed);
    }
    return QWidget::eventFilter(watched, event);
}

void FindPage::listPlatforms() {
    const Listing platforms = kodrix::listPlatforms(programDir_);
    if (platforms.noDatabase) reportNoDatabase(window());
    base2->list()->addMany(platforms.names);
    base2->selectIndex(0);
}

bool FindPage::running() const { return SpeedButton1->isHidden(); }

void FindPage::Edit1KeyPress(char key) {
    if (key == '\r' && !running()) SpeedButton1Click();
}

void FindPage::SpeedButton1Click() {
    SpeedButton1->hide();
    NProgressBar1->setPosition(0);
    stopRun_ = false;
    pending_.clear();
    groups_->clear();
    candidates_->clear();

    // The query and the platform are read once: edits made during the run
    // do not change it.
    const std::string platform = base2->selectedItem();
    const std::string query = toCp1251(Edit1->text());
    bool collecting = true;
    try {
        const Listing groups = listLetterGroups(programDir_, platform);
        if (groups.noDatabase) reportNoDatabase(window());
        groups_->append(groups.names);
        collectCandidates(platformDir(programDir_, platform), query.size());
        collecting = false;
        TextListBox1->list()->clear();
        matchCandidates(query);
    } catch (...) {
        // A list that cannot be read stops the run; the names of the group
        // read last are no results. The page returns to idle before the
        // error is reported.
        if (collecting) TextListBox1->list()->clear();
        pending_.clear();
        endRun();
        throw;
    }
    endRun();
}

void FindPage::collectCandidates(const std::filesystem::path& searchPath, std::size_t queryLength) {
    const FolderIndex folder(searchPath);
    NProgressBar1->setMax(groups_->count() - 1);
    NProgressBar1->setMin(0);
    for (int i = 0; i < groups_->count(); ++i) {
        processPendingEvents();
        if (stopRun_) return;
        setStatus(kSortingStatus);
        showProgress(i, groups_->count() - 1);
        // The result list sorts the group's names; they are collected in
        // that order.
        SortedStringList* list = TextListBox1->list();
        list->assignLines(readTextLines(folder.fileOrGuess(names::groupList(groups_->item(i)))));
        std::vector<std::string> longEnough;
        for (int k = 0; k < list->count(); ++k)
            if (list->itemView(k).size() >= queryLength) longEnough.emplace_back(list->itemView(k));
        candidates_->append(longEnough);
    }
}

void FindPage::matchCandidates(const std::string& query) {
    const GameMatcher matcher(query);
    const std::vector<std::string>& names = candidates_->items();
    const int count = candidates_->count();
    NProgressBar1->setMax(count - 1);
    NProgressBar1->setMin(0);
    setStatus(kMatchingStatus);
    QElapsedTimer sinceAdded;
    sinceAdded.start();
    for (int j = 0; j < count && !stopRun_; ++j) {
        processPendingEvents();
        // The match test.
        processPendingEvents();
        if (stopRun_) break;
        if (matcher.matches(names[static_cast<std::size_t>(j)])) pending_.push_back(names[static_cast<std::size_t>(j)]);
        processPendingEvents();
        showProgress(j, count - 1);

        if (!pending_.empty() && sinceAdded.elapsed() >= kResultIntervalMs &&
            (static_cast<std::size_t>(TextListBox1->list()->count()) <= kSmallList ||
             pending_.size() * 2 >= static_cast<std::size_t>(TextListBox1->list()->count()))) {
            addPendingResults();
            sinceAdded.start();
        }
    }
    addPendingResults();
}

void FindPage::addPendingResults() {
    if (pending_.empty()) return;
    TextListBox1->list()->addMany(pending_);
    TextListBox1->updateScrollWidth();
    pending_.clear();
}

void FindPage::showProgress(int position, int last) {
    // A position write costs more than a candidate's match test (the bar
    // and its accessibility follow every value): positions that move the bar
    // by less than a pixel are not written; the first and last always are.
    const qint64 range = qint64(NProgressBar1->max()) - NProgressBar1->min();
    const int pixel = range > 0 ? int((position - NProgressBar1->min()) * NProgressBar1->width() / range) : 0;
    if (position != last && pixel == progressPixel_ && position != 0) return;
    progressPixel_ = pixel;
    NProgressBar1->setPosition(position);
}

void FindPage::setStatus(const QString& text) {
    if (Label1->text() == text) return;
    Label1->setText(text);
    // The label sizes itself to its text; the window's layout may widen it.
    Label1->resize(std::max(Label1->width(), Label1->sizeHint().width()), Label1->height());
}

void FindPage::endRun() {
    setStatus(finalStatus(TextListBox1->list()->count()));
    SpeedButton1->show();
}

void FindPage::Base2Change() {
    TextListBox1->list()->clear();
    TextListBox1->updateScrollWidth();
    setStatus(kIdleStatus);
    NProgressBar1->setPosition(0);
    // A run still going on belongs to the platform chosen before: it adds
    // nothing more and ends with its final status.
    if (running()) {
        stopRun_ = true;
        pending_.clear();
    }
}

void FindPage::TextListBox1Click() { emit gameRequested(base2->selectedItem(), TextListBox1->selectedItem()); }

void FindPage::SaveGamename1Click() {
    if (!saveDialog_) return;
    saveDialog_->FileName = QStringLiteral("find.doc");
    if (!saveDialog_->Execute(window())) return;
    std::string bytes;
    for (const std::string& name : TextListBox1->list()->items()) bytes += name + "\r\n";
    writeWholeFile(saveDialog_->FileName, QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void FindPage::applyLayout(QSize outer) {
    using namespace bounds;
    const int W = outer.width(), H = outer.height();
    setHeight(TextListBox1, H - 262);
    setHeight(RxRichEdit1, H - 100);
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, NProgressBar1, SpeedButton1, Edit1, base2, TextListBox1})
        setWidth(w, W / 3);
    setLeft(RxRichEdit1, W / 3 + 2);
    setWidth(RxRichEdit1, W - RxRichEdit1->x() - 16);
}


std::string FindPage::platform() const { return base2->selectedItem(); }

void FindPage::selectPlatformByName(const std::string& name) { selectByName(*base2, programDir_, name); }

void FindPage::setTextMenu(QMenu* menu) { RxRichEdit1->setPopupMenu(menu); }

}  // namespace kodrix
