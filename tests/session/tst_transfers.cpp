// SPDX-License-Identifier: GPL-3.0-or-later
// Transfers and finding the Amp, session against the virtual Amp through the
// loopback service, no window: what is asked, what is sent, where each reply
// lands, and what the document shows afterwards.
#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "model/quorvexerror.h"
#include "session/session.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Button = Prompter::Button;
using View = PresetEditor::View;
using amp::Bytes;

namespace {

struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *backend = new LoopbackBackend;
    VirtualAmp amp;
    Session s{std::unique_ptr<MidiBackend>(backend), prompter};
    Document &doc = s.document();
    bool ampAnswers = true;

    explicit Rig(std::uint8_t versionByte = 0x10)
    {
        amp.versionByte = versionByte;
        for (int i = 0; i < preset::GroupSize; ++i)
            amp.presets[i] = preset::DefaultRecord[i % preset::RecordSize] + (i % preset::RecordSize == 3 ? i / 31 : 0);
        backend->peer = [this](const Bytes &m) {
            if (ampAnswers)
                for (auto &reply : amp.receive(m))
                    backend->inject(reply);
        };
        s.link().midiIn().setPort(0);
        s.link().midiIn().setEnabled(true);
        s.link().midiOut().setPort(0);
        s.link().midiOut().setEnabled(true);
    }
    // Lets every reply in flight arrive.
    void settle() { backend->flush(); }
    // Shows what the queue holds, as the event loop does once no dialog is open.
    void showQueued() { s.queue().runPending(); }
    std::vector<int> commands()
    {
        std::vector<int> c;
        for (const Bytes &m : backend->sent)
            c.push_back(m.size() > 6 ? m[6] : -m[0]);
        backend->sent.clear();
        return c;
    }
    // A sync as the dialog runs it, the found step included.
    void sync(bool startup = false)
    {
        s.sync().startSync(startup);
        s.sync().searchForAmp();
        settle();
        s.sync().takeFoundStep();
        settle();
        s.sync().syncClosed();
    }
    preset::Record ampSlot(int slot) const
    {
        preset::Record r;
        std::copy_n(amp.presets.begin() + slot * preset::RecordSize, preset::RecordSize, r.begin());
        return r;
    }
};

bool holds(std::span<const std::uint8_t> a, const preset::Record &b)
{
    return std::equal(b.begin(), b.end(), a.begin());
}

} // namespace

class TestTransfers : public QObject {
    Q_OBJECT
private slots:
    void presetFromAmpLandsInTheSelectedTab();
    void presetFromAmpInSingleView();
    void followsTheAmpsProgramChanges_data();
    void followsTheAmpsProgramChanges();
    void groupFromAmp();
    void cancelAndTimeOut();
    void writesByFirmware_data();
    void writesByFirmware();
    void syncFindsTheAmp_data();
    void syncFindsTheAmp();
    void syncKeepsACommandLineFile();
    void oldFirmwareSyncSequence();
    void backupBeforeWriting();
    void progressIsShownUntilTheEnd_data();
    void progressIsShownUntilTheEnd();
};

void TestTransfers::presetFromAmpLandsInTheSelectedTab()
{
    Rig rig;
    rig.s.editor().setView(View::Group);
    rig.s.editor().selectSlotQuietly(3);
    rig.doc.setFile(QStringLiteral("/p/band.syx"), Document::Kind::Group);
    rig.s.editor().startHistory(false);
    rig.s.editor().editByte(preset::Mid, 30); // an edit before it stays undoable
    rig.s.fetches().presetFromAmp(9);         // C2
    QCOMPARE(rig.s.transfers().state(), TransferState::RequestedPreset);
    rig.settle();
    QVERIFY(holds(rig.s.editor().image().record(3), rig.ampSlot(9)));
    QCOMPARE(rig.doc.caption(), QStringLiteral("/p/band.syx - Quorvex"));
    QCOMPARE(rig.doc.fileName(), QStringLiteral("band.syx"));
    // The group no longer matches its file: an edit like any other, so
    // nothing was asked before it.
    QVERIFY(rig.prompter.shown.isEmpty());
    QVERIFY(rig.doc.isModified());
    QCOMPARE(rig.s.editor().history().stack().count(), 2);
    QCOMPARE(rig.s.editor().history().stack().undoText(), QStringLiteral("From the Amp: C2 into tab A4"));
    QCOMPARE(rig.backend->sent.back(), amp::singlePreset(rig.s.editor().image().record(3)));
    QCOMPARE(rig.s.transfers().state(), TransferState::Idle);
    QVERIFY(!rig.s.transfers().replyTimer().isActive());
}

