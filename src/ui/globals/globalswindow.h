// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/ampglobals.h"
#include "session/globalfiles.h"

#include <QDialog>

class CommandQueue;

#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QMenu;
class QMenuBar;
class Knob;
class NumberKnob;

// The globals window: the Amp's global settings, fetched, shown, edited live
// and sent back, and kept in global files. Created for one modal showing;
// the GlobalRecord itself lives in the session's objects.
class GlobalsWindow : public QDialog {
    Q_OBJECT
public:
    // startFolder: where the file dialogs start.
    GlobalsWindow(AmpGlobals &globals, CommandQueue &queue, QString startFolder, QWidget *parent = nullptr);
    ~GlobalsWindow() override;

    // Shows the window modally; the globals know it is open meanwhile.
    int showModal();
    // A global file read before the window shows (the main window's file
    // reader hands it over). Throws QuorvexError; nothing changes then.
    void readGlobalFile(const QString &path);
    // Settings already in the record (unsaved work brought back): the title
    // names where they came from.
    void showSource();
    // Every control from the GlobalRecord, under the loading guard.
    void loadControls();
    // The version 2.0 settings, enabled from firmware 1.8 on.
    void setUpVersion2();

    // Menu commands.
    void openFile();
    void saveAs();
    void closeWindow();
    void sendToAmp();
    void fetchFromAmp();

    GlobalFiles &files() { return files_; }

    QMenuBar *mainMenu;
    QMenu *fileMenu, *transferMenu;
    QAction *openAction, *saveAsAction, *quitAction, *sendToAmpAction, *fetchFromAmpAction;

    QGroupBox *GroupBoxGeneral, *GroupBoxNoiseGate, *GroupBoxVersion2;
    QGroupBox *RadioGroupMidiChannel, *RadioGroupBankStyle, *RadioGroupAllInfo;
    QButtonGroup *MidiChannelButtons, *BankStyleButtons, *AllInfoButtons;
    QCheckBox *CheckBoxUser, *CheckBoxStereo, *CheckBoxQB, *CheckBoxAtten, *CheckBoxLEDs;
    NumberKnob *NxNumberKnobThresh, *NxNumberKnobSens, *NxNumberKnobIA;

signals:
    // A global file was written (the file list may show its folder).
    void fileWritten();

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct CheckRow;
    struct KnobRow;
    struct RadioRow;
    static const std::vector<CheckRow> &checkRows();
    static const std::vector<KnobRow> &knobRows();
    static const std::vector<RadioRow> &radioRows();

    void buildMenu();
    void buildControls();
    NumberKnob *buildKnob(const KnobRow &row, QWidget *parent);
    QGroupBox *buildRadioGroup(const RadioRow &row, QWidget *parent);
    void knobChanged(const KnobRow &row, Knob *knob);
    void prepareForShow();
    void run(const std::function<void()> &body);

    AmpGlobals &globals_;
    CommandQueue &queue_;
    QString startFolder_;
    GlobalFiles files_;
};
