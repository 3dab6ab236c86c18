#include "CodePage.h"

#include "components/FlatEdit.h"
#include "ui/ApplicationTitle.h"
#include "ui/Bounds.h"
#include "ui/ErrorReport.h"
#include "ui/GuardedConnect.h"
#include "ui/SelectByName.h"
#include "catalogue/CatalogueFs.h"
#include "catalogue/CatalogueNames.h"
#include "catalogue/Messages.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Discovery.h"
#include "catalogue/Error.h"
#include "catalogue/FolderIndex.h"
#include "catalogue/GameEntry.h"
#include "catalogue/IniProfile.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/TextList.h"
#include "platform/SortedViews.h"
#include "platform/Text.h"
#include "platform/UpperCaseValidator.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/icons/IconExtractor.h"
#include "platform/richedit/RichEditView.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <climits>

namespace kodrix {
CodePage::CodePage(const std::filesystem::path& programDir, QWidget* parent)
    : QWidget(parent), programDir_(programDir) {
    setObjectName(QStringLiteral("code"));
    createControls();
    connectHandlers();
}

void CodePage::createControls() {
    Base = new SortedComboBox(this);
    Base->setObjectName(QStringLiteral("Base"));
    Base->setGeometry(0, 0, 97, 21);
    Base->setToolTip(QStringLiteral("Выберите нужную платформу"));

    Codes = new SortedComboBox(this);
    Codes->setObjectName(QStringLiteral("Codes"));
    Codes->setGeometry(96, 0, 114, 21);
    Codes->setToolTip(QStringLiteral("Выберите первый символ игры"));

    LigthFind = new TFlatEdit(this);
    LigthFind->setObjectName(QStringLiteral("LigthFind"));
    LigthFind->setGeometry(0, 24, 209, 21);
    LigthFind->setToolTip(QStringLiteral("Введите название игры или ее часть"));
    LigthFind->setValidator(new UpperCaseValidator(LigthFind));

    IconView = new QLabel(this);
    IconView->setObjectName(QStringLiteral("IconView"));
    IconView->move(216, 2);
    IconView->setAlignment(Qt::AlignCenter);
    IconView->setAttribute(Qt::WA_TranslucentBackground);
    IconView->setToolTip(QStringLiteral("Иконка из игры"));

    CodeView = new SortedListBox(this);
    CodeView->setObjectName(QStringLiteral("CodeView"));
    CodeView->setGeometry(0, 52, 212, 390);

    textview = new RichEditView(this);
    textview->setObjectName(QStringLiteral("textview"));
    textview->setGeometry(212, 52, 490, 390);
}

void CodePage::connectHandlers() {
    // A selection set from code raises none of these: only the user's.
    connectGuarded(Base, &QComboBox::activated, this, &CodePage::BaseChange);
    connectGuarded(Codes, &QComboBox::activated, this, &CodePage::CodesChange);
    connectGuarded(CodeView, &SortedListBox::itemClicked, this, &CodePage::CodeViewClick);
    connectGuarded(LigthFind, &QLineEdit::textEdited, this, &CodePage::LigthFindChange);
    LigthFind->installEventFilter(this);
}

bool CodePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LigthFind && event->type() == QEvent::MouseButtonPress)
        guarded(window(), [this] { LigthFindChange(); });
    return QWidget::eventFilter(watched, event);
}

std::string CodePage::letter() const { return Codes->selectedItem(); }

std::filesystem::path CodePage::PlatformPath() const { return platformDir(programDir_, Base->selectedItem()); }

void CodePage::showFirstIcon() {
    CurrentIconIndex = 9999;
    ShowIcon();
}

void CodePage::listPlatforms() {
    const Listing platforms = kodrix::listPlatforms(programDir_);
    if (platforms.noDatabase) reportNoDatabase(window());
    Base->list()->addMany(platforms.names);
    Base->selectIndex(0);
}

void CodePage::listFirstLetterGroups() {
    ListLetterGroups();
    Codes->selectIndex(0);
    FindRusGroup();
    CodesChange();
}

void CodePage::ListLetterGroups() {
    Listing groups = listLetterGroups(programDir_, Base->selectedItem());
    if (groups.noDatabase) reportNoDatabase(window());
    Codes->list()->addMany(groups.names);
}

void CodePage::FindRusGroup() {
    RusGroupPresent = false;
    int i = findRusGroup(Codes->list()->items());
    if (i >= 0) {
        RusGroupPresent = true;
        RusGroupIndex = i;
    }
}

void CodePage::BaseChange() {
    Codes->list()->clear();
    CodeView->list()->clear();
    textview->clearLines();
    ListLetterGroups();
    Codes->selectIndex(0);
    CodesChange();
    FindRusGroup();
}

void CodePage::CodesChange() {
    const FolderIndex platform(PlatformPath());
    std::int64_t total = 0;
    for (int i = 0; i < Codes->list()->count(); ++i)
        total += static_cast<std::int64_t>(countFileLines(platform.fileOrGuess(names::groupList(Codes->list()->item(i)))));
    PlatformGameTotal = total;

    const std::string L = letter();
    if (L.empty()) {
        CodeView->list()->clear();
        return;
    }
    auto dat = platform.findFile(names::groupList(L));
    if (!dat) {
        CodeView->list()->clear();
        return;
    }
    CodeView->list()->assignLines(readTextLines(*dat));
    CodeView->updateScrollWidth();

    const int maxValue = static_cast<int>(std::min<std::int64_t>(PlatformGameTotal, INT_MAX));
    const int items = CodeView->list()->count();
    // The two bytes LF CR, in that order, break the hint's lines.
    emit letterTotalsChanged(maxValue, std::clamp(items - 1, 0, std::max(maxValue, 0)),
                             QStringLiteral("Всего кодов: ") + QString::number(PlatformGameTotal) + QStringLiteral("\n\r") +
                                 QStringLiteral("Кодов на букву ") + fromCp1251(L) + QStringLiteral(" - ") +
                                 QString::number(items));
}

