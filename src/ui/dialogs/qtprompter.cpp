// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/qtprompter.h"

#include "files/safefile.h"
#include "session/inputscope.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace {

QMessageBox::StandardButton standard(Prompter::Button b)
{
    switch (b) {
    case Prompter::Button::Ok: return QMessageBox::Ok;
    case Prompter::Button::Yes: return QMessageBox::Yes;
    case Prompter::Button::No: return QMessageBox::No;
    case Prompter::Button::Cancel: return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::None: return QMessageBox::NoIcon;
    case Prompter::Icon::Information: return QMessageBox::Information;
    case Prompter::Icon::Warning: return QMessageBox::Warning;
    case Prompter::Icon::Question: return QMessageBox::Question;
    case Prompter::Icon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// Pairs of (description, pattern) from a filter in either notation.
QList<QPair<QString, QString>> filterPairs(const QString &filter)
{
    QList<QPair<QString, QString>> pairs;
    if (filter.contains(QLatin1Char('|'))) {
        const QStringList parts = filter.split(QLatin1Char('|'));
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            pairs.append({parts[i].trimmed(), parts[i + 1].trimmed()});
        return pairs;
    }
    static const QRegularExpression pattern(QStringLiteral("^(.*)\\(([^()]*)\\)\\s*$"));
    for (const QString &entry : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const auto m = pattern.match(entry);
        if (m.hasMatch())
            pairs.append({m.captured(1).trimmed(), m.captured(2).trimmed()});
        else
            pairs.append({entry.trimmed(), QStringLiteral("*")});
    }
    return pairs;
}

} // namespace

QString QtPrompter::boxText(const QString &text)
{
    constexpr qsizetype MaxLines = 30, MaxLineChars = 200;
    QStringList lines;
    qsizetype from = 0;
    while (from <= text.size()) {
        if (lines.size() == MaxLines) {
            lines << QString(QChar(0x2026));
            break;
        }
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        lines << files::elidedMiddle(text.mid(from, end - from), MaxLineChars);
        from = end + 1;
    }
    return lines.join(QLatin1Char('\n'));
}

QtPrompter::QtPrompter(QWidget *fallbackParent) : fallbackParent_(fallbackParent) {}

QWidget *QtPrompter::dialogParent() const
{
    // Every box comes through here: one opened inside an input handler would
    // run an event loop that feeds more input into handlers still running.
    if (InputScope::active())
        qWarning("Quorvex: a dialog opened inside an input handler");
    if (QWidget *w = QApplication::activeModalWidget())
        return w;
    if (QWidget *w = QApplication::activeWindow())
        return w;
    return fallbackParent_;
}

Prompter::Button QtPrompter::question(const QString &caption, const QString &text, const QList<Button> &buttons,
                                      Icon icon)
{
    QMessageBox box(boxIcon(icon), caption, boxText(text), QMessageBox::NoButton, dialogParent());
    for (Button b : buttons)
        box.addButton(standard(b));
    // Closing the box answers Cancel when offered, else the last button.
    const Button escape = buttons.contains(Button::Cancel) ? Button::Cancel
                          : buttons.isEmpty()              ? Button::Ok
                                                           : buttons.last();
    box.setEscapeButton(standard(escape));
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (Button b : buttons)
        if (clicked && clicked == box.button(standard(b)))
            return b;
    return escape;
}

int QtPrompter::namedChoice(const QString &caption, const QString &text, const QStringList &answers, Icon icon)
{
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::NoButton, dialogParent());
    QList<QAbstractButton *> named;
    for (const QString &answer : answers)
        named << box.addButton(answer, QMessageBox::AcceptRole);
    box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return int(named.indexOf(box.clickedButton()));
}

void QtPrompter::notice(const QString &caption, const QString &text, Icon icon)
{
    QMessageBox box(boxIcon(icon), caption, boxText(text), QMessageBox::Ok, dialogParent());
    box.exec();
}

QString QtPrompter::qtFilter(const QString &filter)
{
    QStringList entries;
    for (const auto &[description, pattern] : filterPairs(filter)) {
        QString p = pattern;
        p.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        p.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "Sysex files (*.syx)" already names its pattern.
        QString d = description;
        const qsizetype open = d.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && d.endsWith(QLatin1Char(')')))
            d = d.left(open).trimmed();
        entries << QStringLiteral("%1 (%2)").arg(d, p);
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtPrompter::defaultSuffix(const QString &filter)
{
    const auto pairs = filterPairs(filter);
    if (pairs.isEmpty())
        return {};
    static const QRegularExpression extension(QStringLiteral("^\\*\\.(\\w+)$"));
    const auto m = extension.match(pairs.first().second.section(QLatin1Char(';'), 0, 0).trimmed());
    return m.hasMatch() ? m.captured(1) : QString();
}

QString QtPrompter::openFileName(const QString &caption, const QString &directory, const QString &filter)
{
    QFileDialog dialog(dialogParent(), caption, directory, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtPrompter::folderName(const QString &caption, const QString &directory)
{
    QFileDialog dialog(dialogParent(), caption, directory);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtPrompter::saveFileName(const QString &caption, const QString &directory, const QString &filter,
                                 const QString &suggestedName)
{
    QFileDialog dialog(dialogParent(), caption, directory, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The callers ask "File Exists. Overwrite?" themselves.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(defaultSuffix(filter));
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

int QtPrompter::chooseItem(const QString &caption, const QString &label, const QStringList &items, int current)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(dialogParent(), caption, label, items, current, false, &ok);
    return ok ? int(items.indexOf(chosen)) : -1;
}
