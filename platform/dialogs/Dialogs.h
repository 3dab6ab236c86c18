#pragma once
// The one seam for every modal message and dialog of the program. In normal
// runs it shows real Qt dialogs; a test installs a DialogScript, which
// records every request and answers from its queue, so every behaviour runs
// headless.
#include "platform/ColorNumbers.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace kodrix::dialogs {

enum class Icon { None, Question, Stop };

struct MessageRequest {
    QString text;
    QString caption;
    Icon icon = Icon::None;
};

// A modal message box with one OK button.
void message(QWidget* parent, const QString& text, const QString& caption, Icon icon);

// The program's foreseen-failure box: caption "Ошибка", question-mark icon, OK.
void errorMessage(QWidget* parent, const QString& text);

// The colour dialog, starting at initial: the chosen colour, or nothing when
// the user cancels.
std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial);

// What the font dialog shows and gives back: the font and the colour of its
// text, as a colour number (a system colour left as it was stays one).
struct FontChoice {
    QFont font;
    TColor color = colors::clWindowText;
};

// The font dialog, starting at initial: the font and colour chosen, or
// nothing when the user cancels. The colour is chosen beside the font, from
// the standard colours or any other one.
std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial);

// A font dialog component: the font and colour it starts with and, after a
// confirmed Execute, those chosen. It starts as "MS Sans Serif", 8 point, in
// the window text's colour. (Qt fonts carry no character set; Cyrillic text
// shows through the font's own glyphs or Qt's font fallback.)
class FontDialog {
public:
    FontDialog();
    QFont Font;
    TColor Color = colors::clWindowText;
    // Shows the dialog; true when the user confirmed, and Font and Color are
    // the choice.
    bool Execute(QWidget* parent);
};

// What a save dialog is opened with.
struct SaveRequest {
    QString fileName;    // the proposed name
    QString defaultExt;  // without its dot
    QString filter;      // the toolkit's form: "label|pattern|label|pattern"
    bool overwritePrompt = true;
};

// The save-file dialog: the full path of the file chosen (with the default
// extension appended when the name has none), or nothing when the user
// cancels. With overwritePrompt, choosing an existing file asks first.
std::optional<QString> chooseSaveFile(QWidget* parent, const SaveRequest& request);

// A save dialog component, set up once and opened many times. Execute shows
// it with FileName proposed; when the user confirms, FileName is the full
// path chosen and the result is true.
class SaveDialog {
public:
    QString FileName;
    QString DefaultExt;
    QString Filter;
    bool OverwritePrompt = true;
    bool Execute(QWidget* parent);
};

// The toolkit's filter "Text (txt)|*.doc|Any files|*.*" as Qt's name filters
// ("Text (txt) (*.doc)", "Any files (*.*)"); patterns separated by ";" in the
// toolkit's form are separated by spaces in Qt's. An odd last label without
// a pattern is dropped.
QStringList qtNameFilters(const QString& filter);

// The name with ".ext" appended when its last component has no dot at all
// (the rule of Qt's file dialog: "walk" gets it, "walk." and ".profile" do
// not). An empty ext appends nothing.
QString withDefaultExtension(const QString& fileName, const QString& ext);

// Records requests while it lives; only one may be installed at a time.
// Each kind of dialog has its queue of scripted answers: the front answers
// the next request of that kind; with none left, the dialog is cancelled.
class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    std::vector<MessageRequest> messages;

    std::vector<QColor> colorRequests;  // the colour each colour dialog started at
    std::deque<std::optional<QColor>> colorAnswers;
    std::vector<FontChoice> fontRequests;  // what each font dialog started at
    std::deque<std::optional<FontChoice>> fontAnswers;
    // Save dialogs: a scripted answer is the name the user gives (a relative
    // one lies in the current folder); the default extension is applied as
    // the real dialog applies it. Nothing (or an empty queue) cancels.
    std::vector<SaveRequest> saveRequests;
    std::deque<std::optional<QString>> saveAnswers;
    void clear() { messages.clear(); }
};

}  // namespace kodrix::dialogs
