#pragma once

#include "app/settings.h"
#include "midi/midibackend.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"
#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/ampsender.h"
#include "protocol/amptransfers.h"
#include "protocol/prompter.h"
#include "protocol/sysexdispatcher.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class EditorPanel;
class SingleInstance;

// The main window: owns the device image, the MIDI ports and the Amp session
// for the whole run, and wires the other windows and panels together.
class Quorvex1 : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        std::unique_ptr<MidiBackend> backend;   // null: the real MIDI service
        std::unique_ptr<Prompter> prompter;     // null: real message boxes
        QString iniPath;                        // empty: Settings::defaultPath()
        QString serverName;                     // empty: no single-instance server
        QStringList arguments;                  // the command line after the program name
    };

    static constexpr int ClientWidth = 750;
    static constexpr int ClientHeight = 516;
    static constexpr int DesignSplit = 219;
    static constexpr int GroupBoxDesignWidth = 521;
    static constexpr int MinPanelWidth = 80;

    explicit Quorvex1(Options options, QWidget *parent = nullptr);
    ~Quorvex1() override;

private:
    std::unique_ptr<MidiBackend> backend_;
    std::unique_ptr<Prompter> prompter_;

public:
    DeviceImage image;
    EditorState editorState;
    TMidiIn MidiIn1;
    TMidiOut MidiOut1;
    AmpTransfers transfers;
    AmpSender sender;
    SysExDispatcher dispatcher;

    MidiBackend &backend() { return *backend_; }
    Prompter &prompter() { return *prompter_; }
    SingleInstance *singleInstance() { return instance_.get(); }
    const Settings &settings() const { return settings_; }

    // Filled in by later parts of the program; until then each does the least
    // the shell needs (see the constructor).
    // The file reader: true when the file was loaded into the editor; throws
    // QuorvexError when it is unusable.
    std::function<bool(const QString &path, bool import)> fileReader;
    // Save, as run by the Yes of "Save Changes?".
    std::function<void()> saveDocument;
    // Looks for the Amp; sets editorState.ampFound when it answered.
    std::function<void(bool startup)> ampSearch;
    std::function<void(EditorState::View view)> setView;
    std::function<void()> loadPanel;
    std::function<void()> sendEditorData;

    // Document state.
    bool firstActivation = false;
    bool startedWithFile = false;
    QString currentFileName;
    QString originDirectory;
    bool saveElsewhere = false;
    QString openDialogDirectory;
    QString saveDialogDirectory;

    // The window title operation: caption, application title, "Info".
    void setTitle(const QString &name);
    QString applicationTitle() const { return applicationTitle_; }

    // The ask-to-save step; throws Abort when the user cancels.
    void askToSave(const QString &text = QStringLiteral("Save Changes?"));

    // The directory the file list shows. False (and nothing changes) when
    // the directory cannot be entered.
    QString listDirectory() const { return listDirectory_; }
    bool setListDirectory(const QString &dir);

    QSize designSize() const { return designSize_; }
    int designSplit() const { return designSplit_; }
    int panelWidth() const;
    void setPanelWidth(int width);

    // Which device to use at start: the stored name wins over a stored index
    // that now names another device. -1 when there is none.
    static int preferredPort(const QStringList &devices, int storedIndex, const QString &storedName);

    // Handlers.
    void FormActivate();
    void copyDataReceived(const QString &commandLine);
    void ToolbarViewClick();
    void FileListViewClick();
    void DefaultView1Click();
    void AutoSplitClick();
    void Splitter1Moved(int pos, int index);
    void FormResize();
    void Exit1Click();
    void About1Click();
    void MIDIPortSelect1Click();
    void New1Click();
    void NewGroup1Click();
    void EditordatatoAmp1Click();
    bool FormCloseQuery();
    void FormClose();

    // Widgets.
    QToolBar *ToolBar1;
    QSplitter *Splitter1;
    QWidget *PanelList;
    QLabel *LabelList;
    QGroupBox *GroupBox1;
    EditorPanel *EditorPanel1;

    QMenu *File1, *View1, *Transfer1, *Help1, *PresetfromAmp1, *PresettoAmp1;
    QAction *Open1, *ImportSingletoTab, *New1, *NewGroup1, *InfoMain, *Save1, *SaveAs1, *SaveBack,
        *SaveCurrentTab1, *Exit1;
    QAction *FileListView, *ToolbarView, *MIDIPortSelect1, *GlobalWindow1, *DefaultView1, *AutoSplit,
        *RefreshFileList1, *EnterTuner1;
    std::array<QAction *, 16> PresetFromAmp; // NA1..ND4
    std::array<QAction *, 16> PresetToAmp;   // A1..D4
    QAction *GroupfromAmp1, *GrouptoAmp, *SyncwithAmp1, *EditordatatoAmp1;
    QAction *About1;
    QAction *ToolButtonOpen, *ToolButtonSave, *ToolButtonMIDI, *ToolButtonGlobal, *ToolButtonDefaultView,
        *ToolButtonSendEdits, *ToolButtonTuner;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildPanels();
    void readSettings();
    void startUp();
    void setOrigin(const QString &path);
    void fillDefaultsAndSend();
    void newDocument(EditorState::View view);
    void computeSplit();
    void bringToFront();
    QSize normalSize() const;
    bool run(const std::function<void()> &body);
    void connectHandler(QAction *action, void (Quorvex1::*handler)());

    Settings settings_;
    QStringList arguments_;
    std::unique_ptr<SingleInstance> instance_;
    QString applicationTitle_ = QStringLiteral("Quorvex");
    QString listDirectory_;
    QSize designSize_;
    int designSplit_ = DesignSplit;
    int panelWidth_ = DesignSplit;
    QSize normalSize_;
    bool closed_ = false;
};