void TestTransfers::presetFromAmpInSingleView()
{
    Rig rig;
    rig.s.fetches().presetFromAmp(9);
    rig.settle();
    QVERIFY(holds(rig.s.editor().image().record(0), rig.ampSlot(9)));
    QCOMPARE(rig.doc.caption(), QStringLiteral("Amp Preset - Quorvex"));
    QVERIFY(rig.doc.fileName().isEmpty());
    QVERIFY(rig.doc.saveElsewhere()); // Save Back enabled
}

void TestTransfers::followsTheAmpsProgramChanges_data()
{
    QTest::addColumn<bool>("userBank");
    QTest::addColumn<int>("channel");   // the Amp's; the editor knows channel 2
    QTest::addColumn<QString>("title"); // empty: ignored
    QTest::newRow("user bank") << true << 2 << "User Preset B3";
    QTest::newRow("factory bank") << false << 2 << "Factory Preset B3";
    QTest::newRow("another channel") << true << 5 << "";
}

void TestTransfers::followsTheAmpsProgramChanges()
{
    QFETCH(bool, userBank);
    QFETCH(int, channel);
    QFETCH(QString, title);
    Rig rig;
    rig.s.editor().image().globals[3] = 2;
    rig.amp.globals[3] = std::uint8_t(channel);
    for (const Bytes &m : rig.amp.switchTo(6, userBank))
        rig.backend->inject(m);
    rig.settle();
    if (title.isEmpty()) {
        QVERIFY(rig.backend->sent.empty());
        QCOMPARE(rig.s.transfers().state(), TransferState::Idle);
        return;
    }
    // Asked for the preset now playing; it is shown and not sent back.
    QCOMPARE(rig.commands(), std::vector<int>{amp::CurrentPresetRequest});
    QCOMPARE(rig.doc.caption(), title + QStringLiteral(" - Quorvex"));
    QVERIFY(holds(rig.s.editor().image().record(0), rig.amp.current));
    QVERIFY(!rig.doc.isModified());
}

void TestTransfers::groupFromAmp()
{
    Rig rig;
    // Unasked, a dump changes nothing.
    rig.backend->inject(amp::groupDump(rig.amp.presets));
    rig.settle();
    QVERIFY(rig.s.editor().image().group != rig.amp.presets);

    rig.s.editor().setView(View::Group);
    rig.s.editor().selectSlotQuietly(7);
    rig.s.fetches().groupFromAmp();
    rig.settle();
    QCOMPARE(rig.s.editor().image().group, rig.amp.presets);
    QCOMPARE(rig.s.editor().currentSlot(), 0);
    QVERIFY(rig.doc.isModified());
    QVERIFY(rig.doc.saveElsewhere());
    QCOMPARE(rig.doc.caption(), QStringLiteral("Amp Presets - Quorvex"));
    QCOMPARE(rig.backend->sent.back(), amp::singlePreset(rig.s.editor().image().record(0)));
}

