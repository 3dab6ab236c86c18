#pragma once
// The one seam for every modal message and dialog of the program. In normal
// runs it shows real Qt dialogs; a test installs a DialogScript, which
// records every request and answers from its queue, so every behaviour runs
// headless.
#include <QColor>
#include <QFont>
#include <QString>
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

// The font dialog, starting at initial: the chosen font, or nothing when the
// user cancels.
std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial);

// A font dialog component: the font it starts with and, after a confirmed
// Execute, the font chosen. It starts as "MS Sans Serif", 8 point. (Qt fonts
// carry no character set; Cyrillic text shows through the font's own glyphs
// or Qt's font fallback.)
class FontDialog {
public:
    FontDialog();
    QFont Font;
    // Shows the dialog; true when the user confirmed, and Font is the choice.
    bool Execute(QWidget* parent);
};

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
    std::vector<QFont> fontRequests;  // the font each font dialog started at
    std::deque<std::optional<QFont>> fontAnswers;
    void clear() { messages.clear(); }
};

}  // namespace kodrix::dialogs
