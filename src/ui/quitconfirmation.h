#pragma once

#include <QCoreApplication>

#include <functional>

class QWidget;

namespace slatewick {

class DrainModel;

// Asks before the user quits while a card drains. Signals and the end of the
// session never come here: they quit without a question.
class QuitConfirmation {
    Q_DECLARE_TR_FUNCTIONS(slatewick::QuitConfirmation)

public:
    // True when the user chooses to quit anyway.
    using Question = std::function<bool(QWidget *parent)>;

    explicit QuitConfirmation(const DrainModel &model);

    void setQuestion(Question question) { m_question = std::move(question); }
    // From now on nothing is asked: the session is ending and will not wait for an answer.
    void sessionEnds() { m_sessionEnding = true; }
    // True when quitting may go ahead: nothing drains, the session ends, or the user agrees.
    bool mayQuit(QWidget *parent) const;

    // The question in a dialog, which goes away by itself, as agreed, once no drain is left to stop.
    bool askWithDialog(QWidget *parent) const;

private:
    const DrainModel &m_model;
    Question m_question;
    bool m_sessionEnding = false;
};

} // namespace slatewick
