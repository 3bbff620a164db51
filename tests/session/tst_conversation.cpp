// SPDX-License-Identifier: GPL-3.0-or-later
// One conversation at a time, driven without any window: the Amp's Program
// Changes fold into one question and one fetch, a write waiting for its
// backup keeps every other request waiting, every confirmed write ends in
// written or a message saying why not, and the link says when the Amp stops
// answering. The scripted prompter fails any test that shows a box while an
// input handler is on the stack.
#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "model/quorvexerror.h"
#include "session/session.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Button = Prompter::Button;
using amp::Bytes;

namespace {

struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *backend = new LoopbackBackend;
    Session s{std::unique_ptr<MidiBackend>(backend), prompter};
    VirtualAmp amp;
    QTemporaryDir dir;
    // While false, the Amp's replies wait here (a slow Amp).
    bool replying = true;
    std::vector<Bytes> held;
    QStringList status;

    Rig()
    {
        amp.versionByte = 0x10;
        for (int slot = 0; slot < preset::SlotCount; ++slot) {
            std::copy(preset::DefaultRecord.begin(), preset::DefaultRecord.end(),
                      amp.presets.begin() + slot * preset::RecordSize);
            amp.presets[slot * preset::RecordSize + preset::PreGain] = std::uint8_t(slot + 1);
        }
        backend->peer = [this](const Bytes &m) {
            for (auto &reply : amp.receive(m)) {
                if (replying)
                    backend->inject(reply);
                else
                    held.push_back(reply);
            }
        };
        AmpLink &link = s.link();
        link.midiIn().setPort(0);
        link.midiIn().setEnabled(true);
        link.midiOut().setPort(0);
        link.midiOut().setEnabled(true);
        s.backups().setFolder(dir.filePath(QStringLiteral("backups")));
        QObject::connect(&s.writes(), &PresetWrites::statusMessage, [this](const QString &t) { status << t; });
    }
    // The event loop's part: deliver what arrived, then run the queue,
    // until nothing more happens.
    void settle()
    {
        for (int i = 0; i < 10; ++i) {
            backend->flush();
            s.queue().runPending();
        }
    }
    void sync()
    {
        s.sync().startSync(false);
        s.sync().searchForAmp();
        backend->flush();
        s.sync().takeFoundStep();
        s.sync().syncClosed();
        settle();
        backend->sent.clear();
    }
    void releaseReplies()
    {
        for (auto &m : std::exchange(held, {}))
            backend->inject(m);
        settle();
    }
    void fromAmp(const std::vector<Bytes> &messages)
    {
        for (const Bytes &m : messages)
            backend->inject(m);
    }
    // Commands sent, in order, and forgotten.
    std::vector<int> commands()
    {
        std::vector<int> c;
        for (const Bytes &m : std::exchange(backend->sent, {}))
            c.push_back(m.size() > 6 && m[0] == 0xF0 ? m[6] : -1);
        return c;
    }
    std::uint8_t editorPreGain() { return s.editor().record()[preset::PreGain]; }
};

} // namespace

class TestConversation : public QObject {
    Q_OBJECT
private slots:
    void programChangeBursts_data();
    void programChangeBursts();
    void requestsWaitForAWriteAndItsBackup_data();
    void requestsWaitForAWriteAndItsBackup();
    void everyConfirmedWriteEndsInOneOutcome_data();
    void everyConfirmedWriteEndsInOneOutcome();
    void lateAndRepeatedReplies();
    void theLinkTellsWhenTheAmpIsSilent();
    void queueRules();
    void restoreAmpBackup();
};

void TestConversation::programChangeBursts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("whileAsking"); // all but the first arrive while the question is open
    QTest::addColumn<bool>("onChannel");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("fetches");

    QTest::newRow("one") << 1 << false << false << true << 0 << 1;
    QTest::newRow("one, edited") << 1 << true << false << true << 1 << 1;
    QTest::newRow("five at once") << 5 << false << false << true << 0 << 1;
    QTest::newRow("five at once, edited") << 5 << true << false << true << 1 << 1;
    QTest::newRow("five, edited, during the question") << 5 << true << true << true << 1 << 1;
    QTest::newRow("fifty, edited, during the question") << 50 << true << true << true << 1 << 1;
    QTest::newRow("fifty on another channel") << 50 << true << false << false << 0 << 0;
}