void TestTransfers::cancelAndTimeOut()
{
    Rig rig;
    rig.ampAnswers = false;
    rig.s.editor().startHistory(true);
    rig.prompter.answers = {Button::Cancel};
    QVERIFY_THROWS_EXCEPTION(Abort, rig.s.fetches().groupFromAmp());
    QVERIFY(rig.backend->sent.empty());

    rig.prompter.answers = {Button::No};
    rig.s.fetches().groupFromAmp();
    QVERIFY(rig.s.transfers().replyTimer().isActive());
    rig.s.transfers().replyTimedOut();
    rig.showQueued();
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("Timeout"));
    QCOMPARE(rig.prompter.shown.last().text, QStringLiteral("No response from Amp."));
    QCOMPARE(rig.s.transfers().state(), TransferState::Idle);

    // Overwrite declined: nothing goes out.
    rig.backend->sent.clear();
    rig.s.editor().setView(View::Group);
    rig.prompter.answers = {Button::Cancel, Button::Cancel};
    QVERIFY_THROWS_EXCEPTION(Abort, rig.s.writes().groupToAmp());
    QVERIFY_THROWS_EXCEPTION(Abort, rig.s.writes().presetToAmp(0));
    QVERIFY(rig.backend->sent.empty());
    QCOMPARE(rig.prompter.shown.last().text, QStringLiteral("Overwrite Amp's Preset(s)?"));
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestTransfers::writesByFirmware_data()
{
    QTest::addColumn<int>("versionByte");
    QTest::addColumn<std::vector<int>>("sent");
    QTest::newRow("1.4") << 0x04 << std::vector<int>{amp::SinglePreset, amp::PresetStore};
    QTest::newRow("1.5") << 0x05 << std::vector<int>{amp::PresetWrite};
    QTest::newRow("no Amp yet") << -1 << std::vector<int>{amp::PresetWrite};
}

void TestTransfers::writesByFirmware()
{
    QFETCH(int, versionByte);
    QFETCH(std::vector<int>, sent);
    Rig rig(versionByte < 0 ? 0x10 : std::uint8_t(versionByte));
    rig.s.writes().setBackupBeforeWrite(false);
    if (versionByte >= 0)
        rig.sync();
    rig.s.editor().image().record(0)[3] = 31;
    rig.commands();
    rig.prompter.answers = {Button::Ok};
    rig.s.writes().presetToAmp(15); // D4
    rig.settle();
    QCOMPARE(rig.commands(), sent);
    QCOMPARE(rig.ampSlot(15)[3], 31);
    QCOMPARE(rig.s.transfers().state(), versionByte == 0x04 ? rig.s.transfers().state() : TransferState::Idle);
}

void TestTransfers::syncFindsTheAmp_data()
{
    QTest::addColumn<int>("versionByte");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("g");
    QTest::newRow("1.4") << 0x04 << 0x14 << false;
    QTest::newRow("1.4 G") << 0x44 << 0x14 << true;
    QTest::newRow("2.0 with the G bit") << 0x50 << 0x20 << true;
}

void TestTransfers::syncFindsTheAmp()
{
    QFETCH(int, versionByte);
    QFETCH(int, version);
    QFETCH(bool, g);
    Rig rig{std::uint8_t(versionByte)};
    rig.amp.globals[3] = 4;
    rig.s.editor().setView(View::Group);
    QSignalSpy found(&rig.s.sync(), &AmpSync::ampFound);
    QSignalSpy adapted(&rig.s.sync(), &AmpSync::firmwareAdapted);
    rig.sync();
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.at(0), (QVariantList{version, g}));
    QCOMPARE(adapted.size(), 1);
    QVERIFY(rig.s.link().isAmpFound());
    QCOMPARE(rig.s.editor().image().globals[3], 4); // the Amp's channel, asked for by the search
    QCOMPARE(rig.s.editor().view(), View::Single);
    QVERIFY(holds(rig.s.editor().image().record(0), rig.amp.current));
    QCOMPARE(rig.doc.caption(), QStringLiteral("Amp Preset - Quorvex"));
    QVERIFY(!rig.doc.isModified());
}

void TestTransfers::syncKeepsACommandLineFile()
{
    Rig rig;
    rig.s.editor().image().record(0)[3] = 29;
    rig.doc.setFile(QStringLiteral("/elsewhere/mine.syx"), Document::Kind::Single);
    rig.s.sync().setStartedWithFile(true);
    rig.sync(true);
    QVERIFY(rig.s.link().isAmpFound());
    QCOMPARE(rig.s.editor().image().record(0)[3], 29);
    QCOMPARE(rig.doc.caption(), QStringLiteral("/elsewhere/mine.syx - Quorvex"));
    QVERIFY(!rig.s.sync().startedWithFile());
    for (const Bytes &m : rig.backend->sent)
        QVERIFY(m[6] != amp::CurrentPresetRequest);
}

