#pragma once

#include "model/deviceimage.h"
#include "model/editorstate.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

// The one open request to the Amp (TransferState) and its timers. The
// dumps the Amp sends in answer arrive here from the receive dispatcher.
class AmpTransfers : public QObject {
    Q_OBJECT
public:
    enum State : int {
        Idle = 0,
        // 1..7: the request that is waiting for its reply.
    };

    AmpTransfers(DeviceImage &image, EditorState &state, QObject *parent = nullptr);

    int TransferState = Idle;
    // Reply time-out: 2000 ms after a request.
    QTimer TimerSysex;
    // Found step, 1 ms after an identify reply.
    QTimer TimerAmpFound;

    // Identify reply (any TransferState): ends the open request and records
    // the firmware version: (v & 3F) + 16, G variant when v & 40.
    void identifyReply(std::uint8_t versionByte);

    // The dumps answer a request; each is taken only in the TransferState
    // that asked for it. Pointers address the nibble pairs (2 bytes a record byte).
    // What each then does to the editor arrives with the transfer work; until
    // then an accepted dump is decoded and stored, and nothing else happens.
    void groupDumpReceived(const std::uint8_t *pairs);    // TransferState 2
    void singlePresetReceived(const std::uint8_t *pairs); // TransferState 1, 6, 7
    void globalsReceived(const std::uint8_t *pairs);      // TransferState 3

    // Timer handlers, called by the timers and directly by tests.
    void TimerSysexTimer();
    void TimerAmpFoundTimer();

    // Hooks the owner sets: the found step of amp detection and the reply
    // time-out's report.
    std::function<void()> onAmpFound;
    std::function<void()> onTimeout;

private:
    DeviceImage &image_;
    EditorState &state_;
};