void TestConversation::programChangeBursts()
{
    QFETCH(int, count);
    QFETCH(bool, modified);
    QFETCH(bool, whileAsking);
    QFETCH(bool, onChannel);
    QFETCH(int, questions);
    QFETCH(int, fetches);

    Rig rig;
    rig.sync();
    rig.amp.globals[VirtualAmp::MidiChannelByte] = onChannel ? 0 : 5;
    rig.s.editor().startHistory(modified);
    rig.prompter.answers = {Button::No};
    std::vector<Bytes> burst;
    int last = 0;
    for (int i = 0; i < count; ++i) {
        last = (i * 7 + 3) % preset::SlotCount;
        for (Bytes &m : rig.amp.switchTo(last, true))
            burst.push_back(std::move(m));
    }
    // The first Program Change starts the question; the rest come in while
    // it is open, delivered by its event loop.
    const auto split = burst.begin() + (whileAsking ? 2 : qsizetype(burst.size()));
    rig.fromAmp({burst.begin(), split});
    rig.prompter.whileAsking = [&] {
        rig.fromAmp({split, burst.end()});
        rig.backend->flush();
    };
    rig.settle();

    QCOMPARE(int(rig.prompter.shown.size()), questions);
    const auto sent = rig.commands();
    QCOMPARE(int(std::count(sent.begin(), sent.end(), int(amp::CurrentPresetRequest))), fetches);
    if (fetches > 0) {
        // The editor follows where the Amp ended up, once.
        QCOMPARE(rig.editorPreGain(), last + 1);
        QCOMPARE(rig.s.document().titleName(), QStringLiteral("User Preset %1").arg(preset::slotName(last)));
        QVERIFY(!rig.s.document().isModified());
    }
    QCOMPARE(rig.s.queue().pendingCount(), 0);
    QCOMPARE(rig.s.transfers().replacedQuestions(), 0);
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestConversation::requestsWaitForAWriteAndItsBackup_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("itsRequest");
    QTest::newRow("the Amp's Program Change") << "pc" << int(amp::CurrentPresetRequest);
    QTest::newRow("Preset from Amp") << "preset" << int(amp::PresetRequest);
    QTest::newRow("Group from Amp") << "group" << int(amp::GroupRequest);
    QTest::newRow("the globals window") << "globals" << int(amp::GlobalsRequest);
}

