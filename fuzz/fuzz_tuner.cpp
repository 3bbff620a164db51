// SPDX-License-Identifier: GPL-3.0-or-later
// Drives a shown tuner window through the session with arbitrary tuner
// data, global bit-field messages (bytes 9 and 10 among them) and option
// edits. After every step the window must show one of the twelve note
// names or "--", at most one lit LED, and exactly what the readout's
// mapping says; the loading guard must be clear.
#include "controls/led.h"
#include "midi/loopbackbackend.h"
#include "protocol/ampmessages.h"
#include "session/prompter.h"
#include "session/session.h"
#include "tuner/tunerdisplay.h"
#include "tuner/tunerwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct NoUser : Prompter {
    Button question(const QString &, const QString &, const QList<Button> &, Icon) override { std::abort(); }
    void notice(const QString &, const QString &, Icon) override { std::abort(); }
    QString openFileName(const QString &, const QString &, const QString &) override { std::abort(); }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override { std::abort(); }
    int chooseItem(const QString &, const QString &, const QStringList &, int) override { std::abort(); }
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: widgets torn down by exit handlers, after Qt's own
    // globals are gone, crash on the way out.
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static NoUser user;
    static auto *loop = new LoopbackBackend;
    static auto &session = *new Session(std::unique_ptr<MidiBackend>(loop), user);
    static auto &form = *new TunerWindow(session.globals(), session.queue());
    static bool started = false;
    if (!started) {
        started = true;
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
        form.showOver(nullptr);
        QCoreApplication::processEvents();
    }
    static const QStringList names{"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "--"};

    // What the display must show, kept beside the window from this input on.
    tuner::TunerDisplay mirror;
    form.showReading(0xFF, 0); // both start from "no note"
    for (std::size_t at = 0; at + 5 <= size; at += 5) {
        const std::uint8_t *r = data + at;
        std::vector<std::uint8_t> m(amp::Header, amp::Header + amp::HeaderSize);
        bool reading = false;
        std::uint8_t n = 0, p = 0;
        switch (r[0] % 4) {
        case 0: // a tuner reading as the Amp sends it
            n = r[1];
            p = r[2];
            reading = true;
            m = amp::tunerData(n, p);
            break;
        case 1: // nibble bytes with their high bits set, and no F7
            n = amp::fromNibbles(r[1], r[2]);
            p = amp::fromNibbles(r[3], r[4]);
            reading = true;
            m.insert(m.end(), {amp::TunerData, r[1], r[2], r[3], r[4]});
            break;
        case 2: // a global bit-field message for any byte, 9 and 10 included
            m.insert(m.end(), {amp::GlobalBitField, std::uint8_t(r[1] % 16), r[2], r[3], r[4], 0xF7});
            break;
        default: // the user: an option, or leaving and entering tuner mode
            if (r[1] & 1)
                form.CheckBoxEb->setChecked(r[2] & 1);
            else if (r[1] & 2)
                form.CheckBoxChromatic->setChecked(r[2] & 1);
            else if (form.isVisible())
                form.exitTuner();
            else
                form.showOver(nullptr);
            loop->sent.clear();
            continue;
        }
        const bool eFlat = form.CheckBoxEb->isChecked();
        session.transfers().receive(m.data(), int(m.size()));
        check(!session.editor().loading());

        int lit = tuner::NoLed;
        for (int i = 0; i < tuner::LedCount; ++i) {
            if (form.LEDImage[i]->LEDOn()) {
                check(lit == tuner::NoLed);
                lit = i;
            }
        }
        check(names.contains(form.NoteText->text()));
        if (reading) {
            const auto u = mirror.read(n, p, eFlat);
            check(u.led == lit);
            check(mirror.note() == -1 ? form.NoteText->text() == QLatin1String("--")
                                      : form.NoteText->text() == QLatin1String(tuner::noteName(mirror.note())));
        }
        if (at % 320 == 0)
            QCoreApplication::processEvents(); // paint now and then
        loop->sent.clear();
    }
    return 0;
}
