// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"
#include "session/amptransfers.h"

#include <QObject>
#include <QString>
#include <QStringList>

class AmpLink;
class CommandQueue;
class PresetEditor;

// "Check the Amp": the Amp's current preset is fetched, without touching
// the document, and compared with the shown slot. Either the Amp matches
// the editor, or the user is shown what differs and chooses: send the
// editor's preset, or take the Amp's (a step of the history). It also runs
// by itself when the Amp is back after a silence or the MIDI service
// returns, then saying nothing while the two match.
class AmpCheck : public QObject {
    Q_OBJECT
public:
    static constexpr const char *Caption = QT_TR_NOOP("Check the Amp");
    static constexpr const char *Matches = QT_TR_NOOP("The Amp matches the editor.");
    static constexpr const char *SendEditors = QT_TR_NOOP("Send the Editor's");
    static constexpr const char *TakeAmps = QT_TR_NOOP("Take the Amp's");

    AmpCheck(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, CommandQueue &queue,
             QObject *parent = nullptr);

    // The Transfer menu's command: the outcome is always told.
    void checkAmp();
    // After a reconnect: told only when the Amp differs (or said in the
    // status bar when it matches).
    void checkQuietly();

    // The parameters in which two records differ, as "PreGain: editor 17,
    // Amp 20", in the panel's order.
    static QStringList differences(const preset::Record &editor, const preset::Record &amp);

signals:
    void statusMessage(const QString &text);

private:
    void ask(bool quiet);
    void arrived(const preset::Record &record);
    void decide();

    AmpLink &link_;
    AmpTransfers &transfers_;
    PresetEditor &editor_;
    CommandQueue &queue_;
    bool quiet_ = false;
    // What the Amp played and what the editor showed when its answer came.
    preset::Record amp_{};
    preset::Record shown_{};
    int slot_ = 0;
};