void TestConversation::requestsWaitForAWriteAndItsBackup()
{
    QFETCH(QString, other);
    QFETCH(int, itsRequest);
    Rig rig;
    rig.sync();
    rig.s.editor().record()[preset::PreGain] = 30;
    rig.replying = false; // the Amp is slow to answer
    rig.prompter.answers = {Button::Ok};
    rig.s.run([&] { rig.s.writes().presetToAmp(3); });
    QCOMPARE(rig.commands(), std::vector<int>{amp::PresetRequest});
    QCOMPARE(rig.s.transfers().state(), TransferState::BackupPreset);

    // Meanwhile something else wants the Amp: it waits.
    QSignalSpy waiting(&rig.s.queue(), &CommandQueue::waitingForAmp);
    if (other == QLatin1String("pc"))
        rig.fromAmp(rig.amp.switchTo(9, true));
    else if (other == QLatin1String("preset"))
        rig.s.run([&] { rig.s.fetches().presetFromAmp(9); });
    else if (other == QLatin1String("group"))
        rig.s.run([&] { rig.s.fetches().groupFromAmp(); });
    else
        rig.s.run([&] { rig.s.globals().requestGlobals(); });
    rig.settle();
    QVERIFY(rig.commands().empty());
    QCOMPARE(rig.s.transfers().state(), TransferState::BackupPreset);
    QVERIFY(!waiting.isEmpty() && waiting.last().at(0).toBool());

    // The backup comes: kept, then the write, then the waiting request.
    rig.replying = true;
    rig.releaseReplies();
    const std::vector<int> sent = rig.commands();
    QVERIFY(sent.size() >= 2);
    QCOMPARE((std::vector<int>{sent[0], sent[1]}), (std::vector<int>{amp::PresetWrite, itsRequest}));
    QCOMPARE(rig.status, QStringList{QStringLiteral("Written to A4")});
    QCOMPARE(rig.amp.presets[3 * preset::RecordSize + preset::PreGain], 30);
    QCOMPARE(QDir(rig.dir.filePath(QStringLiteral("backups"))).entryList(QDir::Files).size(), 1);
    // The backup reply never became the editor's preset or title.
    QVERIFY(!rig.s.document().titleName().startsWith(QLatin1String("User Preset")) || other == QLatin1String("pc"));
    QCOMPARE(rig.s.transfers().state(), TransferState::Idle);
    QCOMPARE(rig.s.queue().pendingCount(), 0);
    QCOMPARE(rig.s.transfers().replacedQuestions(), 0);
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestConversation::everyConfirmedWriteEndsInOneOutcome_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message"); // the start of a notice, or empty
    QTest::addColumn<int>("written");     // the Amp's A4 written

    QTest::newRow("ports closed") << "closed"
                                  << "Not written to A4"
                                  << "MIDI In and Out must be enabled.\n"
                                  << 0;
    QTest::newRow("no backup asked") << "nobackup"
                                     << "Written to A4"
                                     << "" << 1;
    QTest::newRow("backed up") << "backup"
                               << "Written to A4"
                               << "" << 1;
    QTest::newRow("no backup came, written") << "silent-yes"
                                             << "Written to A4"
                                             << "" << 1;
    QTest::newRow("no backup came, not written") << "silent-no"
                                                 << "Not written to A4: no backup could be fetched"
                                                 << "" << 0;
    QTest::newRow("backup folder unwritable") << "unwritable"
                                              << "Not written to A4"
                                              << "Can't create the backup folder:\n"
                                              << 0;
}

