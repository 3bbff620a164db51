// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the session's objects with a script of steps read from the input:
// Amp messages arriving (SysEx or short, replies or not, late or twice),
// user commands (fetches, writes, syncs, the globals request), reply
// time-outs, and the command queue running as the event loop runs it. It
// aborts when a rule breaks:
// - no box is shown while an input handler is on the stack;
// - the loading guard never stays set after a step;
// - a reply awaited as a backup never reaches the editor's presets;
// - every confirmed write ends in exactly one outcome, written or not;
// - everything sent is a whole Amp message.
// Inputs whose first byte is C0 or more instead play a sequence of a user's
// and the Amp player's steps over the built-in virtual Amp (see
// SequenceDriver), and abort as soon as the Amp stops playing what the
// screen shows, a save does not hold the document, or a failed Open
// changed something.
#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "session/inputscope.h"
#include "session/prompter.h"
#include "session/session.h"
#include "support/sequencedriver.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Answers from the script's bytes; never asked inside an input handler.
struct ScriptUser : Prompter {
    const std::uint8_t *answers = nullptr;
    std::size_t left = 0;
    Button question(const QString &, const QString &, const QList<Button> &buttons, Icon) override
    {
        if (InputScope::active())
            std::abort();
        if (buttons.isEmpty())
            return Button::Cancel;
        const std::uint8_t pick = left > 0 ? (--left, *answers++) : 0;
        return buttons[pick % buttons.size()];
    }
    void notice(const QString &, const QString &, Icon) override
    {
        if (InputScope::active())
            std::abort();
    }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override { return {}; }
    int chooseItem(const QString &, const QString &, const QStringList &, int) override
    {
        if (InputScope::active())
            std::abort();
        return -1;
    }
};

struct World {
    ScriptUser user;
    QTemporaryDir backups;
    LoopbackBackend *backend = new LoopbackBackend;
    Session s{std::unique_ptr<MidiBackend>(backend), user};
    VirtualAmp amp;
    bool answering = true;
    int confirmed = 0;
    int outcomes = 0;
    // A reply awaited as a backup is arriving: it must not become the
    // editor's presets (the Amp's own knob changes are single bytes).
    bool backupAwaited = false;

