#pragma once
// The "Коды" page: choose a platform, the first character of a game's name
// and the game, and read its codes beside its icon. Quick find jumps to a game
// while the user types its name.
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;

namespace kodrix {

struct GameRead;
class RichEditView;
class SortedComboBox;
class SortedListBox;

class CodePage : public QWidget {
    Q_OBJECT
public:
    explicit CodePage(const std::filesystem::path& programDir, QWidget* parent = nullptr);

    // Controls, under their component names.
    SortedComboBox* Base = nullptr;
    SortedComboBox* Codes = nullptr;
    QLineEdit* LigthFind = nullptr;
    SortedListBox* CodeView = nullptr;
    RichEditView* textview = nullptr;
    QLabel* IconView = nullptr;

    // The sum of the line counts of every letter group of the current platform.
    std::int64_t PlatformGameTotal = 0;
    bool RusGroupPresent = false;
    int RusGroupIndex = 0;
    std::int32_t LetterMatchIndex = 0;
    // The selected game's string range and icon.
    std::int32_t CodeBegin = 0;
    std::int32_t CodeEnd = 0;
    std::int32_t GameIconIndex = 0;
    std::uint16_t CurrentIconIndex = 9999;  // the icon shown last; 9999 loads the first one

    // Events. They throw the program's errors; the connections made by the
    // page run them through the general error report.
    void BaseChange();       // platform change
    void CodesChange();      // letter change
    void CodeViewClick();    // game click: read the game
    void LigthFindChange();  // quick find

    // The page's steps of the main window's creation step, in their order.
    void showFirstIcon();          // no icon shown yet: the first request loads one
    void listPlatforms();          // into Base; item 0 selected
    void listFirstLetterGroups();  // of Base into Codes; item 0, RUS group, letter change

    // A found game opened from the search page: the game list takes the
    // focus, then the page's own steps run in order: platform change, letter
    // change, quick find, game click (platform and name in cp1251).
    void openGame(const std::string& platform, const std::string& name);

    // Steps the other pages call.
    void ListLetterGroups();  // of Base into Codes (not cleared first)
    void FindRusGroup();
    void ReadGame();
    void ShowIcon();
    std::filesystem::path PlatformPath() const;

    // What the main window keeps between runs and shares: the chosen
    // platform (cp1251, upper case), the listed platforms, the text menu.
    std::string platform() const;
    void selectPlatformByName(const std::string& name);  // no change event; see ui/SelectByName.h
    std::vector<std::string> platforms() const;
    void setTextMenu(QMenu* menu);

    // The page's layout rule, with outer the main window's outer size (frame
    // and title bar included): the game list takes a third of the width, the
    // text view the rest, and both grow with the height.
    void applyLayout(QSize outer);
    std::string letter() const;  // the text shown in Codes (cp1251)

signals:
    // A letter change counted the platform: the gauge's maximum, progress
    // and hint (the hint's lines break at the two characters LF CR).
    void letterTotalsChanged(int maxValue, int progress, const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void showGameTitle(const QString& game);
    void showCodeText(const GameRead& read, const QString& game);

    std::filesystem::path programDir_;
};

}  // namespace kodrix
