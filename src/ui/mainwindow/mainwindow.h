// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/prompter.h"
#include "session/session.h"
#include "session/settings.h"
#include "session/singleinstance.h"
#include "session/startup.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class CompareBar;
class GlobalsWindow;
class EditMenu;
class EditorPanel;
class FileListPanel;
class Library;
class LibraryProgress;
class LibraryLink;
class LibraryWindow;
class SetlistWindow;
class AmpWindow;
class LinkStatus;
class TransferStatus;
class TunerWindow;

// The main window: creates the Amp session and the windows that show it,
// connects them, and runs the shell: menus, views, start-up and close.
class MainWindow : public QMainWindow, private StartUp::User {
    Q_OBJECT
public:
    struct Options {
        std::unique_ptr<MidiBackend> backend;     // null: the real MIDI service and the built-in virtual Amp
        std::unique_ptr<Prompter> prompter;       // null: real message boxes
        QString iniPath;                          // empty: Settings::defaultPath()
        std::unique_ptr<SingleInstance> instance; // serving its name already; null: none
        QStringList arguments;                    // the command line after the program name
        bool autoStart = true;                    // false: start-up runs only when startOnFirstActivation is called
        QString libraryIndex;                     // empty: the library index in the per-user data folder
        QString recoveryFolder;                   // empty: no recovery copies
    };

    static constexpr int ClientWidth = 750;
    static constexpr int ClientHeight = 516;
    static constexpr int DesignSplit = 219;
    static constexpr int GroupBoxDesignWidth = 521;
    static constexpr int MinPanelWidth = 80;
    // The smallest window: below the menus and the tool bar, room for the
    // narrowest file list and a few of the editor's rows (it scrolls for the
    // rest); never narrower than the status bar needs.
    static constexpr int MinCentralWidth = 480;
    static constexpr int MinCentralHeight = 280;
    // How long closing the program waits for queued messages to leave.
    static constexpr int CloseFlushMs = 2000;
    // How long a message such as "Written to D3" stays in the status bar.
    static constexpr int StatusMessageMs = 5000;

    explicit MainWindow(Options options, QWidget *parent = nullptr);
    ~MainWindow() override;

    Session &session() { return *session_; }
    Prompter &prompter() { return *prompter_; }
    EditorPanel &editorPanel() { return *editorPanel_; }
    // Made on first use: most sessions never tune.
    TunerWindow &tunerWindow();
    Library &library() { return *library_; }
    LibraryLink &libraryLink() { return *libraryLink_; }
    // Made when first shown.
    LibraryWindow *libraryWindow() const { return libraryWindow_; }
    SetlistWindow *setlistWindow() const { return setlistWindow_; }
    AmpWindow *ampWindow() const { return ampWindow_; }
    SingleInstance *singleInstance() { return instance_.get(); }

    QSize designSize() const { return designSize_; }
    int designSplit() const { return designSplit_; }
    int panelWidth() const;
    void setPanelWidth(int width);

    // The first activation's start-up sequence; later activations do nothing.
    void startOnFirstActivation();
    bool firstActivationDone() const { return startUp_->activated(); }
    // A second start handed its command line over: the file opens from the
    // command queue, after start-up (during start-up, as if it had been
    // named on the command line).
    void handOver(const QString &commandLine);
    bool startingUp() const { return startUp_->running(); }

    // Handlers.
    void toggleToolBar();
    void toggleFileList();
    void restoreDefaultView();
    void toggleAutoSplit();
    void splitterMoved(int pos, int index);
    void splitIfAuto();
    void quit();
    void showAbout();
    void selectMidiPorts();
    void showGlobals();
    void enterTuner();
    void newPreset();
    void openFile();
    void importPresetToTab();
    void editNotes();
    void save();
    void saveAs();
    void saveBack();
    void saveCurrentTab();
    void fetchGroup();
    void writeGroup();
    void syncWithAmp();
    void toggleBackUpBeforeWriting();
    void restoreAmpBackup();
    void newGroup();
    void sendEditorToAmp();
    // "Check the Amp": what the Amp plays against the shown slot.
    void checkTheAmp();
    void refreshFileList();
    void showLibrary();
    void showSetlist();
    void showAmpWindow();
    bool mayClose();
    void closeDown();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The menus and the tool bar from the table of actions.
    void buildActions();
    QAction *action(const char *id) const;
    // Each command enabled as its row says, from the session's state.
    void updateActions();
    void buildPanels();
    void connectSession();
    // With the built-in virtual Amp among the devices: its menu, and the
    // status bar saying when it is the Amp in use.
    void addVirtualAmp();
    void readSettings();
    // A global file the file reader was told to open: read into a new
    // globals window, which then shows.
    void openGlobalFile(const QString &path);
    // The globals window, modal, after prepare has set it up.
    void runGlobalsWindow(const std::function<void(GlobalsWindow &)> &prepare);
    void computeSplit();
    void bringToFront() override;
    void showRestoredGlobals() override;
    // No port chosen at start: the built-in Amp when it is alone, then the port window.
    void choosePorts() override;
    QSize normalSize() const;
    // What a missing setting is: the window as designed.
    FormSettings settingsDefaults() const;
    void showTitle();
    // Runs handler whenever action triggers, through the error wrapper.
    void connectHandler(QAction *action, void (MainWindow::*handler)());
    void connectCommand(QAction *action, std::function<void()> command);
    // Sync with the Amp: ask to save, find it, fetch its current preset.
    void sync(bool startup) override;
    // Enables an item only when it has a command: a user must never click
    // something that silently does nothing.
    void enableIfBuilt(QAction *action, bool on);
    bool run(const std::function<void()> &body) { return session_->run(body); }
    // The Amp's state in the status bar.
    void showAmpStatus();
    // "Written to D3" and the like, beside the link status; 0 ms: until replaced.
    void showStatusMessage(const QString &text, int ms);

    std::unique_ptr<Prompter> prompter_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<StartUp> startUp_;
    Settings settings_;
    std::unique_ptr<SingleInstance> instance_;
    QSize designSize_;
    int designSplit_ = DesignSplit;
    int panelWidth_ = DesignSplit;
    QSize normalSize_;
    bool closed_ = false;
    bool autoStart_ = true;
    QSet<const QAction *> handled_;

    QToolBar *toolBar_;
    QSplitter *splitter_;
    FileListPanel *PanelList;
    LinkStatus *StatusLink;
    TransferStatus *StatusTransfer = nullptr;
    QLabel *StatusMessage;
    QTimer statusMessageTimer_;
    QGroupBox *editorFrame_;
    EditorPanel *editorPanel_;
    CompareBar *compareBar_ = nullptr;

    QMenu *editMenu_, *transferMenu_, *helpMenu_;
    EditMenu *editActions_;
    QHash<QByteArray, QAction *> actions_;
    // Lives from its first use to the end, hidden outside tuner mode; goes
    // before the session it follows.
    std::unique_ptr<TunerWindow> tunerWindow_;
    std::unique_ptr<Library> library_;
    std::unique_ptr<LibraryLink> libraryLink_;
    LibraryWindow *libraryWindow_ = nullptr;
    SetlistWindow *setlistWindow_ = nullptr;
    AmpWindow *ampWindow_ = nullptr;
    LibraryProgress *StatusLibrary;
};
