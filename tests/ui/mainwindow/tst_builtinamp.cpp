// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual Amp built into the device lists: beside the system's devices,
// answering through the same ports, queue and inbox as a real Amp, and the
// main window using it from the first start on.
#include "ampsim/builtinampbackend.h"
#include "dialogs/midiportsdialog.h"
#include "dialogs/syncdialog.h"
#include "mainwindow/linkstatus.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/virtualampmenu.h"
#include "midi/loopbackbackend.h"
#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "model/presetrecord.h"
#include "protocol/ampmessages.h"
#include "session/amptransfers.h"
#include "support/scriptedprompter.h"
#include "support/syncuser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

using Button = Prompter::Button;
using Bytes = amp::Bytes;
constexpr int Timeout = 15000; // ms: the Amp's replies take a cable's time, more under sanitizers

const QString BuiltIn = BuiltInAmpBackend::deviceName();

// The backend over a loopback "system" with these devices.
struct Rig {
    LoopbackBackend *system = nullptr;
    std::unique_ptr<BuiltInAmpBackend> backend;
    std::vector<Bytes> received;

    explicit Rig(const QStringList &devices = {})
    {
        auto s = std::make_unique<LoopbackBackend>();
        s->inputs = devices;
        s->outputs = devices;
        system = s.get();
        backend = std::make_unique<BuiltInAmpBackend>(std::move(s));
    }
    int openInput(int index)
    {
        return backend->openInput(
            index,
            [this](std::uint8_t st, std::uint8_t a, std::uint8_t b) {
                received.push_back({st, a, b});
            },
            [this](const std::uint8_t *data, int size) { received.emplace_back(data, data + size); });
    }
};

// The user at the program's modal windows: the port window is looked at and
// closed; the sync dialog answered with OK once the Amp is found.
struct User {
    QTimer timer;
    QStringList portWindow; // the two lists' texts and boxes, as shown
    QStringList syncTexts;

    User()
    {
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *ports = qobject_cast<MidiPortsDialog *>(modal)) {
                portWindow = {ports->ComboBoxMidiIn->currentText(), ports->ComboBoxMidiOut->currentText(),
                              ports->CheckBoxInEnabled->isChecked() ? "in on" : "in off",
                              ports->CheckBoxOutEnabled->isChecked() ? "out on" : "out off"};
                ports->close();
            } else {
                answerSyncDialog(syncTexts);
            }
        });
        timer.start();
    }
};

struct Window {
    ScriptedPrompter *prompter = nullptr;
    BuiltInAmpBackend *backend = nullptr;
    std::unique_ptr<MainWindow> w;

    Window(const QString &ini, const QStringList &systemDevices)
    {
        auto s = std::make_unique<LoopbackBackend>();
        s->inputs = systemDevices;
        s->outputs = systemDevices;
        auto b = std::make_unique<BuiltInAmpBackend>(std::move(s));
        backend = b.get();
        auto p = std::make_unique<ScriptedPrompter>();
        prompter = p.get();
        MainWindow::Options o;
        o.backend = std::move(b);
        o.prompter = std::move(p);
        o.iniPath = ini;
        o.autoStart = false;
        w = std::make_unique<MainWindow>(std::move(o));
    }
    Session &session() { return w->session(); }
    VirtualAmp &amp() { return backend->amp(); }
    VirtualAmpMenu &menu() { return *w->findChild<VirtualAmpMenu *>(); }
    // Nothing asked of the Amp, and nothing waiting to be (a sync's next step).
    bool idle()
    {
        return session().transfers().state() == TransferState::Idle && !session().queue().ampBusy() &&
               session().queue().pendingCount() == 0;
    }
};

preset::Record slotOf(const VirtualAmp &amp, int slot)
{
    preset::Record r{};
    std::copy_n(amp.presets.begin() + slot * preset::RecordSize, preset::RecordSize, r.begin());
    return r;
}

bool equalRecords(std::span<const std::uint8_t, preset::RecordSize> a, const preset::Record &b)
{
    return std::equal(a.begin(), a.end(), b.begin());
}

} // namespace

