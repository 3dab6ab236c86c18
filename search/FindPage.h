#pragma once
// The "Поиск" page: finds every game of one platform whose name contains a
// piece of text, in any letter group and any letter case, and opens a found
// game on the code page.
//
// A run reads every letter-group list of the platform afresh, in two phases
// (collecting the names at least as long as the query, then testing them),
// and lets pending window events be handled between items, so the window
// stays alive and the user can switch pages, change the platform or open a
// result meanwhile. The hidden start button is what keeps a second run from
// starting.
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QToolButton;
class QAction;

namespace kodrix {
namespace dialogs {
class SaveDialog;
}

class RichEditView;
class SortedComboBox;
class SortedListBox;
class TNProgressBar;
class WorkList;

class FindPage : public QWidget {
    Q_OBJECT
public:
    explicit FindPage(const std::filesystem::path& programDir, QWidget* parent = nullptr);

    // Controls, under their component names.
    SortedComboBox* base2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label1 = nullptr;
    TNProgressBar* NProgressBar1 = nullptr;
    SortedListBox* TextListBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;   // work list: the run's letter groups, never shown
    QListView* ListBox1 = nullptr;    // work list: the run's candidate names, never shown
    RichEditView* RxRichEdit1 = nullptr;  // plain text is its own format
    QMenu* PopupMenu4 = nullptr;          // TextListBox1's popup menu
    QAction* SaveGamename1 = nullptr;     // "Сохранить имена игр"

    // The work lists' items (cp1251).
    WorkList* groupList() const { return groups_; }
    WorkList* candidateList() const { return candidates_; }

    // Events. They throw the program's errors; the page's connections run
    // them through the general error report.
    void SpeedButton1Click();   // start search
    void Edit1KeyPress(char key);
    void Base2Change();         // search platform change
    void TextListBox1Click();   // result click: asks for the game (gameRequested)
    // Save names: the results, in list order, each as its cp1251 bytes and
    // CR LF, into the file chosen in the save dialog ("find.doc" proposed).
    void SaveGamename1Click();

    // The main window's save dialog, which Save names opens. Without one,
    // Save names does nothing.
    void setSaveDialog(dialogs::SaveDialog* dialog) { saveDialog_ = dialog; }

    // Its part of the creation step: the platforms into base2, item 0 selected.
    void listPlatforms();

    // What the main window keeps between runs: the search platform (cp1251,
    // upper case); and the text menu of its view.
    std::string platform() const;
    void selectPlatformByName(const std::string& name);  // no change event; see ui/SelectByName.h
    void setTextMenu(QMenu* menu);

    // The page's layout rule, with outer the main window's outer size: the
    // controls on the left take a third of the width, the view the rest.
    void applyLayout(QSize outer);

    // A run is in progress exactly while the start button is hidden.
    bool running() const;

signals:
    // A result click asks for the game to be opened on the code page: the
    // search platform and the clicked name (cp1251; empty for an empty line).
    void gameRequested(const std::string& platform, const std::string& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void collectCandidates(const std::filesystem::path& searchPath, std::size_t queryLength);
    void matchCandidates(const std::string& query);
    void addPendingResults();
    void showProgress(int position, int last);
    void setStatus(const QString& text);
    void endRun();

    std::filesystem::path programDir_;
    WorkList* groups_ = nullptr;
    WorkList* candidates_ = nullptr;
    // Matches not yet in the result list: they join it in bulk, so a run
    // with tens of thousands of results costs no quadratic inserts.
    std::vector<std::string> pending_;
    // Set by a platform change during a run: the run adds nothing more.
    bool stopRun_ = false;
    int progressPixel_ = -1;  // the bar's filled length written last
    dialogs::SaveDialog* saveDialog_ = nullptr;
};

}  // namespace kodrix
