#include "protocol/amptransfers.h"

#include "protocol/ampmessages.h"

AmpTransfers::AmpTransfers(DeviceImage &image, EditorState &state, QObject *parent)
    : QObject(parent), image_(image), state_(state)
{
    TimerSysex.setSingleShot(true);
    TimerSysex.setInterval(2000);
    TimerAmpFound.setSingleShot(true);
    TimerAmpFound.setInterval(1);
    connect(&TimerSysex, &QTimer::timeout, this, &AmpTransfers::TimerSysexTimer);
    connect(&TimerAmpFound, &QTimer::timeout, this, &AmpTransfers::TimerAmpFoundTimer);
}

void AmpTransfers::identifyReply(std::uint8_t versionByte)
{
    TransferState = Idle;
    TimerSysex.stop();
    state_.firmwareVersion = std::uint8_t((versionByte & 0x3F) + 16);
    state_.gVariant = (versionByte & 0x40) != 0;
    TimerAmpFound.start();
}

void AmpTransfers::groupDumpReceived(const std::uint8_t *pairs)
{
    if (TransferState != 2)
        return;
    TransferState = Idle;
    TimerSysex.stop();
    amp::decodeNibbles(pairs, preset::GroupSize, image_.group.data());
}

void AmpTransfers::singlePresetReceived(const std::uint8_t *pairs)
{
    if (TransferState != 1 && TransferState != 6 && TransferState != 7)
        return;
    // Which slot a single preset lands in depends on the request; that
    // belongs to the transfer work and is not decided here yet.
    (void)pairs;
}

void AmpTransfers::globalsReceived(const std::uint8_t *pairs)
{
    if (TransferState != 3)
        return;
    TransferState = Idle;
    TimerSysex.stop();
    amp::decodeNibbles(pairs, preset::GlobalSize, image_.globals.data());
}

void AmpTransfers::TimerSysexTimer()
{
    TimerSysex.stop();
    TransferState = Idle;
    if (onTimeout)
        onTimeout();
}

void AmpTransfers::TimerAmpFoundTimer()
{
    TimerAmpFound.stop();
    state_.ampFound = true;
    if (onAmpFound)
        onAmpFound();
}