class TestBuiltInAmp : public QObject {
    Q_OBJECT
private slots:
    void listedAfterTheSystemsDevices_data()
    {
        QTest::addColumn<QStringList>("system");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("no service") << QStringList{} << QStringList{BuiltIn};
        QTest::newRow("two devices") << QStringList{"A", "B"} << QStringList{"A", "B", BuiltIn};
        // The twelfth place is the built-in Amp's: it is always offered.
        QStringList twelve;
        for (int i = 0; i < 12; ++i)
            twelve << QString::number(i);
        QTest::newRow("twelve devices") << twelve << (twelve.mid(0, 11) << BuiltIn);
    }
    void listedAfterTheSystemsDevices()
    {
        QFETCH(QStringList, system);
        QFETCH(QStringList, listed);
        Rig rig(system);
        MidiInPort in(*rig.backend);
        MidiOutPort out(*rig.backend);
        QCOMPARE(in.deviceNames(), listed);
        QCOMPARE(out.deviceNames(), listed);
        // Chosen by its number in the list, both ways.
        in.setPort(int(listed.size()) - 1);
        in.setEnabled(true);
        out.setPort(int(listed.size()) - 1);
        out.setEnabled(true);
        QCOMPARE(in.openResult(), 0);
        QCOMPARE(out.openResult(), 0);
        QVERIFY(rig.backend->inUse());
        QCOMPARE(rig.system->openInputIndex(), -1);
        QCOMPARE(rig.system->openOutputIndex(), -1);
        // Beyond it there is nothing.
        QCOMPARE(rig.backend->openInput(int(listed.size()), nullptr, nullptr), MidiBackend::BadDevice);
    }

    void portsGoWhereTheyWereOpened()
    {
        Rig rig({"A", "B"});
        rig.backend->inputNames();
        rig.backend->outputNames();
        QSignalSpy usage(rig.backend.get(), &BuiltInAmpBackend::usageChanged);
        QCOMPARE(rig.openInput(2), 0);
        QCOMPARE(rig.backend->openOutput(2), 0);
        QCOMPARE(usage.size(), 2);
        const Bytes identify = amp::identifyRequest();
        const Bytes tunerOn = amp::tunerMode(1);
        rig.backend->sendSysEx(identify.data(), int(identify.size()));
        rig.backend->sendSysEx(tunerOn.data(), int(tunerOn.size()));
        QVERIFY(rig.system->sent.empty());
        // Never inside the send: the inbox delivers once the event loop runs,
        // the reply first, then the tuner readings.
        QVERIFY(rig.received.empty());
        QTRY_VERIFY_WITH_TIMEOUT(rig.received.size() >= 3, Timeout);
        QCOMPARE(rig.received[0], amp::identifyReply(0x10));
        QCOMPARE(rig.received[1][amp::CommandPos], amp::TunerData);
        QCOMPARE(rig.backend->sendShort(0x45), MidiBackend::InvalidMessage);

        // The system's devices taken instead: the built-in Amp is closed and
        // hears nothing more; the system's ports carry the messages.
        rig.system->maxSize = 500;
        QCOMPARE(rig.openInput(1), 0);
        QCOMPARE(rig.backend->openOutput(0), 0);
        QVERIFY(!rig.backend->inputInUse() && !rig.backend->outputInUse());
        QCOMPARE(usage.size(), 4);
        QCOMPARE(rig.system->openInputIndex(), 1);
        QCOMPARE(rig.system->openOutputIndex(), 0);
        const Bytes tunerOff = amp::tunerMode(0);
        rig.backend->sendSysEx(tunerOff.data(), int(tunerOff.size()));
        QCOMPARE(rig.system->sent, std::vector<Bytes>{tunerOff});
        QVERIFY(rig.backend->amp().tunerOn);
        QCOMPARE(rig.backend->maxMessageSize(), 500);
        rig.received.clear();
        rig.system->inject(amp::tunerData(1, 2));
        rig.system->flush();
        QCOMPARE(rig.received, std::vector<Bytes>{amp::tunerData(1, 2)});

        // What the system's service reports reaches those who follow the link.
        QSignalSpy link(&rig.backend->linkNotifier(), &LinkNotifier::changed);
        rig.system->linkNotifier().post(LinkEvents::Service);
        QTRY_VERIFY_WITH_TIMEOUT(
            std::any_of(link.begin(), link.end(),
                        [](const QList<QVariant> &a) { return a[0].toUInt() & LinkEvents::Service; }),
            Timeout);
    }

    void cablePacesTheAmp()
    {
        // One byte a second: the second message waits ten seconds for the
        // cable, however slow this machine is.
        VirtualAmp amp;
        std::vector<Bytes> out;
        VirtualAmpDriver driver(amp, [&out](const Bytes &m) { out.push_back(m); });
        driver.setWireRate(1);
        const Bytes ten(10, 0x11);
        driver.send({ten, Bytes(3, 0x22)});
        QCOMPARE(out, std::vector<Bytes>{ten});
        QCOMPARE(driver.queued(), 1u);
        QVERIFY(driver.wireTimer().isActive());
        QVERIFY(driver.wireTimer().remainingTime() > 5000);
        // Still waiting when its timer is called early.
        driver.sendDue();
        QCOMPARE(out.size(), 1u);
        driver.clear();
        QCOMPARE(driver.queued(), 0u);
        QVERIFY(!driver.wireTimer().isActive());

        // Without a rate everything leaves at once.
        driver.setWireRate(0);
        driver.send({ten, ten, ten});
        QCOMPARE(out.size(), 4u);
    }

