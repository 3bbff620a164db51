// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/settings.h"
#include "app/session.h"
#include "app/singleinstance.h"
#include "session/prompter.h"

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
class TFormTuner;

// The main window: creates the Amp session and the windows that show it,
// connects them, and runs the shell: menus, views, start-up and close.
class Quorvex1 : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        std::unique_ptr<MidiBackend> backend;   // null: the real MIDI service and the built-in virtual Amp
        std::unique_ptr<Prompter> prompter;     // null: real message boxes
        QString iniPath;                        // empty: Settings::defaultPath()
        std::unique_ptr<SingleInstance> instance; // serving its name already; null: none
        QStringList arguments;                  // the command line after the program name
        bool autoStart = true;                  // false: start-up runs only when FormActivate is called
        QString libraryIndex;                   // empty: the library index in the per-user data folder
        QString recoveryFolder;                 // empty: no recovery copies
    };

    static constexpr int ClientWidth = 750;
    static constexpr int ClientHeight = 516;
    static constexpr int DesignSplit = 219;
    static constexpr int GroupBoxDesignWidth = 521;
    static constexpr int MinPanelWidth = 80;
    // How long closing the program waits for queued messages to leave.
    static constexpr int CloseFlushMs = 2000;
    // How long a message such as "Written to D3" stays in the status bar.
    static constexpr int StatusMessageMs = 5000;

    explicit Quorvex1(Options options, QWidget *parent = nullptr);
    ~Quorvex1() override;

    Session &session() { return *session_; }
    Prompter &prompter() { return *prompter_; }
    EditorPanel &editorPanel() { return *EditorPanel1; }
    // Made on first use: most sessions never tune.
    TFormTuner &formTuner();
    Library &library() { return *library_; }
    LibraryLink &libraryLink() { return *libraryLink_; }
    // Made when first shown.
    LibraryWindow *libraryWindow() const { return FormLibrary; }
    SetlistWindow *setlistWindow() const { return setlistWindow_; }
    AmpWindow *ampWindow() const { return ampWindow_; }
    SingleInstance *singleInstance() { return instance_.get(); }

    QSize designSize() const { return designSize_; }
    int designSplit() const { return designSplit_; }
    int panelWidth() const;
    void setPanelWidth(int width);

    // Which device to use at start: the stored name wins over a stored index
    // that now names another device. -1 when there is none.
    static int preferredPort(const QStringList &devices, int storedIndex, const QString &storedName);

    // The first activation's start-up sequence; later activations do nothing.
    void FormActivate();
    bool firstActivationDone() const { return firstActivation_; }
    // A second start handed its command line over: the file opens from the
    // command queue, after start-up (during start-up, as if it had been
    // named on the command line).
    void copyDataReceived(const QString &commandLine);
    bool startingUp() const { return startingUp_; }

    // Handlers.
    void ToolbarViewClick();
    void FileListViewClick();
    void DefaultView1Click();
    void AutoSplitClick();
    void Splitter1Moved(int pos, int index);
    void FormResize();
    void Exit1Click();
    void About1Click();
    void MIDIPortSelect1Click();
    void GlobalWindow1Click();
    void EnterTuner1Click();
    void New1Click();
    void Open1Click();
    void ImportSingletoTabClick();
    void InfoMainClick();
    void Save1Click();
    void SaveAs1Click();
    void SaveBackClick();
    void SaveCurrentTab1Click();
    void GroupfromAmp1Click();
    void GrouptoAmpClick();
    void SyncwithAmp1Click();
    void BackUpBeforeWritingClick();
    void RestoreAmpBackupClick();
    void NewGroup1Click();
    void EditordatatoAmp1Click();
    // "Check the Amp": what the Amp plays against the shown slot.
    void checkTheAmp();
    void Library1Click();
    void showSetlist();
    void showAmpWindow();
    bool FormCloseQuery();
    void FormClose();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildPanels();
    void connectSession();
    // With the built-in virtual Amp among the devices: its menu, and the
    // status bar saying when it is the Amp in use.
    void addVirtualAmp();
    void readSettings();
    void startUp();
    // Opens the file a start or a second start names; false when it holds no
    // presets.
    bool openNamedFile(const QString &path);
    // A global file the file reader was told to open: read into a new
    // globals window, which then shows.
    void openGlobalFile(const QString &path);
    void computeSplit();
    void bringToFront();
    QSize normalSize() const;
    void showTitle();
    void showViewItems(bool group);
    // Runs handler whenever action triggers, through the error wrapper.
    void connectHandler(QAction *action, void (Quorvex1::*handler)());
    void connectCommand(QAction *action, std::function<void()> command);
    // Sync with the Amp: ask to save, find it, fetch its current preset.
    void sync(bool startup);
    // Enables an item only when it has a command: a user must never click
    // something that silently does nothing.
    void enableIfBuilt(QAction *action, bool on);
    bool run(const std::function<void()> &body) { return session_->run(body); }
    // A handed-over file: asks to save, then opens it.
    void openHandedOver(const QString &path);
    // The Amp's state in the status bar.
    void showAmpStatus();
    // Compare on: Save and the transfers wait for it to end.
    void showComparing(bool on);
    // "Written to D3" and the like, beside the link status; 0 ms: until replaced.
    void showStatusMessage(const QString &text, int ms);

    std::unique_ptr<Prompter> prompter_;
    std::unique_ptr<Session> session_;
    Settings settings_;
    QStringList arguments_;
    std::unique_ptr<SingleInstance> instance_;
    QSize designSize_;
    int designSplit_ = DesignSplit;
    int panelWidth_ = DesignSplit;
    QSize normalSize_;
    bool firstActivation_ = false;
    bool startingUp_ = false;
    bool fileStepDone_ = false;
    // A file handed over while start-up had not yet opened the command line's.
    QString startupFile_;
    bool closed_ = false;
    int midiOutRate_ = TMidiOut::DinRate;
    bool autoStart_ = true;
    QSet<const QAction *> handled_;

    QToolBar *ToolBar1;
    QSplitter *Splitter1;
    FileListPanel *PanelList;
    LinkStatus *StatusLink;
    QLabel *StatusMessage;
    QTimer statusMessageTimer_;
    QGroupBox *GroupBox1;
    EditorPanel *EditorPanel1;

    QMenu *File1, *Edit1, *View1, *Transfer1, *Help1, *PresetfromAmp1, *PresettoAmp1;
    EditMenu *EditMenu1;
    QAction *Open1, *ImportSingletoTab, *New1, *NewGroup1, *InfoMain, *Save1, *SaveAs1, *SaveBack,
        *SaveCurrentTab1, *Exit1;
    QAction *FileListView, *ToolbarView, *MIDIPortSelect1, *GlobalWindow1, *DefaultView1, *AutoSplit,
        *RefreshFileList1, *EnterTuner1, *Library1, *setlistAction_ = nullptr, *ampAction_ = nullptr;
    std::array<QAction *, 16> PresetFromAmp; // NA1..ND4
    std::array<QAction *, 16> PresetToAmp;   // A1..D4
    QAction *GroupfromAmp1, *GrouptoAmp, *SyncwithAmp1, *EditordatatoAmp1, *CheckTheAmp, *BackUpBeforeWriting, *RestoreAmpBackup;
    QAction *About1;
    QAction *ToolButtonOpen, *ToolButtonSave, *ToolButtonMIDI, *ToolButtonGlobal, *ToolButtonDefaultView,
        *ToolButtonSendEdits, *ToolButtonTuner;
    // Lives from its first use to the end, hidden outside tuner mode; goes
    // before the session it follows.
    std::unique_ptr<TFormTuner> FormTuner;
    std::unique_ptr<Library> library_;
    std::unique_ptr<LibraryLink> libraryLink_;
    LibraryWindow *FormLibrary = nullptr;
    SetlistWindow *setlistWindow_ = nullptr;
    AmpWindow *ampWindow_ = nullptr;
    LibraryProgress *StatusLibrary;
};
