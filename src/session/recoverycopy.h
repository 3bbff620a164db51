// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/document.h"

#include <QByteArray>
#include <QDateTime>
#include <QLockFile>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class AmpGlobals;
class DocumentFiles;
class PresetEditor;
class Prompter;

// Unsaved work as a recovery file holds it.
struct RecoveryState {
    // 2: the global settings too.
    static constexpr int Version = 2;

    // The document's part: false when only the global settings were unsaved.
    bool hasDocument = true;
    QString filePath; // empty: never saved
    Document::Kind kind = Document::Kind::None;
    QString title;
    bool saveElsewhere = false;
    bool groupView = false;
    int slot = 0;
    int ampSlot = -1;   // the Amp's user slot the preset came from
    QByteArray presets; // the whole group
    QDateTime lastChange;
    // The file as it was on disk when the work began; -1: no file.
    qint64 fileSize = -1;
    QDateTime fileModified;
    // The global settings when unsaved (empty: none) and the global file
    // they came from (empty: the Amp).
    QByteArray globals;
    QString globalsPath;

    QByteArray toBytes() const;
    // Throws QuorvexError when the text is damaged or from a newer version.
    static RecoveryState fromBytes(const QByteArray &bytes);
};

// While the document or the global settings have unsaved changes, keeps them in a recovery file of
// this program's own in the per-user data folder, so a crash, a kill or a
// power cut loses at most the last second; the next start offers them back.
// A change only arms a timer: the state is taken at most about once a second
// and written by a worker through QSaveFile, never on the hand's path. The
// file goes when the work is saved or discarded, or the program ends in order.
class RecoveryCopy : public QObject {
    Q_OBJECT
public:
    static constexpr int WriteDelayMs = 1000;
    static const QString Suffix;

    RecoveryCopy(PresetEditor &editor, Document &document, AmpGlobals &globals, QObject *parent = nullptr);
    ~RecoveryCopy() override;

    // The per-user folder the copies are kept in.
    static QString defaultFolder();
    // Starts keeping copies in folder (made when missing); before this,
    // nothing is written. False when the folder cannot be made.
    bool start(const QString &folder);
    QString folder() const { return folder_; }
    // This program's own recovery file (it need not exist).
    QString path() const { return path_; }

    // The hand's path: an edit was recorded. Arms the write, nothing more.
    void noteChange();
    // The timer's handler: the state now, to the worker.
    void writeNow();
    const QTimer &timer() const { return timer_; }
    // Tests: until the worker has done what it was given.
    void waitForWriter() { writer_.waitForDone(); }
    RecoveryState snapshot() const;

    // At start: for each recovery file whose program no longer runs, the
    // question, then Restore (the work as it was, unsaved, shown and sent
    // like a file opened) or Discard (to the trash). A damaged file or one
    // from a newer version is reported and set aside. True when one was
    // restored. Throws Abort when the user cancels saving what is shown.
    bool offerLeftBehind(Prompter &prompter, DocumentFiles &files);
    // The work of a recovery file back in the editor.
    void restore(const RecoveryState &state);
    // Whether the last offer restored unsaved global settings: the window
    // then shows them (without asking the Amp for its own).
    bool restoredGlobals() const { return restoredGlobals_; }

signals:
    // A copy could not be written (once per run): the work is not protected.
    void writeFailed(const QString &message);

private:
    void modifiedChanged();
    bool unsaved() const;
    void removeOwn();
    bool lockOwn();
    // The worker does the newest wish only: a slow disk never queues up
    // copies the next one replaces.
    void wish(std::optional<QByteArray> bytes, const QString &alsoRemove = QString());
    void work();

    PresetEditor &editor_;
    Document &document_;
    AmpGlobals &globals_;
    QString folder_;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    QTimer timer_;
    QThreadPool writer_;
    QMutex wishMutex_;
    bool wishPending_ = false;            // a wish waits for the worker
    bool workScheduled_ = false;          // the worker will look again
    std::optional<QByteArray> wishBytes_; // none: remove the copy
    QStringList alsoRemove_;              // copies this one took over, after it
    qint64 lastChangeMs_ = 0;
    qint64 fileSize_ = -1;
    QDateTime fileModified_;
    bool written_ = false;
    bool failedOnce_ = false;
    bool documentWork_ = false; // the document was unsaved when last seen
    bool restoredGlobals_ = false;
};
