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
class TNxKnob;
class TNxNumberKnob;

// The globals window: the Amp's global settings, fetched, shown, edited live
// and sent back, and kept in global files. Created for one modal showing;
// the GlobalRecord itself lives in the session's objects.
class TFormGlobal : public QDialog {
    Q_OBJECT
public:
    // startFolder: where the file dialogs start.
    TFormGlobal(AmpGlobals &globals, CommandQueue &queue, QString startFolder, QWidget *parent = nullptr);
    ~TFormGlobal() override;

    // Shows the window modally; the globals know it is open meanwhile.
    int Execute();
    // A global file read before the window shows (the main window's file
    // reader hands it over). Throws QuorvexError; nothing changes then.
    void ReadGlobalFile(const QString &path);
    // Every control from the GlobalRecord, under the loading guard.
    void LoadControls();
    // The version 2.0 settings, enabled from firmware 1.8 on.
    void SetupVersion2();

    // Menu commands.
    void Open1Click();
    void SaveAs1Click();
    void QuitGlobalView1Click();
    void SendtoAmp1Click();
    void GetfromAmp1Click();

    GlobalFiles &files() { return files_; }

    QMenuBar *MainMenu1;
    QMenu *File1, *Transfer1, *Help1;
    QAction *Open1, *SaveAs1, *QuitGlobalView1, *SendtoAmp1, *GetfromAmp1;

    QGroupBox *GroupBoxGeneral, *GroupBoxNoiseGate, *GroupBoxVersion2;
    QGroupBox *RadioGroupMidiChannel, *RadioGroupBankStyle, *RadioGroupAllInfo;
    QButtonGroup *MidiChannelButtons, *BankStyleButtons, *AllInfoButtons;
    QCheckBox *CheckBoxUser, *CheckBoxStereo, *CheckBoxQB, *CheckBoxAtten, *CheckBoxLEDs;
    TNxNumberKnob *NxNumberKnobThresh, *NxNumberKnobSens, *NxNumberKnobIA;

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
    TNxNumberKnob *buildKnob(const KnobRow &row, QWidget *parent);
    QGroupBox *buildRadioGroup(const RadioRow &row, QWidget *parent);
    void knobChanged(const KnobRow &row, TNxKnob *knob);
    void FormShow();
    void run(const std::function<void()> &body);

    AmpGlobals &globals_;
    CommandQueue &queue_;
    QString startFolder_;
    GlobalFiles files_;
};