    void aHandTurnsTheKnobsInPlay()
    {
        VirtualAmp amp;
        std::vector<Bytes> out;
        VirtualAmpDriver driver(amp, [&out](const Bytes &m) { out.push_back(m); });
        driver.setWireRate(0);
        amp.current[preset::PreGain] = 33; // at the end of its range: round to the start
        QCOMPARE(driver.turnSomeKnob(), int(preset::PreGain));
        QCOMPARE(amp.current[preset::PreGain], 1);
        QCOMPARE(out.back(), amp::parameterSet(preset::PreGain, 1));
        // With the boost set playing, the Low knob moves the Alt byte.
        amp.current[preset::AltTap] = 1; // BoostAlt
        const int before = amp.current[preset::LowAlt];
        QCOMPARE(driver.turnSomeKnob(), int(preset::LowAlt));
        QCOMPARE(amp.current[preset::LowAlt], before + 8);
        QCOMPARE(out.back(), amp::parameterSet(preset::LowAlt, std::uint8_t(before + 8)));
    }

    void firmwareTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("byte");
        QTest::newRow("2.0") << "2.0" << true << 0x10;
        QTest::newRow("1.4 G") << "1.4 G" << true << 0x44;
        QTest::newRow("1.7") << " 1.7 " << true << 0x07;
        QTest::newRow("minor too big") << "1.16" << false << 0;
        QTest::newRow("words") << "two" << false << 0;
        QTest::newRow("no minor") << "1. G" << false << 0;
        QTest::newRow("trailing") << "2.0 x" << false << 0;
        QTest::newRow("space, no G") << "2.0 " << true << 0x10;
        QTest::newRow("g close") << "1.4g" << true << 0x44;
        QTest::newRow("major too big") << "5.0" << false << 0;
    }
    void firmwareTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, byte);
        std::uint8_t got = 0;
        QCOMPARE(VirtualAmpDriver::firmwareByte(text, got), valid);
        if (valid)
            QCOMPARE(int(got), byte);
    }

    void firstStartWithNothingElse()
    {
        // A machine with no MIDI service, and no settings yet.
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("quorvex.INI"));
        User user;
        preset::Record written = preset::DefaultRecord;
        {
            Window win(ini, {});
            VirtualAmp &amp = win.amp();
            for (int s = 0; s < preset::SlotCount; ++s)
                amp.presets[s * preset::RecordSize + preset::PreGain] = std::uint8_t(s + 1);
            QVERIFY(!win.menu().menuAction()->isVisible());

            // The port window shows the built-in Amp chosen and open; the
            // start-up sync finds it.
            win.w->startOnFirstActivation();
            QCOMPARE(user.portWindow, (QStringList{BuiltIn, BuiltIn, "in on", "out on"}));
            // Kept at once: a program killed later does not ask again.
            QFile kept(ini);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            const QByteArray keptText = kept.readAll();
            QVERIFY(keptText.contains(QStringLiteral("MIDIInName=%1").arg(BuiltIn).toUtf8()));
            // What was not set yet is written as the window is designed.
            QVERIFY2(!keptText.contains("\nSplit=0") && !keptText.contains("\nWidth=0"), keptText.constData());
            QTRY_COMPARE_WITH_TIMEOUT(user.syncTexts, QStringList{QStringLiteral("Found Amp - Version 2.0")}, Timeout);
            QTRY_VERIFY_WITH_TIMEOUT(win.idle(), Timeout);
            QCOMPARE(win.w->findChild<LinkStatus *>()->LabelAmp->text(), QStringLiteral("Virtual Amp 2.0"));
            QVERIFY(win.menu().menuAction()->isVisible());

            // Group from Amp: all sixteen presets, each its own.
            win.session().run([&] { win.session().fetches().groupFromAmp(); });
            QTRY_VERIFY_WITH_TIMEOUT(win.idle(), Timeout);
            QCOMPARE(win.session().editor().view(), PresetEditor::View::Group);
            for (int s = 0; s < preset::SlotCount; ++s)
                QVERIFY2(equalRecords(win.session().editor().image().record(s), slotOf(amp, s)),
                         qPrintable(preset::slotName(s)));

            // Preset to Amp: after a backup of what it replaces (in the
            // backups folder beside the settings), the preset lands in B2.
            written[preset::PreGain] = 7;
            written[preset::High] = 30;
            std::copy(written.begin(), written.end(), win.session().editor().record().begin());
            win.prompter->answers = {Button::Ok};
            win.session().run([&] { win.session().writes().presetToAmp(5); });
            QTRY_COMPARE_WITH_TIMEOUT(slotOf(amp, 5), written, Timeout);
            QTRY_VERIFY_WITH_TIMEOUT(win.idle(), Timeout);
            const QStringList backups = QDir(dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files);
            QCOMPARE(backups.size(), 1);
            QVERIFY2(backups[0].startsWith(QLatin1String("Amp ")), qPrintable(backups[0]));

            // The user plays the Amp's part: a knob turned on it shows in the
            // editor; so does a preset stepped to.
            win.session().editor().startHistory(false);
            win.menu().turnKnobAction->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(win.session().editor().record()[preset::PreGain], amp.current[preset::PreGain],
                                      Timeout);
            win.prompter->choices = {9};
            win.prompter->answers = {Button::No}; // the knob turned: "Save Changes?"
            win.menu().stepToPresetAction->trigger();
            QCOMPARE(amp.currentSlot, 9);
            QTRY_VERIFY_WITH_TIMEOUT(win.idle() && win.session().editor().record()[preset::PreGain] == 10, Timeout);
            // Cancelled, it stays where it is.
            win.prompter->choices = {-1};
            win.menu().stepToPresetAction->trigger();
            QCOMPARE(amp.currentSlot, 9);

            // Pretending the old firmware: the next sync finds it.
            win.menu().Firmware14G->trigger();
            QVERIFY(win.menu().Firmware14G->isChecked() && !win.menu().Firmware20->isChecked());
            win.session().editor().startHistory(false);
            win.prompter->answers = {Button::No};
            win.w->syncWithAmp();
            QTRY_COMPARE_WITH_TIMEOUT(user.syncTexts.size(), 2, Timeout);
            QCOMPARE(user.syncTexts[1], QStringLiteral("Found Amp - Version 1.4 G"));
            QTRY_VERIFY_WITH_TIMEOUT(win.idle(), Timeout);
            QCOMPARE(win.prompter->unexpected, 0);

            // The built-in Amp closed: its menu goes, and so does what the
            // status bar said of it.
            win.session().link().midiOut().setEnabled(false);
            QVERIFY(!win.menu().menuAction()->isVisible());
            QCOMPARE(win.w->findChild<LinkStatus *>()->LabelAmp->text(), QStringLiteral("Virtual Amp 1.4 G"));
            win.session().link().midiIn().setEnabled(false);
            QVERIFY(win.w->findChild<LinkStatus *>()->LabelAmp->isHidden());
            win.session().link().midiIn().setEnabled(true);
            win.session().link().midiOut().setEnabled(true);

            win.prompter->answers = {Button::No, Button::No};
            QVERIFY(win.w->close());
        }
        QVERIFY(QFile(ini).open(QIODevice::ReadOnly));

        // The next start, with a device of the system listed first now: the
        // built-in Amp is chosen again by its name, and no port window opens.
        user.portWindow.clear();
        Window again(ini, {QStringLiteral("USB MIDI")});
        QCOMPARE(again.session().link().midiIn().port(), 1);
        QCOMPARE(again.session().link().midiOut().port(), 1);
        again.w->startOnFirstActivation();
        QVERIFY(again.backend->inUse());
        QVERIFY(user.portWindow.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(user.syncTexts.size(), 3, Timeout);
        QCOMPARE(user.syncTexts[2], QStringLiteral("Found Amp - Version 2.0"));
        QTRY_VERIFY_WITH_TIMEOUT(again.idle(), Timeout);
        again.prompter->answers = {Button::No};
        QVERIFY(again.w->close());
    }

    void notPreselectedBesideOtherDevices()
    {
        // With a device of the system there, the user chooses: nothing is
        // opened for them, and the menu stays away.
        QTemporaryDir dir;
        User user;
        Window win(dir.filePath(QStringLiteral("quorvex.INI")), {QStringLiteral("USB MIDI")});
        win.w->startOnFirstActivation();
        QCOMPARE(user.portWindow, (QStringList{QString(), QString(), "in on", "out on"}));
        QVERIFY(!win.backend->inputInUse() && !win.backend->outputInUse());
        QVERIFY(!win.menu().menuAction()->isVisible());
        QVERIFY(user.syncTexts.isEmpty());
    }
};

QTEST_MAIN(TestBuiltInAmp)
#include "tst_builtinamp.moc"
