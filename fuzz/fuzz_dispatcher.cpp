// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the session as one received MIDI message, in a
// state chosen by the first two input bytes: the awaited reply (every
// TransferState, the backup ones included), the view and slot, a write
// waiting for its backup, and whether the bytes arrive as SysEx or as a
// short message.
#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "session/ampsession.h"
#include "session/prompter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Says yes to everything (a Program Change asks to save, a write asks to
// overwrite) and picks no file or item, so every path runs without a window.
struct YesUser : Prompter {
    Button question(const QString &, const QString &, const QList<Button> &buttons, Icon) override
    {
        return buttons.isEmpty() ? Button::Cancel : buttons.first();
    }
    void notice(const QString &, const QString &, Icon) override {}
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override { return {}; }
    int chooseItem(const QString &, const QString &, const QStringList &, int) override { return -1; }
};

constexpr int StateCount = int(TransferState::BackupGroup) + 1;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // QTimer wants an application object
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    static YesUser user;
    static QTemporaryDir backups;
    static LoopbackBackend *backend = nullptr;
    static std::unique_ptr<AmpSession> session;
    if (!session) {
        auto b = std::make_unique<LoopbackBackend>();
        backend = b.get();
        session = std::make_unique<AmpSession>(std::move(b), user);
        AmpSession &s = *session;
        s.midiIn().setPort(0);
        s.midiIn().setUsing(true);
        s.midiOut().setPort(0);
        s.midiOut().setUsing(true);
        s.setBackupFolder(backups.path());
        s.setBackupBeforeWrite(true);
        // Found once, so writes wait for their backup; then the Amp goes
        // quiet and only the fuzzer's bytes arrive.
        static VirtualAmp amp;
        backend->peer = [](const amp::Bytes &m) {
            for (auto &reply : amp.receive(m))
                backend->inject(reply);
        };
        s.startSync(false);
        s.searchForAmp();
        backend->flush();
        s.transfers().TimerAmpFoundTimer();
        backend->flush();
        s.syncClosed();
        backend->peer = nullptr;

        // A single byte from the Amp reaches the window under the loading
        // guard, so showing it sends nothing back. (A whole record is shown
        // by the panel's loader, which takes the guard itself.)
        auto guarded = [] {
            if (!session->loading())
                std::abort();
        };
        QObject::connect(&s, &AmpSession::byteChanged, [guarded](int index) {
            guarded();
            if (index < 0 || index >= preset::RecordSize)
                std::abort();
        });
        QObject::connect(&s, &AmpSession::globalRecordChanged, [guarded](int index) {
            guarded();
            if (index < 0 || index >= preset::GlobalSize)
                std::abort();
        });
        QObject::connect(&s, &AmpSession::globalCabinetReported, [guarded](bool, int cabinet) {
            guarded();
            if (cabinet < 0 || cabinet > 254) // b - 1 of a non-zero byte, or a four-bit field
                std::abort();
        });
    }
    AmpSession &s = *session;

    const std::uint8_t mode = data[1];
    s.setView((mode & 1) ? AmpSession::View::Group : AmpSession::View::Single);
    s.selectSlotQuietly((mode >> 4) & 15);
    // Commands and MIDI handlers run as the program runs them: a cancelled
    // question or an error ends them, and nothing else may escape.
    if (mode & 2) {
        // A write now waits for the Amp's presets it replaces.
        s.run([&] {
            if (s.isGroupView() && (mode & 4))
                s.groupToAmp();
            else
                s.presetToAmp((mode >> 4) & 15);
        });
    }
    s.transfers().setState(TransferState(data[0] % StateCount));
    backend->sent.clear();

    // An exact-size copy so the sanitizer sees any read past the message.
    std::vector<std::uint8_t> message(data + 2, data + size);
    if ((mode & 8) && !message.empty()) {
        message.resize(3, 0);
        s.run([&] { s.MidiIn1Short(message[0], message[1] & 0x7F, message[2] & 0x7F); });
    } else {
        s.run([&] { s.MidiIn1SysEx(message.empty() ? nullptr : message.data(), int(message.size())); });
    }
    // Whatever the handlers posted (deferred deletes, queued calls) runs
    // here, as the event loop would run it.
    QCoreApplication::sendPostedEvents();
    if (s.loading())
        std::abort(); // the guard must never stay set after a message
    // Whatever arrived, everything the editor sends is a whole Amp message
    // or a short message.
    for (const amp::Bytes &out : backend->sent)
        if (out.empty() || (out[0] == 0xF0 && out.back() != 0xF7))
            std::abort();
    return 0;
}