void TestTransfers::oldFirmwareSyncSequence()
{
    Rig rig(0x04);
    rig.ampAnswers = true;
    rig.s.sync().startSync(false);
    rig.s.sync().searchForAmp();
    rig.settle();
    rig.s.sync().takeFoundStep();
    // The current preset arrives: footswitch 02, the preset twice, then the
    // wait for the Amp's report of byte 30.
    rig.ampAnswers = false;
    rig.commands();
    rig.settle();
    QCOMPARE(rig.commands(), (std::vector<int>{amp::Footswitch, amp::SinglePreset, amp::SinglePreset}));
    QCOMPARE(rig.s.transfers().state(), TransferState::AltTapReport);
    QVERIFY(rig.s.transfers().replyTimer().isActive());
    // No report: footswitch 00 and no message box.
    rig.s.transfers().replyTimedOut();
    QCOMPARE(rig.backend->sent.back(), amp::footswitch(0));
    QVERIFY(rig.prompter.shown.isEmpty());

    // With the report the wait ends quietly and byte 30 stays the editor's.
    Rig answered(0x04);
    answered.s.editor().image().record(0)[30] = 0x51;
    answered.sync();
    QCOMPARE(answered.s.transfers().state(), TransferState::Idle);
    QCOMPARE(answered.amp.footswitchPresses, std::vector<std::uint8_t>{2});
}