    World()
    {
        AmpLink &link = s.link();
        link.midiIn().setPort(0);
        link.midiIn().setEnabled(true);
        link.midiOut().setPort(0);
        link.midiOut().setEnabled(true);
        s.backups().setFolder(backups.path());
        backend->peer = [this](const amp::Bytes &m) {
            if (answering)
                for (auto &reply : amp.receive(m))
                    backend->inject(reply);
        };
        QObject::connect(&s.writes(), &PresetWrites::statusMessage, [this](const QString &text) {
            if (text.startsWith(QLatin1String("Written")) || text.startsWith(QLatin1String("Not written")))
                ++outcomes;
        });
        QObject::connect(&s.editor(), &PresetEditor::recordChanged, [this] {
            if (backupAwaited)
                std::abort();
        });
        // A single byte from the Amp reaches the windows under the loading
        // guard, so showing it sends nothing back.
        QObject::connect(&s.editor(), &PresetEditor::byteChanged, [this](int index) {
            if (!s.editor().loading() || index < 0 || index >= preset::RecordSize)
                std::abort();
        });
        QObject::connect(&s.globals(), &AmpGlobals::globalCabinetReported, [this](bool, int cabinet) {
            if (!s.editor().loading() || cabinet < 0 || cabinet > 254)
                std::abort();
        });
    }
    // The event loop's part: replies delivered, then the queue.
    void settle()
    {
        backend->flush();
        s.queue().runPending();
        QCoreApplication::sendPostedEvents();
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // QTimer wants an application object
    return 0;
}

namespace {

int playSequence(const std::uint8_t *data, std::size_t size)
{
    SequenceDriver driver((data[0] & 1) != 0);
    for (std::size_t i = 1; i + 3 <= size; i += 3) {
        driver.step(data[i], data[i + 1], data[i + 2]);
        if (!driver.broken().isEmpty()) {
            std::fprintf(stderr, "step %zu: %s\n", i / 3, qPrintable(driver.broken()));
            std::abort();
        }
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    if (data[0] >= 0xC0)
        return playSequence(data, size);
    World w;
    Session &s = w.s;
    // The first bytes answer the questions; the rest is the script.
    const std::size_t answerBytes = std::min<std::size_t>(data[0] % 8, size - 1);
    w.user.answers = data + 1;
    w.user.left = answerBytes;
    const std::uint8_t *p = data + 1 + answerBytes;
    const std::uint8_t *end = data + size;
    s.writes().setBackupBeforeWrite(true);

    auto take = [&](std::size_t n) {
        std::vector<std::uint8_t> out(p, p + std::min<std::size_t>(n, std::size_t(end - p)));
        p += out.size();
        return out;
    };
    while (p < end) {
        const std::uint8_t op = *p++;
        const std::uint8_t arg = p < end ? *p : 0;
        switch (op % 12) {
        case 0: { // an arbitrary SysEx buffer, exact size so the sanitizer sees overreads
            const std::size_t n = p < end ? *p++ : 0;
            std::vector<std::uint8_t> message = take(n);
            const TransferState state = s.transfers().state();
            w.backupAwaited = state == TransferState::BackupPreset || state == TransferState::BackupGroup;
            s.queue().runInput(
                [&] { s.transfers().receive(message.empty() ? nullptr : message.data(), int(message.size())); });
            w.backupAwaited = false;
            break;
        }
        case 1: { // a short message: Program Changes and bank selects in bursts
            std::vector<std::uint8_t> m = take(3);
            m.resize(3, 0);
            emit s.link().shortReceived(m[0], m[1] & 0x7F, m[2] & 0x7F);
            break;
        }
        case 2:
            ++p;
            s.run([&] { s.fetches().presetFromAmp(arg & 15); });
            break;
        case 3: s.run([&] { s.fetches().groupFromAmp(); }); break;
        case 4: { // a write the user confirms (or not: the answers decide)
            ++p;
            s.run([&] {
                if ((arg & 16) && s.editor().isGroupView())
                    s.writes().groupToAmp();
                else
                    s.writes().presetToAmp(arg & 15);
                ++w.confirmed;
            });
            break;
        }
        case 5: // a sync as the main window starts it and its dialog runs it
            s.run([&] {
                s.queue().runWhenAmpIdle([&] {
                    s.sync().startSync(false);
                    s.sync().searchForAmp();
                });
            });
            break;
        case 6:
            s.sync().takeFoundStep();
            s.sync().syncClosed();
            break;
        case 7: s.run([&] { s.globals().requestGlobals(); }); break;
        case 8: s.queue().runInput([&] { s.transfers().replyTimedOut(); }); break;
        case 9: w.settle(); break;
        case 10:
            ++p;
            w.answering = (arg & 1) != 0;
            break;
        case 11:
            ++p;
            s.editor().setView((arg & 1) ? PresetEditor::View::Group : PresetEditor::View::Single);
            s.editor().selectSlotQuietly((arg >> 1) & 15);
            break;
        }
        if (s.editor().loading())
            std::abort(); // the guard must never stay set after a step
        if (s.transfers().replacedQuestions() > 0)
            std::abort(); // no question to the Amp replaces an open one
    }
    // Let every wait end, as time would: each confirmed write has its outcome.
    for (int round = 0; round < 8; ++round) {
        w.settle();
        if (s.transfers().state() != TransferState::Idle)
            s.queue().runInput([&] { s.transfers().replyTimedOut(); });
    }
    w.settle();
    if (s.transfers().replacedQuestions() > 0)
        std::abort();
    if (s.queue().pendingCount() == 0 && !s.transfers().busy() && w.outcomes != w.confirmed)
        std::abort();
    for (const amp::Bytes &out : w.backend->sent)
        if (out.empty() || (out[0] == 0xF0 && out.back() != 0xF7))
            std::abort();
    return 0;
}
