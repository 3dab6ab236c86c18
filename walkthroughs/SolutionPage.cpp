#include "walkthroughs/SolutionPage.h"

#include "catalogue/Collation.h"
#include "catalogue/Cp1251.h"
#include "catalogue/WalkthroughTable.h"
#include "platform/EventPump.h"
#include "platform/SortedViews.h"
#include "platform/Text.h"
#include "platform/UpperCaseValidator.h"
#include "platform/richedit/RichEditView.h"
#include "ui/Bounds.h"
#include "ui/GuardedConnect.h"
#include "walkthroughs/Unit2.h"

#include <QEvent>
#include <QLineEdit>

namespace kodrix {

SolutionPage::SolutionPage(const std::filesystem::path& programDir, WalkthroughTable& table, QWidget* parent)
    : QWidget(parent), programDir_(programDir), table_(table) {
    setObjectName(QStringLiteral("solution"));
    createControls();
    connectHandlers();
}

void SolutionPage::createControls() {
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(0, 1, 191, 21);
    Edit2->setToolTip(QStringLiteral("Введите название игры или ее часть"));
    Edit2->setValidator(new UpperCaseValidator(Edit2));

    TextListBox2 = new SortedListBox(this);
    TextListBox2->setObjectName(QStringLiteral("TextListBox2"));
    TextListBox2->setGeometry(0, 32, 190, 407);
    TextListBox2->setToolTip(QStringLiteral("Выберите нужное прохождение"));
    TextListBox2->viewport()->setCursor(Qt::PointingHandCursor);

    RxRichEdit2 = new RichEditView(this);
    RxRichEdit2->setObjectName(QStringLiteral("RxRichEdit2"));
    RxRichEdit2->setGeometry(192, 0, 505, 439);
    RxRichEdit2->setAutoUrlDetect(true);
}

void SolutionPage::connectHandlers() {
    connectGuarded(TextListBox2, &SortedListBox::itemClicked, this, &SolutionPage::TextListBox2Click);
    connectGuarded(Edit2, &QLineEdit::textChanged, this, &SolutionPage::Edit2Change);
    connectGuarded(RxRichEdit2, &RichEditView::URLClick, this, &SolutionPage::RxRichEdit2URLClick);
    Edit2->installEventFilter(this);
}

bool SolutionPage::eventFilter(QObject* watched, QEvent* event) {
    // A click into the find box runs it again.
    if (watched == Edit2 && event->type() == QEvent::MouseButtonPress)
        guarded(window(), [this] { Edit2Change(); });
    return QWidget::eventFilter(watched, event);
}

void SolutionPage::BuildWalkthroughList() {
    table_.build(programDir_, &collation::sortKey, [] { processPendingEvents(); }, std::exchange(namesAhead_, nullptr));
    TextListBox2->list()->assign(table_.displayNames());
    TextListBox2->updateScrollWidth();
}

void SolutionPage::TextListBox2Click() {
    RxRichEdit2->clearLines();
    const auto i = table_.findWalkthrough(TextListBox2->selectedItem());
    if (!i) return;
    const std::vector<std::uint8_t> document = table_.readDocument(programDir_, *i);
    processPendingEvents();  // the cleared view repaints before the document is read
    RxRichEdit2->loadFromStream(QByteArrayView(document.data(), static_cast<qsizetype>(document.size())));
}

void SolutionPage::Edit2Change() {
    const int count = TextListBox2->list()->count();
    if (count == 0) return;
    // The first name beginning with the text, case ignored; none leaves the
    // list without a selection.
    const std::string wanted = cp1251::lower(toCp1251(Edit2->text()));
    int match = -1;
    for (int i = 0; i < count && match < 0; ++i)
        if (cp1251::lowerStartsWith(TextListBox2->list()->itemView(i), wanted)) match = i;
    TextListBox2->setItemIndex(match);
    if (match >= 0) TextListBox2->scrollTo(TextListBox2->list()->index(match));
}

void SolutionPage::RxRichEdit2URLClick(const QString& linkText, Qt::MouseButton button) {
    if (button == Qt::RightButton) return;  // the right button opens the view's menu only
    const std::string text = toCp1251(linkText);
    const std::string key = text.size() > 4 ? text.substr(4) : std::string();
    const auto i = table_.findWalkthrough(TextListBox2->selectedItem());  // "List index out of bounds (-1)" with none
    if (!i || !screenshots_) return;
    const std::vector<std::uint8_t> jpeg = table_.readScreenshot(programDir_, *i, key);
    screenshots_->showScreenshot(jpeg, window()->palette().color(QPalette::Window));
}

void SolutionPage::applyLayout(QSize outer) {
    using namespace bounds;
    const int W = outer.width(), H = outer.height();
    setHeight(TextListBox2, H - 133);
    setHeight(RxRichEdit2, H - 100);
    setWidth(TextListBox2, W / 3);
    setWidth(Edit2, W / 3);
    setLeft(RxRichEdit2, W / 3 + 2);
    setWidth(RxRichEdit2, W - RxRichEdit2->x() - 16);
}


int SolutionPage::walkthroughCount() const { return TextListBox2->list()->count(); }

void SolutionPage::setTextMenu(QMenu* menu) { RxRichEdit2->setPopupMenu(menu); }

}  // namespace kodrix