void TestConversation::everyConfirmedWriteEndsInOneOutcome()
{
    QFETCH(QString, situation);
    QFETCH(QString, status);
    QFETCH(QString, message);
    QFETCH(int, written);
    Rig rig;
    rig.sync();
    rig.s.editor().record()[preset::PreGain] = 30;
    rig.prompter.answers = {Button::Ok};
    if (situation == QLatin1String("closed"))
        rig.s.link().midiOut().setEnabled(false);
    if (situation == QLatin1String("nobackup"))
        rig.s.writes().setBackupBeforeWrite(false);
    if (situation.startsWith(QLatin1String("silent"))) {
        rig.replying = false;
        rig.prompter.answers.push_back(situation.endsWith(QLatin1String("yes")) ? Button::Yes : Button::No);
    }
    if (situation == QLatin1String("unwritable")) {
        // A file where the folder should be.
        QFile blocker(rig.dir.filePath(QStringLiteral("backups")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    rig.s.run([&] { rig.s.writes().presetToAmp(3); });
    rig.settle();
    if (situation.startsWith(QLatin1String("silent"))) {
        rig.s.queue().runInput([&] { rig.s.transfers().replyTimedOut(); });
        rig.settle();
    }
    QCOMPARE(rig.status, QStringList{status});
    if (message.isEmpty()) {
        QCOMPARE(rig.prompter.shown.size(), situation.startsWith(QLatin1String("silent")) ? 2 : 1);
    } else {
        QVERIFY2(rig.prompter.shown.last().text.startsWith(message), qPrintable(rig.prompter.shown.last().text));
        QVERIFY(rig.prompter.shown.last().text.endsWith(QLatin1String("Nothing was written to A4.")));
    }
    QCOMPARE(rig.amp.presets[3 * preset::RecordSize + preset::PreGain] == 30, written == 1);
    QVERIFY(!rig.s.transfers().busy());
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestConversation::lateAndRepeatedReplies()
{
    Rig rig;
    rig.sync();
    const auto before = rig.s.editor().image().group;
    const QString title = rig.s.document().titleName();
    // A backup reply that comes twice: the second finds nothing awaited.
    rig.replying = false;
    rig.prompter.answers = {Button::Ok};
    rig.s.run([&] { rig.s.writes().presetToAmp(5); });
    const std::vector<Bytes> backup = rig.held;
    rig.replying = true;
    rig.releaseReplies();
    rig.fromAmp(backup);
    rig.settle();
    // A fetch's reply after its time-out.
    rig.replying = false;
    rig.s.run([&] { rig.s.fetches().presetFromAmp(7); });
    rig.s.queue().runInput([&] { rig.s.transfers().replyTimedOut(); });
    rig.settle();
    rig.releaseReplies();
    QCOMPARE(rig.s.editor().image().group, before);
    QCOMPARE(rig.s.document().titleName(), title);
    QCOMPARE(rig.prompter.texts().last(), QStringLiteral("No response from Amp."));
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestConversation::theLinkTellsWhenTheAmpIsSilent()
{
    Rig rig;
    AmpLink &link = rig.s.link();
    QVERIFY(!link.isAmpFound() && !link.isAnswering());
    rig.sync();
    QVERIFY(link.isAmpFound() && link.isAnswering() && !link.syncOffered());

    // No answer: not answering any more.
    rig.replying = false;
    rig.s.run([&] { rig.s.fetches().groupFromAmp(); });
    rig.s.queue().runInput([&] { rig.s.transfers().replyTimedOut(); });
    rig.settle();
    QVERIFY(!link.isAnswering());
    QVERIFY(!link.syncOffered());
    // Heard again (a knob on the Amp): a sync is offered, not forced.
    rig.replying = true;
    rig.held.clear();
    rig.fromAmp({rig.amp.turnKnob(preset::PreGain, 11)});
    rig.settle();
    QVERIFY(link.isAnswering());
    QVERIFY(link.syncOffered());
    QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("No response from Amp.")});
    // A sync takes the offer back; the MIDI service coming back offers it again.
    rig.prompter.answers = {Button::No}; // the knob edited the presets
    rig.sync();
    QVERIFY(!link.syncOffered());
    LinkNotifier &notifier = rig.backend->linkNotifier();
    const auto serviceNow = [&](bool up) {
        rig.backend->up = up;
        notifier.post(LinkEvents::Service);
        do // time passes: what was posted arrives, and the notifier's hold ends
            notifier.holdEnded();
        while (notifier.holdTimer().isActive());
    };
    serviceNow(false);
    QVERIFY(!link.syncOffered());
    serviceNow(true);
    QVERIFY(link.syncOffered());

    // The output now leads to another device: the Amp found is not claimed
    // for it, and a sync is offered; back on the Amp's device, it is again.
    rig.sync();
    rig.backend->outputs << QStringLiteral("Other Out");
    link.midiOut().refreshDevices();
    link.midiOut().setPort(1);
    QTRY_VERIFY(link.devicesChanged());
    QVERIFY(link.syncOffered());
    link.midiOut().setPort(0);
    QTRY_VERIFY(!link.devicesChanged());
}

void TestConversation::queueRules()
{
    ScriptedPrompter prompter;
    CommandQueue queue(prompter, [] { return QStringLiteral("t - Quorvex"); });
    bool dialog = false, busy = false;
    queue.setDialogOpen([&] { return dialog; });
    queue.setAmpBusy([&] { return busy; });
    QStringList ran;
    auto command = [&](const char *name) { return [&ran, name] { ran << QLatin1String(name); }; };

    // In arrival order; a key folds into the command still waiting.
    queue.post(QString(), CommandQueue::Needs::NoDialog, command("a"));
    queue.post(QStringLiteral("k"), CommandQueue::Needs::NoDialog, command("k1"));
    queue.post(QStringLiteral("k"), CommandQueue::Needs::NoDialog, command("k2"));
    queue.runPending();
    QCOMPARE(ran, (QStringList{"a", "k2"}));

    // An open dialog holds everything but what asks nothing and only needs the Amp.
    ran.clear();
    dialog = true;
    queue.post(QString(), CommandQueue::Needs::NoDialog, command("notice"));
    queue.post(QString(), CommandQueue::Needs::IdleAmp, command("request"));
    queue.runPending();
    QCOMPARE(ran, QStringList{"request"});
    // A busy Amp holds what needs it, not the rest.
    dialog = false;
    busy = true;
    queue.post(QString(), CommandQueue::Needs::NoDialogIdleAmp, command("fetch"));
    queue.runPending();
    QCOMPARE(ran, (QStringList{"request", "notice"}));
    busy = false;
    queue.runPending();
    QCOMPARE(ran, (QStringList{"request", "notice", "fetch"}));

    // Errors from input are shown later, once; the same one is not stacked.
    for (int i = 0; i < 3; ++i)
        queue.runInput([] { throw QuorvexError(QStringLiteral("Bad")); });
    QVERIFY(prompter.shown.isEmpty());
    queue.runPending();
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Bad.")});
    QCOMPARE(prompter.shown[0].caption, QStringLiteral("t - Quorvex"));
}

void TestConversation::restoreAmpBackup()
{
    Rig rig;
    rig.sync();
    const std::uint8_t original = rig.amp.presets[3 * preset::RecordSize + preset::PreGain];
    rig.s.editor().record()[preset::PreGain] = 30;
    rig.prompter.answers = {Button::Ok};
    rig.s.run([&] { rig.s.writes().presetToAmp(3); });
    rig.settle();
    QCOMPARE(rig.amp.presets[3 * preset::RecordSize + preset::PreGain], 30);
    const QDir backups(rig.dir.filePath(QStringLiteral("backups")));
    const QStringList first = backups.entryList(QDir::Files);
    QCOMPARE(first.size(), 1);
    const QString workingDirectory = rig.s.document().workingDirectory();
    const QString title = rig.s.document().titleName();

    // Chosen, shown, declined: nothing happens.
    rig.prompter.fileNames = {backups.filePath(first[0])};
    rig.prompter.answers = {Button::No};
    rig.s.run([&] { rig.s.writes().restoreBackup(); });
    rig.settle();
    QVERIFY(rig.prompter.shown.last().text.contains(QStringLiteral("holds preset A4")));
    QVERIFY(rig.prompter.shown.last().text.endsWith(QStringLiteral("Write this backup to the Amp?")));
    QCOMPARE(rig.amp.presets[3 * preset::RecordSize + preset::PreGain], 30);

    // Confirmed: what the Amp holds now is kept first, then the backup goes back.
    rig.prompter.fileNames = {backups.filePath(first[0])};
    rig.prompter.answers = {Button::Yes};
    rig.status.clear();
    rig.s.run([&] { rig.s.writes().restoreBackup(); });
    rig.settle();
    QCOMPARE(rig.amp.presets[3 * preset::RecordSize + preset::PreGain], original);
    QCOMPARE(rig.status, QStringList{QStringLiteral("Written to A4")});
    QCOMPARE(backups.entryList(QDir::Files).size(), 2);
    // The editor's document and the file list stay where they were.
    QCOMPARE(rig.s.document().workingDirectory(), workingDirectory);
    QCOMPARE(rig.s.document().titleName(), title);
    QCOMPARE(rig.editorPreGain(), 30);

    // Backups taken within one millisecond are both kept, and both say their slot.
    const QDateTime now = QDateTime::currentDateTime();
    const QString a = rig.s.backups().save(amp::singlePreset(preset::DefaultRecord), QStringLiteral("B1"), now);
    const QString b = rig.s.backups().save(amp::singlePreset(preset::DefaultRecord), QStringLiteral("B1"), now);
    QVERIFY(a != b && QFile::exists(a) && QFile::exists(b));
    QCOMPARE(AmpBackups::parseName(QFileInfo(b).fileName()).slot, 4);

    // A preset whose name does not say its slot is refused, with the file named.
    const QString renamed = rig.dir.filePath(QStringLiteral("mine.syx"));
    QVERIFY(QFile::copy(backups.filePath(first[0]), renamed));
    rig.prompter.fileNames = {renamed};
    rig.s.run([&] { rig.s.writes().restoreBackup(); });
    QVERIFY(rig.prompter.shown.last().text.endsWith(renamed + QLatin1Char('.')));
    QCOMPARE(rig.prompter.unexpected, 0);
}

QTEST_GUILESS_MAIN(TestConversation)
#include "tst_conversation.moc"
