// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/prompter.h"

#include <QFileInfo>

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void Prompter::errorBox(const QString &applicationTitle, const QString &message)
{
    notice(applicationTitle, errorBoxText(message), Icon::Error);
}

bool Prompter::mayReplace(const QString &path)
{
    return !QFileInfo::exists(path) ||
           question(tr("File Save"), tr("File Exists. Overwrite?"), {Button::Yes, Button::No}) == Button::Yes;
}

QString Prompter::folderName(const QString &, const QString &)
{
    return {};
}

int Prompter::namedChoice(const QString &caption, const QString &text, const QStringList &answers, Icon icon)
{
    QList<Button> buttons;
    if (!answers.isEmpty())
        buttons << Button::Yes;
    if (answers.size() > 1)
        buttons << Button::No;
    buttons << Button::Cancel;
    switch (question(caption, text, buttons, icon)) {
    case Button::Yes: return 0;
    case Button::No: return answers.size() > 1 ? 1 : -1;
    default: return -1;
    }
}
