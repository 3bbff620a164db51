// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class AmpGlobals;
class Prompter;

// The globals window's File commands: the GlobalRecord to and from global
// files, with the folders and the file name its two dialogs start with.
// Dialogs and questions go through the Prompter; a failed read or
// write throws QuorvexError and changes nothing.
class GlobalFiles {
    Q_DECLARE_TR_FUNCTIONS(GlobalFiles)

public:
    static constexpr const char *Filter = QT_TR_NOOP("Sysex Files|*.syx|All Files|*.*");

    GlobalFiles(AmpGlobals &globals, Prompter &prompter);

    // Called after a file was written, so a list showing its folder can follow.
    std::function<void()> onWritten;

    // Both dialogs start in this folder.
    void setDirectory(const QString &folder);
    QString openDirectory() const { return openDirectory_; }
    QString saveDirectory() const { return saveDirectory_; }
    QString saveName() const { return saveName_; }

    // Reads a global file into the GlobalRecord, shows it, and asks whether
    // to send it to the Amp. Returns the window caption for the file.
    QString read(const QString &path);
    // "Open" and "Save As": the new window caption, or an empty string when
    // the user cancelled the dialog.
    QString open();
    QString saveAs();

    static QString caption(const QString &path);

private:
    AmpGlobals &globals_;
    Prompter &prompter_;
    QString openDirectory_;
    QString saveDirectory_;
    QString saveName_;
};
