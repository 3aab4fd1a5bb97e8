#include "DestructiveQuestion.h"

#include <QMessageBox>
#include <QPushButton>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

DestructiveQuestion::Answer nextAnswer = DestructiveQuestion::Answer::ask;

} // namespace

QMessageBox* DestructiveQuestion::ask(QWidget* parent, const Texts& texts, std::function<void()> destroy)
{
    if (const Answer answer = std::exchange(nextAnswer, Answer::ask); answer != Answer::ask) {
        if (answer == Answer::destroy)
            destroy();
        return nullptr;
    }
    auto* question =
        new QMessageBox(QMessageBox::Warning, texts.title, texts.text, QMessageBox::NoButton, parent);
    question->setInformativeText(texts.detail);
    QAbstractButton* destructive = question->addButton(texts.destroy, QMessageBox::DestructiveRole);
    // Without a default of its own, the box makes the first button that accepts the default, and
    // Return would press the destructive one.
    question->setDefaultButton(question->addButton(u"取消"_s, QMessageBox::RejectRole));
    question->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(question, &QMessageBox::buttonClicked, question,
                     [destructive, destroy = std::move(destroy)](QAbstractButton* button) {
                         if (button == destructive)
                             destroy();
                     });
    question->open();
    return question;
}

void DestructiveQuestion::setNextAnswer(Answer answer)
{
    nextAnswer = answer;
}