void CodePage::CodeViewClick() { ReadGame(); }

void CodePage::ReadGame() {
    std::optional<std::string> game;
    if (CodeView->itemIndex() >= 0) game = CodeView->selectedItem();
    const GameRead read = readGame(PlatformPath(), letter(), game);
    const QString name = game ? fromCp1251(*game) : QString();
    if (read.begin && read.end) {
        CodeBegin = *read.begin;
        CodeEnd = *read.end;
    }
    // The reports come in the order the user sees them; the code text stands
    // before a bad icon is reported.
    bool textShown = false;
    for (const GameReadReport& r : read.reports) {
        switch (r.failure) {
        case GameReadFailure::IniMissing: dialogs::errorMessage(window(), fromCp1251(r.message)); return;
        case GameReadFailure::NoGameSelected:
        case GameReadFailure::BadRange: throw Error(r.message);
        case GameReadFailure::ModuleMissing:
            dialogs::errorMessage(window(), fromCp1251(r.message));
            textShown = true;
            break;
        case GameReadFailure::ModuleUnopenable:
            showGameTitle(name);
            textview->clearLines();
            // A plain message dialog, captioned with the title just set.
            dialogs::message(window(), fromCp1251(r.message), applicationTitle(), dialogs::Icon::None);
            textShown = true;
            break;
        case GameReadFailure::BadIcon:
            if (!textShown) showCodeText(read, name);
            throw Error(r.message);
        }
    }
    if (!textShown) showCodeText(read, name);
    GameIconIndex = *read.icon;
    ShowIcon();
    CodeView->setToolTip(name);
}

void CodePage::showGameTitle(const QString& game) {
    CodeView->setToolTip(game);
    setApplicationTitle(QStringLiteral("Kodrix - ") + game);
}

void CodePage::showCodeText(const GameRead& read, const QString& game) {
    showGameTitle(game);
    textview->clearLines();
    textview->setCp1251Lines(read.lines);
}

void CodePage::ShowIcon() {
    // One lookup: the library found is the one opened.
    ResolvedFile library = openPlatformFile(PlatformPath(), names::kIconLibrary);
    if (!library.exists()) {
        IconView->hide();
        return;
    }
    IconView->show();
    if (static_cast<std::int32_t>(CurrentIconIndex) == GameIconIndex) return;
    CurrentIconIndex = static_cast<std::uint16_t>(GameIconIndex & 0xFFFF);
    ExtractedIcon icon = extractIcon(std::move(library.file), CurrentIconIndex);
    CurrentIconIndex = static_cast<std::uint16_t>(icon.indexUsed);
    IconView->setPixmap(QPixmap::fromImage(icon.image));
    IconView->resize(icon.image.size());
}

void CodePage::LigthFindChange() {
    const std::string T = toCp1251(LigthFind->text());
    if (T.empty()) return;
    const auto first = static_cast<unsigned char>(T[0]);
    if (cp1251::isCyrillicCapital(first)) {
        if (RusGroupPresent) Codes->selectIndex(RusGroupIndex);
    } else {
        const std::string one(1, static_cast<char>(first));
        for (int i = 0; i < Codes->list()->count(); ++i) {
            if (Codes->list()->itemView(i) == one) {
                LetterMatchIndex = i;
                break;
            }
        }
        Codes->selectIndex(LetterMatchIndex);
    }
    CodesChange();

    // The first game whose beginning equals the text, case ignored; none
    // leaves the list without a selection.
    const std::string wanted = cp1251::lower(T);
    int match = -1;
    for (int i = 0; i < CodeView->list()->count(); ++i) {
        if (cp1251::lowerStartsWith(CodeView->list()->itemView(i), wanted)) {
            match = i;
            break;
        }
    }
    CodeView->setItemIndex(match);
}

void CodePage::openGame(const std::string& platform, const std::string& name) {
    CodeView->setFocus(Qt::OtherFocusReason);

    for (int i = 0; i < Base->list()->count(); ++i)
        if (Base->list()->itemView(i) == platform) Base->selectIndex(i);
    BaseChange();

    if (!name.empty()) {
        const std::string first(1, name.front());
        for (int i = 0; i < Codes->list()->count(); ++i)
            if (Codes->list()->itemView(i) == first) Codes->selectIndex(i);
    }
    CodesChange();

    LigthFind->setText(fromCp1251(name));
    LigthFindChange();  // also when the box held that text already
    // An empty line names no game: there is nothing to show.
    if (!name.empty()) CodeViewClick();
}

void CodePage::applyLayout(QSize outer) {
    using namespace bounds;
    const int W = outer.width(), H = outer.height();
    setWidth(CodeView, W / 3);
    setHeight(CodeView, H - 152);
    setHeight(textview, H - 152);
    setWidth(Base, W / 6);
    setLeft(Codes, W / 6);
    setWidth(Codes, W / 6);
    setWidth(LigthFind, W / 3);
    setLeft(textview, W / 3 + 2);
    setWidth(textview, W - textview->x() - 16);
    setLeft(IconView, W / 3 + 2);
}


std::string CodePage::platform() const { return Base->selectedItem(); }

void CodePage::selectPlatformByName(const std::string& name) { selectByName(*Base, programDir_, name); }

std::vector<std::string> CodePage::platforms() const { return Base->list()->items(); }

void CodePage::setTextMenu(QMenu* menu) { textview->setPopupMenu(menu); }

}  // namespace kodrix
