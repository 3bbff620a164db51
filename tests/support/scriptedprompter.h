// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/inputscope.h"
#include "session/prompter.h"

#include <QStringList>
#include <QTest>

#include <deque>
#include <functional>

// Stands in for the user: records every box shown and answers from queues.
// A question with no queued answer fails the test loudly via `unexpected`.
// Any box shown while an input handler is on the stack (MIDI delivery, a
// socket's or a timer's slot) fails the test at once: there its event loop
// would deliver more input into handlers still running.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString kind; // "question", "notice", "open", "save", "choose", "folder"
        QString caption;
        QString text;
        Icon icon = Icon::None;
    };

    std::deque<Button> answers;
    // Runs while a question is open, as its event loop would deliver input.
    std::function<void()> whileAsking;
    std::deque<QString> fileNames;
    std::deque<int> choices; // item indices; -1 cancels
    QList<Shown> shown;
    int unexpected = 0;

    Button question(const QString &caption, const QString &text, const QList<Button> &buttons, Icon icon) override
    {
        shown.append({QStringLiteral("question"), caption, text, icon});
        checkNotInsideInput(text);
        if (whileAsking)
            whileAsking();
        if (answers.empty()) {
            ++unexpected;
            return buttons.contains(Button::Cancel) ? Button::Cancel : buttons.last();
        }
        const Button b = answers.front();
        answers.pop_front();
        return b;
    }
    void notice(const QString &caption, const QString &text, Icon icon) override
    {
        shown.append({QStringLiteral("notice"), caption, text, icon});
        checkNotInsideInput(text);
    }
    QString openFileName(const QString &caption, const QString &, const QString &) override
    {
        return nextFile(QStringLiteral("open"), caption);
    }
    QString saveFileName(const QString &caption, const QString &, const QString &, const QString &) override
    {
        return nextFile(QStringLiteral("save"), caption);
    }
    QString folderName(const QString &caption, const QString &) override
    {
        return nextFile(QStringLiteral("folder"), caption);
    }

    int chooseItem(const QString &caption, const QString &label, const QStringList &, int) override
    {
        shown.append({QStringLiteral("choose"), caption, label, Icon::None});
        checkNotInsideInput(label);
        if (choices.empty()) {
            ++unexpected;
            return -1;
        }
        const int c = choices.front();
        choices.pop_front();
        return c;
    }

    QStringList texts() const
    {
        QStringList t;
        for (const auto &s : shown)
            t << s.text;
        return t;
    }

    // Boxes shown while an input handler was on the stack.
    int insideInput = 0;

private:
    void checkNotInsideInput(const QString &what)
    {
        if (!InputScope::active())
            return;
        ++insideInput;
        QTest::qFail(qPrintable(QStringLiteral("a dialog inside an input handler: ") + what), __FILE__, __LINE__);
    }

    QString nextFile(const QString &kind, const QString &caption)
    {
        shown.append({kind, caption, QString(), Icon::None});
        checkNotInsideInput(caption);
        if (fileNames.empty())
            return {};
        QString f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
};
