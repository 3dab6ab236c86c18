#pragma once
// The "Коды" page: choose a platform, the first character of a game's name
// and the game, and read its codes beside its icon. Quick find jumps to a game
// while the user types its name.
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <string>

class QLabel;
class QLineEdit;

namespace kodrix {

class RichEditView;
class SortedComboBox;
class SortedListBox;
class TGauge;

// Selects, in a platform box, the item equal byte for byte to a remembered
// platform name; nothing happens when the name is empty or nothing of that
// name exists beside the program. Every equal item is selected in turn, so
// the last one ends selected. No change event is raised.
void selectByName(SortedComboBox& box, const std::filesystem::path& programDir, const std::string& name);

class CodePage : public QWidget {
    Q_OBJECT
public:
    CodePage(const std::filesystem::path& programDir, TGauge* gauge, QWidget* parent = nullptr);

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

    // Steps the main window and the other pages call.
    void ListLetterGroups();  // of Base into Codes (not cleared first)
    void FindRusGroup();
    void ReadGame();
    void ShowCodeText();
    void ShowIcon();
    std::filesystem::path PlatformPath() const;
    std::string letter() const;  // the text shown in Codes (cp1251)

signals:
    // Read game sets the application title to "Kodrix - " + the game's name.
    void applicationTitleChanged(const QString& title);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    bool existsInPlatform(const std::string& fileName) const;

    std::filesystem::path programDir_;
    TGauge* gauge_;
};

}  // namespace kodrix
