#pragma once
// Records the window's notices and questions and answers the questions from a list.
#include "dialog_responder.h"

#include <QStringList>

namespace varnotile {

struct DialogRecorder : DialogResponder {
    QStringList notices;
    QStringList questions;
    bool answerYes = true;
    // Answers taken in order, one per question, before answerYes applies: "Yes", "No", "Cancel".
    QStringList replies;

    void notice(const QString& text) override { notices << text; }
    Answer question(const QString& text, bool /*withCancel*/) override {
        questions << text;
        if (replies.isEmpty()) return answerYes ? Answer::Yes : Answer::No;
        const QString reply = replies.takeFirst();
        return reply == QLatin1String("Yes") ? Answer::Yes : reply == QLatin1String("Cancel") ? Answer::Cancel : Answer::No;
    }
};

} // namespace varnotile
