// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ampsim/builtinampbackend.h"
#include "midi/loopbackbackend.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <memory>

// The editor's session wired to the built-in virtual Amp through the real
// send queue, paced as on a cable by a clock the caller moves, so no test
// waits: settle() lets every message in flight arrive and every queued
// command run, as the event loop would after a while.
class AmpWorld {
public:
    struct ManualClock : MidiOutPort::Clock {
        std::int64_t t = 1;
        std::int64_t now() override { return t; }
        void sleepUntil(std::int64_t time) override { t = std::max(t, time); }
    };

    explicit AmpWorld(Prompter &prompter)
        : backend_(new BuiltInAmpBackend(std::make_unique<LoopbackBackend>())),
          session_(std::unique_ptr<MidiBackend>(backend_), prompter)
    {
        backend_->driver().setWireRate(0);
        AmpLink &link = session_.link();
        const int builtIn = int(backend_->inputNames().size()) - 1;
        link.midiIn().setPort(builtIn);
        link.midiIn().setEnabled(true);
        link.midiOut().setPort(builtIn);
        link.midiOut().setEnabled(true);
        link.midiOut().setClock(&clock_);
        // The Amp answers on channel 1, as after a sync.
        session_.editor().image().globals[VirtualAmp::MidiChannelByte] = 0;
        amp().globals[VirtualAmp::MidiChannelByte] = 0;
    }
    ~AmpWorld() { session_.link().midiOut().setClock(nullptr); }

    Session &s() { return session_; }
    PresetEditor &editor() { return session_.editor(); }
    VirtualAmp &amp() { return backend_->amp(); }
    VirtualAmpDriver &hand() { return backend_->driver(); }

    // Seconds of cable time pass until nothing is in flight; an Amp that
    // never answers times out as the reply timer would.
    void settle()
    {
        MidiOutPort &out = session_.link().midiOut();
        for (int round = 0; round < 64; ++round) {
            clock_.t += 1'000'000'000;
            out.sendDue();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            session_.queue().runPending();
            if (out.stats().queuedMessages > 0 || backend_->driver().queued() > 0)
                continue;
            if (session_.transfers().busy() && round > 8)
                session_.queue().runInput([&] { session_.transfers().replyTimedOut(); });
            else if (!session_.transfers().busy() && session_.queue().pendingCount() == 0)
                break;
        }
    }

    preset::Record shown()
    {
        preset::Record r;
        const auto span = editor().record();
        std::copy(span.begin(), span.end(), r.begin());
        return r;
    }
    // Empty while the Amp plays what the editor shows; else the bytes that
    // differ. The model code travels only inside whole records: the Amp
    // keeps its own when only the model changes.
    QString outOfStep()
    {
        const preset::Record mine = shown();
        QStringList diffs;
        for (int i = 0; i < preset::RecordSize; ++i) {
            const std::uint8_t mask = i == preset::ModelCode.index ? std::uint8_t(~0x0F) : 0xFF;
            if ((mine[i] ^ amp().current[i]) & mask)
                diffs << QStringLiteral("byte %1: editor %2, Amp %3").arg(i).arg(mine[i]).arg(amp().current[i]);
        }
        return diffs.join(QStringLiteral("; "));
    }

private:
    ManualClock clock_;
    BuiltInAmpBackend *backend_;
    Session session_;
};
