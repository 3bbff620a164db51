// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/prompter.h"

#include <QPointer>
#include <QWidget>

// The real message boxes and file dialogs.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget *fallbackParent = nullptr);

    void setFallbackParent(QWidget *parent) { fallbackParent_ = parent; }

    Button question(const QString &caption, const QString &text, const QList<Button> &buttons,
                    Icon icon = Icon::Question) override;
    void notice(const QString &caption, const QString &text, Icon icon = Icon::Information) override;
    QString openFileName(const QString &caption, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &directory, const QString &filter,
                         const QString &suggestedName) override;
    int chooseItem(const QString &caption, const QString &label, const QStringList &items, int current) override;
    QString folderName(const QString &caption, const QString &directory) override;
    int namedChoice(const QString &caption, const QString &text, const QStringList &answers,
                    Icon icon = Icon::Question) override;

    // Filters may come as "Description|pattern|Description|pattern"; Qt wants
    // "Description (pattern);;...". "*.*" means every file.
    static QString qtFilter(const QString &filter);
    // The extension of the first filter's pattern ("*.syx" -> "syx"), added to
    // a name typed without one.
    static QString defaultSuffix(const QString &filter);
    // A box's text as shown: long lines (a path) cut in their middle, and at
    // most a screenful of lines, so no text makes a box too large to build.
    static QString boxText(const QString &text);

private:
    QWidget *dialogParent() const;

    QPointer<QWidget> fallbackParent_;
};
