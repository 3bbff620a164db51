// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryhooks.h"
#include "library/setlist.h"
#include "library/setlistplayer.h"
#include "session/prompter.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class Library;
class QLabel;
class QComboBox;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class MidiBackend;
class CommandQueue;
class Document;
class DocumentFiles;

// The setlist editor and its play view. The editor builds the list (drag
// from the library or the file list, reorder by drag, song names and notes
// typed in place) and checks it before the gig; the play view shows the
// current and next song in large type and steps by keys or a foot
// controller.
class SetlistWindow : public QMainWindow {
    Q_OBJECT
public:
    // MIDI input for a foot controller, and the names of its ports.
    struct Ports {
        std::function<QStringList()> names;
        std::function<std::unique_ptr<MidiBackend>()> open;
    };

    SetlistWindow(Library &library, Prompter &prompter, LibraryHooks hooks, Ports ports, QWidget *parent = nullptr);

    // LibraryHooks::play over the editor's objects: posted to the one queue
    // (a step from a foot controller comes from MIDI input, where no
    // question may open; a step still waiting gives way to the newer one),
    // then the file opened as the document at its slot.
    static decltype(LibraryHooks::play) playThrough(CommandQueue &queue, const Document &document,
                                                    DocumentFiles &files);
    ~SetlistWindow() override;

    QString filePath() const { return path_; }
    bool isModified() const { return modified_; }
    Setlist setlist() const;
    // Replaces the list (a new, unsaved one when path is empty).
    void setSetlist(const Setlist &list, const QString &path);
    // Appends a preset of the library; false when it cannot be in a setlist.
    bool addPreset(const QString &file, int slot, const preset::Record &record);
    bool openFile(const QString &path);
    bool saveTo(const QString &path);
    // Resolves every entry and marks each; the texts of those not found.
    QStringList check();

    void play(int at = 0);
    void stopPlaying();
    bool isPlaying() const;
    SetlistPlayer &player() { return *player_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildEditor();
    void buildPlayView();
    void renumber();
    void setModified(bool modified);
    void updateTitle();
    void updatePlayView();
    bool askToSave();
    void openChosen();
    bool save();
    bool saveAs();
    void chooseFootPort(int index);
    void takeDrop(const QByteArray &rows, const QList<QUrl> &urls, int before);
    SetlistEntry entryFor(const QString &file, int slot, const preset::Record &record) const;
    std::vector<SetlistPlace> resolve(const Setlist &list);
    QString placeName(const SetlistPlace &place) const;

    Library &library_;
    Prompter &prompter_;
    LibraryHooks hooks_;
    Ports ports_;
    std::unique_ptr<SetlistPlayer> player_;
    QString path_;
    bool modified_ = false;

    QStackedWidget *pages_ = nullptr;
    QTreeWidget *tree_ = nullptr;
    QLabel *status_ = nullptr;
    // Play view.
    QLabel *song_ = nullptr;
    QLabel *preset_ = nullptr;
    QLabel *next_ = nullptr;
    QLabel *position_ = nullptr;
    QComboBox *footPort_ = nullptr;
    QLabel *footTriggers_ = nullptr;
};
