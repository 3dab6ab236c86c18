#include "app/Unit1.h"
#include "catalogue/Cp1251.h"
#include "platform/SortedViews.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/jpeg/JpegPicture.h"
#include "platform/registry/MemorySettingsStore.h"
#include "platform/richedit/RichEditView.h"
#include "search/GraphPage.h"
#include "components/BarChart.h"
#include "support/MainWindow.h"
#include "support/JpegEncode.h"
#include "ui/ErrorReport.h"
#include "walkthroughs/ScreenshotImage.h"
#include "walkthroughs/SolutionPage.h"
#include "walkthroughs/Unit2.h"
#include "viewer/TextActions.h"
#include "viewer/Unit3.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> rtf(const std::string& body) {
    return bytes("{\\rtf1\\ansi\\ansicpg1251 " + cp1251::fromUtf8(body) + "}");
}

// The walkthrough page inside the main window, over walkthrough modules
// written into the test's catalogue.
class SolutionPageTest : public test::MainWindowTest {
protected:

    void SetUp() override {
        cat.platform("PC");
        cat.group("PC", "A", {{"Alpha", 0, {"a"}}});
        cat.platform("PS2");  // two platforms, so the chart has its totals line
        cat.group("PS2", "B", {{"Beta", 0, {"b"}}});
    }
    void walkthrough(const std::string& file, const std::string& nameUtf8, std::vector<std::uint8_t> document,
                     std::vector<std::pair<std::string, std::vector<std::uint8_t>>> images = {}) {
        cat.dir.mkdir("sol");
        pack::writeWalkthrough(cat.dir.path() / "sol" / file,
                               pack::WalkthroughSource{cp1251::fromUtf8(nameUtf8), std::move(document), std::move(images)});
    }
    SolutionPage& openPage() { return *open().solution; }
    void select(const char* nameUtf8) {
        SolutionPage& p = *form->solution;
        p.TextListBox2->setItemIndex(p.TextListBox2->list()->indexOf(cp1251::fromUtf8(nameUtf8)));
        guarded(form.get(), [&] { p.TextListBox2Click(); });
    }
    void clickLink(const QString& text, Qt::MouseButton button = Qt::LeftButton) {
        guarded(form.get(), [&] { form->solution->RxRichEdit2URLClick(text, button); });
    }
    QString lastReport() const { return script.messages.empty() ? QString() : script.messages.back().text; }
    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < form->solution->TextListBox2->list()->count(); ++i)
            out << form->solution->TextListBox2->list()->text(i);
        return out;
    }
};

}  // namespace

TEST_F(SolutionPageTest, ListsUsableModulesByDisplayNameAndTheChartCountsThem) {
    walkthrough("b.dll", "Zeta\r\nAlpha", rtf("b"));
    walkthrough("a.dll", "Гонки", rtf("a"));
    walkthrough("c.dll", "Гонки", rtf("c"));  // equal names: two rows
    walkthrough("empty.dll", "", rtf("x"));  // no line: left out, silently
    cat.file("sol/junk.dll", "not a module");
    open();
    EXPECT_EQ(listed(), (QStringList{"Alpha", "Гонки", "Гонки"}));
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(form->graphik->Chart1->title().last(), "Кодов всего: 2 шт. Прохождений: 3 шт.");
}

TEST_F(SolutionPageTest, NoWalkthroughFolderGivesAnEmptyList) {
    open();
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(form->graphik->Chart1->title().last(), "Кодов всего: 2 шт. Прохождений: 0 шт.");
}

TEST_F(SolutionPageTest, SelectingOpensTheDocumentOfTheModuleFoundFirst) {
    walkthrough("1.dll", "Same", rtf("{\\b Первый} документ"));
    walkthrough("2.dll", "Same", rtf("второй"));
    walkthrough("3.dll", "Plain", bytes(std::string("\xFF\xFE\x1F\x04\x40\x04", 6)));  // UTF-16: "Пр"
    walkthrough("4.dll", "Broken", bytes("odd"));  // neither RTF nor UTF-16
    SolutionPage& p = openPage();
    const std::string first = form->Walkthroughs.ModuleFileName[*form->Walkthroughs.findWalkthrough("Same")];
    select("Same");
    EXPECT_EQ(p.RxRichEdit2->toPlainText(), first == "1.dll" ? "Первый документ" : "второй");
    EXPECT_EQ(p.RxRichEdit2->textCursor().position(), 0);

    select("Plain");
    EXPECT_EQ(p.RxRichEdit2->toPlainText(), "Пр");

    select("Broken");
    EXPECT_EQ(lastReport(), "Failed to Load Stream.");
    EXPECT_TRUE(p.RxRichEdit2->toPlainText().isEmpty());

    std::filesystem::remove(cat.dir.path() / "sol" / "3.dll");  // deleted after start-up
    select("Plain");
    EXPECT_EQ(lastReport(), "Resource File1 not found.");
    EXPECT_TRUE(p.RxRichEdit2->toPlainText().isEmpty());
}

