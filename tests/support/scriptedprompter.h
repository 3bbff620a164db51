// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/prompter.h"

#include <QStringList>

#include <deque>

// Stands in for the user: records every box shown and answers from queues.
// A question with no queued answer fails the test loudly via `unexpected`.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString kind; // "question", "notice", "open", "save", "folder"
        QString caption;
        QString text;
        Icon icon = Icon::None;
    };

    std::deque<Button> answers;
    std::deque<QString> fileNames;
    QList<Shown> shown;
    int unexpected = 0;

    Button question(const QString &caption, const QString &text, const QList<Button> &buttons, Icon icon) override
    {
        shown.append({QStringLiteral("question"), caption, text, icon});
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

    QStringList texts() const
    {
        QStringList t;
        for (const auto &s : shown)
            t << s.text;
        return t;
    }

private:
    QString nextFile(const QString &kind, const QString &caption)
    {
        shown.append({kind, caption, QString(), Icon::None});
        if (fileNames.empty())
            return {};
        QString f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
};
