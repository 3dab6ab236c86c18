#pragma once
// The one seam for every modal message and dialog of the program. In normal
// runs it shows real Qt dialogs; a test installs a DialogScript, which
// records every request and answers from its queue, so every behaviour runs
// headless.
#include <QString>
#include <deque>
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

// Records requests while it lives; only one may be installed at a time.
class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    std::vector<MessageRequest> messages;
    void clear() { messages.clear(); }
};

}  // namespace kodrix::dialogs
