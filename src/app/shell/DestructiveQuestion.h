#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// The question asked before something that cannot be undone (deleting the usage history, removing an
// account), in a window-modal sheet rather than a loop of its own. "取消" is its default button, so
// that Return and Esc keep what is there: only a deliberate click on the destructive button goes on.
namespace DestructiveQuestion {

struct Texts
{
    QString title;
    QString text;
    QString detail;  // under the text; may be empty
    QString destroy; // the destructive button
};

enum class Answer { ask, keep, destroy };

// Shows the question over `parent`; `destroy` runs when its destructive button is pressed. The box
// shown, or nullptr when the answer was set beforehand.
QMessageBox* ask(QWidget* parent, const Texts& texts, std::function<void()> destroy);

// For tests: the next question gets this answer at once, without being shown; `ask` shows it again.
void setNextAnswer(Answer answer);

} // namespace DestructiveQuestion