TEST_F(SolutionPageTest, FindBoxSelectsByPrefixWithoutOpening) {
    for (const char* n : {"Мания", "Магия", "Зелье", "Abc"}) walkthrough(std::string(n) + ".dll", n, rtf(n));
    SolutionPage& p = openPage();
    p.Edit2->setText(QStringLiteral("ма"));  // the box upper-cases what is typed
    EXPECT_EQ(p.Edit2->text(), "МА");
    EXPECT_EQ(p.TextListBox2->selectedItem(), cp1251::fromUtf8("Магия"));
    EXPECT_TRUE(p.RxRichEdit2->toPlainText().isEmpty());  // not opened
    p.Edit2->setText(QStringLiteral("МАГИЯX"));
    EXPECT_EQ(p.TextListBox2->itemIndex(), -1);
    p.Edit2->clear();
    EXPECT_EQ(p.TextListBox2->itemIndex(), 0);
}

TEST_F(SolutionPageTest, LinksOpenScreenshotsOfTheWalkthroughSelectedNow) {
    const auto big = test::solidJpeg(1024, 600, qRgb(200, 0, 0));
    const auto small = test::solidJpeg(40, 30, qRgb(0, 0, 200));
    walkthrough("one.dll", "One", rtf("см. www.12 и www.7"), {{"12", big}, {"7", small}, {"bad", bytes("no jpeg")}});
    walkthrough("two.dll", "Two", rtf("x"), {{"12", small}});
    SolutionPage& p = openPage();
    TForm2& viewer = *form->Form2;
    select("One");

    clickLink("www.12", Qt::RightButton);  // the right button opens the menu only
    EXPECT_FALSE(viewer.isVisible());
    clickLink("www.12");
    ASSERT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.Image1->picture()->size(), QSize(1024, 600));
    clickLink("www.7");  // the same window, the new picture
    EXPECT_EQ(viewer.Image1->picture()->size(), QSize(40, 30));

    p.Edit2->setText(QStringLiteral("TW"));  // moved by the find box, not opened
    clickLink("www.12");
    EXPECT_EQ(viewer.Image1->picture()->size(), QSize(40, 30));  // two.dll's img12
    EXPECT_TRUE(script.messages.empty());

    select("One");
    clickLink("www.");
    EXPECT_EQ(lastReport(), "Resource img not found.");
    clickLink("www.99");
    EXPECT_EQ(lastReport(), "Resource img99 not found.");
    EXPECT_EQ(viewer.Image1->picture()->size(), QSize(40, 30));  // left as it was
    clickLink("www.bad");
    EXPECT_TRUE(lastReport().startsWith("JPEG error #")) << lastReport().toStdString();
    EXPECT_TRUE(viewer.Image1->picture()->isEmpty());  // holds the new, empty picture

    p.Edit2->setText(QStringLiteral("Я"));  // no selection while the document is still shown
    clickLink("www.12");
    EXPECT_EQ(lastReport(), "List index out of bounds (-1)");
}

TEST_F(SolutionPageTest, TheDetachedViewerCopiesTheActiveViewAndItsLinksUseTheMainSelection) {
    const auto small = test::solidJpeg(40, 30, qRgb(0, 0, 200));
    walkthrough("one.dll", "One", rtf("{\\b Жирный} www.5"), {{"5", small}});
    walkthrough("two.dll", "Two", rtf("x"));
    SolutionPage& p = openPage();
    form->show();
    select("One");
    p.RxRichEdit2->setFocus();
    form->Actions->N11Click();
    TForm3& viewer = *form->Form3;
    ASSERT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.RxRichEdit2->toPlainText(), "Жирный www.5");
    EXPECT_TRUE(viewer.RxRichEdit2->autoUrlDetect());

    // The viewer's link, with "Two" selected in the main list: Two has no img5.
    p.TextListBox2->setItemIndex(p.TextListBox2->list()->indexOf("Two"));
    emit viewer.RxRichEdit2->URLClick(QStringLiteral("www.5"), Qt::LeftButton);
    EXPECT_EQ(lastReport(), "Resource img5 not found.");
    p.TextListBox2->setItemIndex(p.TextListBox2->list()->indexOf("One"));
    emit viewer.RxRichEdit2->URLClick(QStringLiteral("www.5"), Qt::LeftButton);
    EXPECT_TRUE(form->Form2->isVisible());
}
