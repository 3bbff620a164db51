// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CommandQueue;
class QPlainTextEdit;
class QPushButton;

// The note kept beside a preset or group file: shown in a text box, written
// back by "Save", left alone by "Cancel".
class NotesDialog : public QDialog {
    Q_OBJECT
public:
    explicit NotesDialog(CommandQueue &queue, QWidget *parent = nullptr);

    // Reads the note file (none: an empty note) and names the window after
    // the preset file it belongs to. Throws QuorvexError when the note file
    // exists but cannot be read.
    void loadNote(const QString &notePath);
    QString notePath() const { return notePath_; }

    // Writes the note and closes; when writing fails the window stays open
    // with the text as typed, and the error box says why.
    void saveNote();
    // The note as the box holds it, character for character.
    QString noteText() const;
    void cancelNote();

    QPlainTextEdit *MemoInfo;
    QPushButton *BitBtnSave;
    QPushButton *BitBtnCancel;

private:
    CommandQueue &queue_;
    QString notePath_;
};
