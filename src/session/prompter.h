// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// Every message box and file dialog of the program goes through this, so
// tests can answer questions without a human.
class Prompter {
    Q_DECLARE_TR_FUNCTIONS(Prompter)

public:
    enum class Button { Ok, Yes, No, Cancel };
    enum class Icon { None, Information, Warning, Question, Error };

    virtual ~Prompter() = default;

    // A modal question; returns the button the user pressed. Closing the box
    // without a button counts as Cancel when offered, else as the last button.
    virtual Button question(const QString &caption, const QString &text, const QList<Button> &buttons,
                            Icon icon = Icon::Question) = 0;
    // A modal notice with an OK button.
    virtual void notice(const QString &caption, const QString &text, Icon icon = Icon::Information) = 0;
    // File dialogs; an empty result means cancelled.
    virtual QString openFileName(const QString &caption, const QString &directory, const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &directory, const QString &filter,
                                 const QString &suggestedName) = 0;
    // A modal choice of one item; its index, or -1 when cancelled.
    virtual int chooseItem(const QString &caption, const QString &label, const QStringList &items, int current) = 0;
    // A folder that exists; empty means cancelled (what a Prompter without
    // a folder dialog answers).
    virtual QString folderName(const QString &caption, const QString &directory);
    // A question whose answers are named on their buttons, with Cancel
    // beside them; the index of the answer, or -1 for Cancel. Without boxes
    // of its own a Prompter asks it as Yes (the first), No (the second),
    // Cancel.
    virtual int namedChoice(const QString &caption, const QString &text, const QStringList &answers,
                            Icon icon = Icon::Question);

    // The error box: caption = application title, error icon, OK button.
    void errorBox(const QString &applicationTitle, const QString &message);
    // True when nothing is at path, or the user agrees to replace it.
    bool mayReplace(const QString &path);
};

// The error box's text: the message with "." appended when its last
// character sorts after ".".
QString errorBoxText(const QString &message);