void TestTransfers::backupBeforeWriting()
{
    QTemporaryDir dir;
    Rig rig;
    rig.s.backups().setFolder(dir.filePath(QStringLiteral("backups")));
    rig.sync();
    const preset::Record before = rig.ampSlot(2);
    rig.s.editor().editByte(3, 30); // played by the Amp too, so the check after its silence finds it so
    rig.doc.setTitle(QStringLiteral("/x/mine.syx"));
    rig.s.editor().startHistory(true);
    rig.commands();
    rig.prompter.answers = {Button::Ok};
    rig.s.writes().presetToAmp(2);
    rig.settle();
    // Asked first, written after: the backup never reaches the editor.
    QCOMPARE(rig.commands(), (std::vector<int>{amp::PresetRequest, amp::PresetWrite}));
    QCOMPARE(rig.ampSlot(2)[3], 30);
    QCOMPARE(rig.s.editor().image().record(0)[3], 30);
    QCOMPARE(rig.doc.caption(), QStringLiteral("/x/mine.syx - Quorvex"));
    QVERIFY(rig.doc.isModified());
    const QStringList kept = QDir(dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files);
    QCOMPARE(kept.size(), 1);
    QVERIFY(kept[0].endsWith(QLatin1String(" A3.syx")));
    QFile file(QDir(dir.filePath(QStringLiteral("backups"))).filePath(kept[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Bytes expected = amp::singlePreset(before);
    QCOMPARE(file.readAll(), QByteArray(reinterpret_cast<const char *>(expected.data()), qsizetype(expected.size())));

    // No answer: asked whether to write without; No writes nothing.
    rig.ampAnswers = false;
    rig.prompter.answers = {Button::Ok, Button::No};
    rig.s.editor().setView(View::Group);
    rig.s.writes().groupToAmp();
    rig.s.transfers().replyTimedOut();
    rig.showQueued();
    QCOMPARE(rig.commands(), std::vector<int>{amp::GroupRequest});
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("Timeout"));
    rig.prompter.answers = {Button::Ok, Button::Yes};
    rig.s.writes().groupToAmp();
    rig.s.transfers().replyTimedOut();
    rig.showQueued();
    QCOMPARE(rig.commands(), (std::vector<int>{amp::GroupRequest, amp::GroupDump, amp::SinglePreset}));

    // Only the newest backups are kept.
    rig.ampAnswers = true;
    for (int i = 0; i < AmpBackups::MaxBackups + 2; ++i) {
        rig.prompter.answers = {Button::Ok};
        rig.s.writes().presetToAmp(i % preset::SlotCount);
        rig.settle();
    }
    QCOMPARE(QDir(dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files).size(), AmpBackups::MaxBackups);
    QCOMPARE(rig.prompter.unexpected, 0);
}

QTEST_GUILESS_MAIN(TestTransfers)
#include "tst_transfers.moc"

void TestTransfers::progressIsShownUntilTheEnd_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("ampAnswers");
    QTest::addColumn<int>("bytes");      // of a group transfer, 0: none
    QTest::addColumn<bool>("gradually"); // bytes done seen between none and all
    QTest::addColumn<bool>("answered");
    // The group dump, then slot A1 sent back (70 bytes) after the transfer.
    QTest::newRow("Group from Amp") << "group from" << true << 1000 << false << true;
    QTest::newRow("Group from Amp, no answer") << "group from" << false << 1000 << false << false;
    QTest::newRow("Preset from Amp") << "preset from" << true << 0 << false << true;
    QTest::newRow("Preset from Amp, no answer") << "preset from" << false << 0 << false << false;
    // The dump, then the shown slot: the bytes cross the cable at its pace.
    QTest::newRow("Group to Amp") << "group to" << true << 1070 << true << true;
    QTest::newRow("Group to Amp after its backup") << "group to, backup" << true << 2070 << true << true;
}

void TestTransfers::progressIsShownUntilTheEnd()
{
    // Every transfer that waits for the Amp or moves a group is reported
    // from its start to its end, answered or not, on a cable paced in time
    // the test moves.
    QFETCH(QString, command);
    QFETCH(bool, ampAnswers);
    QFETCH(int, bytes);
    QFETCH(bool, gradually);
    QFETCH(bool, answered);
    struct Clock : MidiOutPort::Clock {
        std::int64_t t = 1;
        std::int64_t now() override { return t; }
        void sleepUntil(std::int64_t time) override { t = std::max(t, time); }
    } clock;
    QTemporaryDir dir;
    Rig rig;
    MidiOutPort &out = rig.s.link().midiOut();
    out.setClock(&clock);
    TransferProgress &progress = rig.s.progress();
    const auto pass = [&](std::int64_t ms) {
        clock.t += ms * 1'000'000;
        out.sendDue();
        if (progress.sendCheck().isActive())
            progress.checkSent();
        rig.settle();
        rig.showQueued();
        QCoreApplication::processEvents();
    };
    if (command.endsWith(QLatin1String("backup"))) {
        rig.s.backups().setFolder(dir.filePath(QStringLiteral("backups")));
        rig.sync();
    }
    rig.backend->pacing = true;
    out.setRate(MidiOutPort::DinRate);
    rig.ampAnswers = ampAnswers;
    pass(1000);
    QSignalSpy started(&progress, &TransferProgress::started);
    QSignalSpy finished(&progress, &TransferProgress::finished);

    rig.prompter.answers = {Button::Ok};
    if (command == QLatin1String("group from")) {
        rig.s.fetches().groupFromAmp();
    } else if (command == QLatin1String("preset from")) {
        rig.s.fetches().presetFromAmp(2);
    } else {
        rig.s.editor().setView(View::Group);
        rig.s.writes().groupToAmp();
    }
    QCOMPARE(started.count(), 1);
    QVERIFY(progress.running());
    QCOMPARE(progress.waiting(), command != QLatin1String("group to"));
    int total = 0, done = 0;
    connect(&progress, &TransferProgress::finished, [&] {
        total = progress.bytesTotal();
        done = progress.bytesDone();
    });
    bool between = false;
    for (int round = 0; round < 100 && progress.running(); ++round) {
        between = between || (progress.bytesDone() > 0 && progress.bytesDone() < bytes);
        pass(50);
        if (!ampAnswers && round == 10)
            rig.s.queue().runInput([&] { rig.s.transfers().replyTimedOut(); });
    }
    QVERIFY(!progress.running());
    QCOMPARE(between, gradually);
    QCOMPARE(total, bytes);
    QCOMPARE(done, answered ? bytes : 0);
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished[0][0].toBool(), answered);
    QVERIFY(!progress.sendCheck().isActive()); // nothing runs at idle
    out.setClock(nullptr);
}
