// Scripted dialogs for tests: every call is recorded, every input box answered from a script.
#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QStringList>
#include <QTest>

struct DialogCall {
    enum Kind { Message, Input, Question } kind;
    QString prompt;
    QString title;
    QString defaultText; ///< input only
    QPointF position;    ///< input only, twips

    bool operator==(const DialogCall&) const = default;
};

class FakeDialogs final : public platform::Dialogs {
public:
    QList<DialogCall> calls;
    QStringList answers;        ///< consumed in order by input(); "" means Cancel
    bool questionAnswer = true; ///< what every question() answers

    void message(const QString& prompt, const QString& title) override {
        calls.append({DialogCall::Message, prompt, title, {}, {}});
    }

    bool question(const QString& prompt, const QString& title) override {
        calls.append({DialogCall::Question, prompt, title, {}, {}});
        return questionAnswer;
    }

    QString input(const QString& prompt, const QString& title, const QString& defaultText,
                  QPointF position) override {
        calls.append({DialogCall::Input, prompt, title, defaultText, position});
        if (answers.isEmpty()) {
            QTest::qFail("an input box was shown with no scripted answer left", __FILE__, __LINE__);
            return {};
        }
        return answers.takeFirst();
    }

    QStringList messages() const {
        QStringList prompts;
        for (const DialogCall& call : calls)
            if (call.kind == DialogCall::Message)
                prompts.append(call.prompt);
        return prompts;
    }

    QStringList inputDefaults() const {
        QStringList defaults;
        for (const DialogCall& call : calls)
            if (call.kind == DialogCall::Input)
                defaults.append(call.defaultText);
        return defaults;
    }
};
