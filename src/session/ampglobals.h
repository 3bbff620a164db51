// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bitfield.h"
#include "model/presetrecord.h"
#include "session/amptransfers.h"
#include "session/preseteditor.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <span>

class AmpLink;
class CommandQueue;

// The Amp's global settings and its tuner. The GlobalRecord is the device
// image's `globals`; the globals window, the tuner window and the panel's
// global cabinet box edit it through these and follow the signals below.
class AmpGlobals : public QObject {
    Q_OBJECT
public:
    AmpGlobals(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, CommandQueue &queue,
               QObject *parent = nullptr);

    std::span<std::uint8_t, preset::GlobalSize> record();
    std::uint8_t firmwareVersion() const;
    // While it lives, controls set from the record send nothing.
    PresetEditor::LoadingGuard loadingGuard() { return PresetEditor::LoadingGuard(editor_); }

    // Set only while the globals window is shown: a globals message that
    // arrives while it is clear ends the wait and changes nothing.
    bool globalsWindowOpen() const { return windowOpen_; }
    void setGlobalsWindowOpen(bool open) { windowOpen_ = open; }
    // Opening the globals window: the window, once shown, asks for the
    // Amp's record.
    void expectGlobals() { expected_ = true; }
    // The globals window shows: ask for the record if it is expected. Only
    // once an Amp has been found does an unanswered request say so.
    void globalsWindowShown();
    // "Get from Amp": ask and wait, Amp found or not.
    void requestGlobals();
    // The whole GlobalRecord as one globals message; no reply is awaited.
    void sendGlobals();
    // A GlobalRecord from elsewhere (a global file): stored and shown,
    // nothing sent.
    void storeGlobals(std::span<const std::uint8_t, preset::GlobalSize> record);
    // A user's edit: the byte becomes value (a knob, a radio group) or the
    // one-bit field becomes on (a check box); then one global bit-field
    // message for f, unless loading.
    void editGlobalByte(Field f, std::uint8_t value);
    void editGlobalBit(Field f, bool on);

    // The global settings changed by the user since they were last fetched,
    // read from a file or saved to one.
    bool isModified() const { return modified_; }
    void setModified(bool on);
    // The global file the settings were last read from or saved to; empty
    // when they came from the Amp.
    QString sourcePath() const { return sourcePath_; }
    void setSourcePath(const QString &path) { sourcePath_ = path; }
    // Unsaved settings a recovery copy kept: stored, sent to the Amp (it
    // played them when the program ended) and marked unsaved again.
    void restoreUnsaved(std::span<const std::uint8_t, preset::GlobalSize> record, const QString &sourcePath);

    // Tuner mode: entering sends the tuner mode message and asks for the
    // bypass volume and then the tuner options; leaving sends the tuner mode
    // message alone.
    void enterTuner();
    void leaveTuner();
    // Between enterTuner and leaveTuner: the one record of tuner mode.
    bool tunerMode() const { return tunerMode_; }

signals:
    // A byte of the GlobalRecord changed from the Amp (under the loading guard).
    void globalRecordChanged(int index);
    // The GlobalRecord was replaced as a whole, by the Amp's globals message
    // (fromAmp) or a global file, under the loading guard.
    void globalRecordLoaded(bool fromAmp);
    // The Amp reported its global cabinet: on with a cabinet, or off with
    // the preset's own.
    void globalCabinetReported(bool on, int cabinet);
    void modifiedChanged(bool modified);
    // The user changed a setting (every edit, not only the first).
    void edited();
    // The two bytes of a tuner data message.
    void tunerReading(std::uint8_t first, std::uint8_t second);

private:
    void ask(bool reportSilence);
    void received(const AmpTransfers::Globals &record);
    void fieldChanged(int index, int shift, int width, int value);
    void showLoaded(bool fromAmp);
    void cabinetReported();

    AmpLink &link_;
    AmpTransfers &transfers_;
    PresetEditor &editor_;
    CommandQueue &queue_;
    bool windowOpen_ = false;
    bool modified_ = false;
    QString sourcePath_;
    bool expected_ = false;
    // Whether the open request's time-out is worth a message.
    bool reportSilence_ = true;
    bool tunerMode_ = false;
};
