// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program against quorvex-amp, each in its own process, over a
// JACK server with the dummy driver (started by tests/run-with-jackd): the
// main window on the real MIDI backend, finding the Amp, fetching, writing,
// and noticing when the Amp is gone.
#include "ampsim/virtualamppresets.h"
#include "dialogs/syncdialog.h"
#include "mainwindow/mainwindow.h"
#include "midi/rtmidibackend.h"
#include "model/presetrecord.h"
#include "session/amptransfers.h"
#include "support/scriptedprompter.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

using Button = Prompter::Button;
constexpr int Timeout = 10000; // ms; messages take a few JACK cycles of 5.3 ms

// The port of the list whose name ends as given (JACK prefixes the client).
int portEndingWith(const QStringList &names, const QString &port)
{
    for (int i = 0; i < names.size(); ++i)
        if (names[i].endsWith(QLatin1Char(':') + port))
            return i;
    return -1;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess amp_;
    QByteArray ampOutput_;
    QStringList syncTexts_;
    QTimer syncUser_;

    void ampSays(const QByteArray &line)
    {
        amp_.write(line + '\n');
        amp_.waitForBytesWritten();
    }

private slots:
    void initTestCase()
    {
        const QString program = qEnvironmentVariable("QUORVEX_AMP");
        QVERIFY2(!program.isEmpty() && qEnvironmentVariableIsSet("JACK_DEFAULT_SERVER"),
                 "run through CTest: tests/run-with-jackd starts the JACK server, QUORVEX_AMP names quorvex-amp");
        amp_.setProcessChannelMode(QProcess::MergedChannels);
        connect(&amp_, &QProcess::readyRead, this, [this] { ampOutput_ += amp_.readAll(); });
        // Unpaced, so the test does not wait on a cable's rate.
        amp_.start(program, {QStringLiteral("--api"), QStringLiteral("jack"), QStringLiteral("--firmware"),
                             QStringLiteral("2.0"), QStringLiteral("--wire-rate"), QStringLiteral("0"),
                             QStringLiteral("--port-name"), QStringLiteral("E2E Amp"), QStringLiteral("--monitor")});
        QVERIFY(amp_.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(ampOutput_.contains("on Jack"), Timeout);

        // The user at the sync dialog: OK once the Amp is found.
        syncUser_.setInterval(5);
        connect(&syncUser_, &QTimer::timeout, this, [this] {
            auto *sync = qobject_cast<SyncDialog *>(QApplication::activeModalWidget());
            if (sync && sync->isVisible() && sync->ButtonOK->isVisible()) {
                syncTexts_ << sync->StaticTextFound->text();
                sync->ButtonOK->click();
            }
        });
        syncUser_.start();
    }

    void cleanupTestCase()
    {
        if (amp_.state() != QProcess::NotRunning) {
            amp_.kill();
            amp_.waitForFinished();
        }
    }

    void findFetchWriteAndTimeOut()
    {
        // The Amp plays a preset of its own: its PreGain turned to 29. The
        // written line is not yet read: only the knob's message, once
        // sent, says the Amp has it, else a loaded machine fetches 17.
        ampSays("knob 3 29");
        QTRY_VERIFY_WITH_TIMEOUT(ampOutput_.contains("parameter 3 = 29"), Timeout);

        auto backend = std::make_unique<RtMidiBackend>(RtMidiBackend::Api::Jack);
        auto prompterOwned = std::make_unique<ScriptedPrompter>();
        ScriptedPrompter &prompter = *prompterOwned;
        MainWindow::Options options;
        options.backend = std::move(backend);
        options.prompter = std::move(prompterOwned);
        options.iniPath = dir_.filePath(QStringLiteral("quorvex.INI"));
        options.libraryIndex = dir_.filePath(QStringLiteral("library.sqlite"));
        options.autoStart = false;
        MainWindow w(std::move(options));
        Session &s = w.session();
        const int in = portEndingWith(s.link().midiIn().deviceNames(), QStringLiteral("E2E Amp Out"));
        const int out = portEndingWith(s.link().midiOut().deviceNames(), QStringLiteral("E2E Amp In"));
        QVERIFY2(in >= 0 && out >= 0, qPrintable(s.link().midiIn().deviceNames().join(QLatin1String(", "))));
        s.link().midiIn().setPort(in);
        s.link().midiOut().setPort(out);
        w.show();

        // Start-up: both ports open, the sync finds the Amp and fetches the
        // preset it plays.
        w.startOnFirstActivation();
        QTRY_COMPARE_WITH_TIMEOUT(syncTexts_, QStringList{QStringLiteral("Found Amp - Version 2.0")}, Timeout);
        // The fetch waits for the found dialog to close: idle before it is
        // asked for is not the end.
        QTRY_VERIFY_WITH_TIMEOUT(
            ampOutput_.contains("current preset request") && s.transfers().state() == TransferState::Idle, Timeout);
        QCOMPARE(s.editor().image().record(0)[preset::PreGain], 29);
        QCOMPARE(w.windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Amp Preset - Quorvex"));

        // A preset written to B2 (after the backup of the Amp's presets).
        preset::Record written = preset::DefaultRecord;
        written[preset::PreGain] = 7;
        written[preset::PreGain + 1] = 31;
        std::copy(written.begin(), written.end(), s.editor().image().record(0).begin());
        prompter.answers = {Button::Ok};
        s.run([&] { s.writes().presetToAmp(5); });
        QTRY_COMPARE_WITH_TIMEOUT(s.transfers().state(), TransferState::Idle, Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ampOutput_.contains("preset write"), Timeout);

        // The group fetched: all sixteen presets byte for byte, B2 as written.
        prompter.answers = {Button::No, Button::No};
        s.run([&] { s.fetches().groupFromAmp(); });
        QTRY_COMPARE_WITH_TIMEOUT(s.transfers().state(), TransferState::Idle, Timeout);
        QCOMPARE(s.editor().view(), PresetEditor::View::Group);
        for (int slot = 0; slot < preset::SlotCount; ++slot) {
            const preset::Record &expected = slot == 5 ? written : virtualamppresets::all()[std::size_t(slot)].record;
            const auto got = s.editor().image().record(slot);
            QVERIFY2(std::equal(got.begin(), got.end(), expected.begin()), qPrintable(QString::number(slot)));
        }

        // The Amp goes away: the next fetch gets no answer. Its reply would
        // have come within a few cycles; the time-out is its handler's call.
        amp_.terminate();
        QVERIFY(amp_.waitForFinished(Timeout));
        prompter.answers = {Button::No, Button::No};
        s.run([&] { s.fetches().presetFromAmp(0); });
        QCOMPARE(s.transfers().state(), TransferState::RequestedPreset);
        QTest::qWait(300);
        QCOMPARE(s.transfers().state(), TransferState::RequestedPreset);
        QVERIFY(s.transfers().replyTimer().isActive());
        s.transfers().replyTimedOut();
        s.queue().runPending();
        QCOMPARE(prompter.shown.last().text, QStringLiteral("No response from Amp."));
        QCOMPARE(s.transfers().state(), TransferState::Idle);
        QCOMPARE(prompter.unexpected, 0);

        // Closing asks to save the fetched group; No.
        prompter.answers = {Button::No};
        QVERIFY(w.close());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e_jack.moc"
