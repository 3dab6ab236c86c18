#pragma once
// The "Прохождения" page: the walkthroughs beside the program, listed by
// their display names; typing the beginning of a name selects it, selecting
// a walkthrough shows its document, and a link in the document opens its
// screenshot in the screenshot viewer.
#include <QWidget>
#include <filesystem>

class QLineEdit;
class QMenu;

namespace kodrix {

class RichEditView;
class SortedListBox;
class TForm2;
class WalkthroughNamesAhead;
class WalkthroughTable;

class SolutionPage : public QWidget {
    Q_OBJECT
public:
    // table: the main window's walkthrough table, filled by BuildWalkthroughList.
    SolutionPage(const std::filesystem::path& programDir, WalkthroughTable& table, QWidget* parent = nullptr);

    // Controls, under their component names.
    QLineEdit* Edit2 = nullptr;
    SortedListBox* TextListBox2 = nullptr;
    RichEditView* RxRichEdit2 = nullptr;

    // The window a link click shows its screenshot in.
    void setScreenshotViewer(TForm2* viewer) { screenshots_ = viewer; }

    // Names read ahead while the program started, for the first build.
    void setNamesAhead(WalkthroughNamesAhead* ahead) { namesAhead_ = ahead; }

    // Its part of the creation step: the table and the list, built once.
    void BuildWalkthroughList();

    // Events. They throw the program's errors; the page's connections run
    // them through the general error report.
    void TextListBox2Click();  // open the selected walkthrough
    void Edit2Change();        // select the first name beginning with the text
    // A link click in this page's view or in the detached viewer: the
    // screenshot "img" + the link text less its first four characters, from
    // the module of the walkthrough selected in the list now.
    void RxRichEdit2URLClick(const QString& linkText, Qt::MouseButton button);

    // The number of walkthroughs listed, and the text menu of the view.
    int walkthroughCount() const;
    void setTextMenu(QMenu* menu);

    // The page's layout rule, with outer the main window's outer size: the
    // list takes a third of the width, the document the rest.
    void applyLayout(QSize outer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WalkthroughNamesAhead* namesAhead_ = nullptr;
    void createControls();
    void connectHandlers();

    std::filesystem::path programDir_;
    WalkthroughTable& table_;
    TForm2* screenshots_ = nullptr;
};

}  // namespace kodrix
