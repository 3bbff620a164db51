// SPDX-License-Identifier: GPL-3.0-or-later
// The Amp session without any window: what arrives from the Amp and what
// goes to it, the loading guard, the open question and its time-out, and the
// document's rules.
#include "midi/loopbackbackend.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "session/amplink.h"
#include "session/session.h"
#include "support/ampbytes.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using amp::Bytes;
using View = PresetEditor::View;

namespace {

struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *backend = nullptr;
    std::unique_ptr<Session> session;
    int reloads = 0;       // the record or one byte of it announced
    bool guardSeen = true; // every reload ran under the loading guard

    Rig()
    {
        auto b = std::make_unique<LoopbackBackend>();
        backend = b.get();
        session = std::make_unique<Session>(std::move(b), prompter);
        auto reload = [this] {
            ++reloads;
            guardSeen = guardSeen && session->editor().loading();
        };
        QObject::connect(&session->editor(), &PresetEditor::recordChanged, reload);
        QObject::connect(&session->editor(), &PresetEditor::byteChanged, reload);
    }
    void openPorts()
    {
        session->link().midiIn().setPort(0);
        session->link().midiIn().setEnabled(true);
        session->link().midiOut().setPort(0);
        session->link().midiOut().setEnabled(true);
    }
    Session &s() { return *session; }
    DeviceImage &image() { return session->editor().image(); }
    std::uint8_t cur(int index) { return session->editor().record()[index]; }
    bool modified() { return session->document().isModified(); }
    void feed(const Bytes &m) { session->transfers().receive(m.data(), int(m.size())); }
    // What the queue holds for the user, shown as when no dialog is open.
    void showQueued() { session->queue().runPending(); }
    std::vector<Bytes> take()
    {
        auto sent = std::move(backend->sent);
        backend->sent.clear();
        return sent;
    }
};

Bytes param(int index, int value)
{
    return ampMessage({0x0C, std::uint8_t(index), std::uint8_t(value >> 4), std::uint8_t(value & 0x0F), 0xF7});
}
Bytes field(int index, int shift, int width, int value)
{
    return ampMessage({0x0E, std::uint8_t(index), std::uint8_t(shift), std::uint8_t(width), std::uint8_t(value), 0xF7});
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void startsWithDefaultPresetsInSingleView();
    void parameterChangesFromTheAmp();
    void flangerHoldIgnoresOnlyFlangerBytes();
    void bitFieldRules();
    void bitFieldOnAltTapEndsOldFirmwareSync();
    void malformedAndForeignMessagesTouchNothing();
    void globalBitFields();
    void tunerDataInEveryState();
    void identifyReplyAndFoundStep();
    void dumpsOnlyInTheirTransferState();
    void replyTimerDoesNotRestart();
    void timeOutOutcomes_data();
    void timeOutOutcomes();
    void editsWriteThenSendUnlessLoading();
    void waitingValueGivesWayToANewerOne_data();
    void waitingValueGivesWayToANewerOne();
    void oldFirmwareExtras_data();
    void oldFirmwareExtras();
    void viewsAndSlots();
    void askToSave();
    void documentRules();
    void errorBoxText();
};

void TestSession::startsWithDefaultPresetsInSingleView()
{
    Rig rig;
    QCOMPARE(rig.s().editor().view(), View::Single);
    QCOMPARE(rig.s().editor().currentSlot(), 0);
    QCOMPARE(rig.s().link().firmwareVersion(), 0x20);
    QVERIFY(!rig.s().link().isOldFirmware());
    QCOMPARE(rig.s().transfers().state(), TransferState::Idle);
    for (int s = 0; s < preset::SlotCount; ++s)
        QVERIFY(std::equal(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), rig.image().record(s).begin()));
    QCOMPARE(rig.s().document().caption(), QStringLiteral("untitled - Quorvex"));
    QCOMPARE(rig.s().document().applicationTitle(), QStringLiteral("Quorvex"));
    QVERIFY(!rig.modified());
}

void TestSession::parameterChangesFromTheAmp()
{
    Rig rig;
    const auto before = rig.image().group;
    rig.feed(param(31, 0x12)); // beyond the record
    QCOMPARE(rig.image().group, before);
    QVERIFY(!rig.modified());
    QCOMPARE(rig.reloads, 0);

    rig.feed(param(30, 0xFF));
    QCOMPARE(rig.cur(30), 0xFF);
    QVERIFY(rig.modified());
    QCOMPARE(rig.reloads, 1);
    QVERIFY(rig.guardSeen);
    QVERIFY(!rig.s().editor().loading());

    // The closing F7 is not required; the nibble pair is.
    rig.feed(ampMessage({0x0C, 3, 0x01, 0x02}));
    QCOMPARE(rig.cur(3), 0x12);
    rig.feed(ampMessage({0x0C, 4, 0x01}));
    QCOMPARE(rig.cur(4), 20);

    // The current slot only: the selected tab in group view, A1 in single view.
    rig.s().editor().setView(View::Group);
    rig.s().editor().selectSlotQuietly(9);
    rig.feed(param(3, 0x21));
    QCOMPARE(rig.image().record(9)[3], 0x21);
    QCOMPARE(rig.image().record(0)[3], 0x12);
    rig.s().editor().setView(View::Single);
    rig.feed(param(3, 5));
    QCOMPARE(rig.image().record(0)[3], 5);
    QCOMPARE(rig.image().record(9)[3], 0x21);
}

void TestSession::flangerHoldIgnoresOnlyFlangerBytes()
{
    Rig rig;
    rig.s().link().setFirmwareVersion(0x14);
    rig.s().editor().setModulationType(1); // flanger on old firmware: the hold starts
    QVERIFY(rig.s().editor().flangerHold());
    QVERIFY(rig.s().editor().flangerTimer().isActive());
    QCOMPARE(rig.s().editor().flangerTimer().interval(), 250);
    rig.s().editor().startHistory(false);

    for (int index : {21, 22})
        rig.feed(param(index, 1));
    rig.feed(field(22, 0, 7, 1)); // the bit-field form too
    QCOMPARE(rig.cur(21), 19);
    QCOMPARE(rig.cur(22), 10);
    QVERIFY(!rig.modified());
    for (int index : {20, 23})
        rig.feed(param(index, 1));
    QCOMPARE(rig.cur(20), 1);
    QCOMPARE(rig.cur(23), 1);

    rig.s().editor().endFlangerHold();
    QVERIFY(!rig.s().editor().flangerHold());
    QVERIFY(!rig.s().editor().flangerTimer().isActive());
    rig.feed(param(21, 2));
    QCOMPARE(rig.cur(21), 2);
}

void TestSession::bitFieldRules()
{
    Rig rig;
    rig.image().record(0)[2] = 0xC5;
    rig.feed(field(2, 4, 2, 3));
    QCOMPARE(rig.cur(2), 0xF5);
    // The received value is not masked to the width.
    rig.image().record(0)[16] = 0x00;
    rig.feed(field(16, 0, 1, 0x05));
    QCOMPARE(rig.cur(16), 0x05);
    // Kept to 8 bits at the top of the byte.
    rig.image().record(0)[29] = 0x05;
    rig.feed(field(29, 7, 1, 0x03));
    QCOMPARE(rig.cur(29), 0x85);
    QVERIFY(rig.modified());
    QCOMPARE(rig.reloads, 3);
}

void TestSession::bitFieldOnAltTapEndsOldFirmwareSync()
{
    Rig rig;
    AmpTransfers &t = rig.s().transfers();
    t.await(TransferState::AltTapReport);
    rig.feed(field(30, 0, 1, 1));
    QCOMPARE(t.state(), TransferState::Idle);
    QVERIFY(!t.replyTimer().isActive());
    QCOMPARE(rig.cur(30), 0);
    QVERIFY(!rig.modified());

    // Any other state: the field is applied.
    for (TransferState ts :
         {TransferState::Idle, TransferState::Group, TransferState::Identify, TransferState::CurrentAfterFind}) {
        rig.image().record(0)[30] = 0;
        t.setState(ts);
        rig.feed(field(30, 0, 1, 1));
        QCOMPARE(rig.cur(30), 1);
        QCOMPARE(t.state(), ts);
    }
    // While awaiting the report a parameter-set for byte 30 is an ordinary edit.
    t.setState(TransferState::AltTapReport);
    rig.feed(param(30, 2));
    QCOMPARE(rig.cur(30), 2);
    QCOMPARE(t.state(), TransferState::AltTapReport);
}

void TestSession::malformedAndForeignMessagesTouchNothing()
{
    Rig rig;
    const auto before = rig.image().group;
    Bytes foreign = param(3, 0x11);
    foreign[4] = 0x11;
    for (const Bytes &m : {
             field(3, 8, 1, 1),                       // shift beyond the byte
             field(3, 0x7F, 7, 1),                    // far beyond
             field(3, 0, 0, 1),                       // no width
             field(3, 0, 8, 1),                       // too wide
             field(0x7F, 0, 1, 1),                    // index out of range
             foreign, ampMessage({}),                 // header only
             Bytes{0xF0, 0x00, 0x20},                 // not even a header
             ampMessage({0x0C, 3, 0x01}),             // parameter-set without its low nibble
             ampMessage({0x0E, 3, 0x00, 0x01}),       // bit-field without its value
             ampMessage({0x0B, 3, 0x01, 0x01, 0xF7}), // a command the editor ignores
             ampMessage({0x07, 3, 0x01, 0x01, 0xF7}), // one it only ever sends
         })
        rig.feed(m);
    rig.s().transfers().receive(nullptr, 0);
    QCOMPARE(rig.image().group, before);
    QVERIFY(!rig.modified());
    QVERIFY(!rig.s().editor().loading());
    QCOMPARE(rig.reloads, 0);
}

void TestSession::globalBitFields()
{
    Rig rig;
    QSignalSpy cabinets(&rig.s().globals(), &AmpGlobals::globalCabinetReported);
    QSignalSpy changed(&rig.s().globals(), &AmpGlobals::globalRecordChanged);
    bool guarded = true;
    QObject::connect(&rig.s().globals(), &AmpGlobals::globalRecordChanged,
                     [&] { guarded = guarded && rig.s().editor().loading(); });

    rig.feed(ampMessage({0x15, 13, 0, 5, 4, 0xF7}));
    QCOMPARE(rig.image().globals[13], 4);
    QCOMPARE(cabinets.size(), 1);
    QCOMPARE(cabinets.at(0), (QVariantList{true, 3}));
    // Off: the list shows the preset's own cabinet again.
    rig.image().writeField(0, preset::Cabinet, 7);
    rig.feed(ampMessage({0x15, 13, 0, 5, 0, 0xF7}));
    QCOMPARE(cabinets.at(1), (QVariantList{false, 7}));
    QCOMPARE(rig.image().globals[13], 0);
    QVERIFY(!rig.modified()); // a global setting is not a preset edit

    rig.image().globals[9] = 0x04;
    rig.feed(ampMessage({0x15, 9, 0, 1, 1, 0xF7}));
    QCOMPARE(rig.image().globals[9], 0x05);
    QCOMPARE(changed.last(), QVariantList{9});
    QVERIFY(guarded);
    QCOMPARE(cabinets.size(), 2);

    // Indices outside the GlobalRecord, and fields outside a byte, are ignored.
    const auto globals = rig.image().globals;
    const auto group = rig.image().group;
    rig.feed(ampMessage({0x15, 14, 0, 7, 0x7F, 0xF7}));
    rig.feed(ampMessage({0x15, 0x7F, 0, 7, 0x7F, 0xF7}));
    rig.feed(ampMessage({0x15, 3, 9, 7, 0x7F, 0xF7}));
    QCOMPARE(rig.image().globals, globals);
    QCOMPARE(rig.image().group, group);
    QVERIFY(!rig.s().editor().loading());
}

void TestSession::tunerDataInEveryState()
{
    Rig rig;
    QSignalSpy tuner(&rig.s().globals(), &AmpGlobals::tunerReading);
    rig.feed(ampMessage({0x17, 0x01, 0x02, 0x0A, 0x0B, 0xF7}));
    QCOMPARE(tuner.size(), 1);
    QCOMPARE(tuner.at(0), (QVariantList{0x12, 0xAB}));
    rig.feed(ampMessage({0x17, 0x01, 0x02, 0x0A})); // one nibble short
    QCOMPARE(tuner.size(), 1);
    rig.s().transfers().setState(TransferState::Group);
    rig.feed(amp::tunerData(0xFF, 0x00));
    QCOMPARE(tuner.last(), (QVariantList{0xFF, 0x00}));
}

void TestSession::identifyReplyAndFoundStep()
{
    Rig rig;
    AmpTransfers &t = rig.s().transfers();
    QSignalSpy found(&rig.s().sync(), &AmpSync::ampFound);
    QSignalSpy firmware(&rig.s().link(), &AmpLink::ampStatusChanged);
    // Unasked, an identify reply records the version and touches nothing else.
    rig.feed(amp::identifyReply(0x10));
    QVERIFY(!rig.s().sync().ampFoundTimer().isActive());
    QCOMPARE(firmware.size(), 1);
    QCOMPARE(found.size(), 0);
    QVERIFY(rig.take().empty());

    rig.s().sync().searchForAmp();
    QCOMPARE(t.state(), TransferState::Identify);
    rig.feed(amp::identifyReply(0x45)); // G variant, (5 & 3F) + 16 = 15h
    QCOMPARE(t.state(), TransferState::Idle);
    QVERIFY(!t.replyTimer().isActive());
    QVERIFY(rig.s().sync().ampFoundTimer().isActive());
    QCOMPARE(rig.s().link().firmwareVersion(), 0x15);
    QVERIFY(rig.s().link().gVariant());
    rig.s().sync().takeFoundStep();
    QVERIFY(rig.s().link().isAmpFound());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.at(0), (QVariantList{0x15, true}));

    rig.feed(amp::identifyReply(0x3F));
    QCOMPARE(rig.s().link().firmwareVersion(), 0x4F);
    QVERIFY(!rig.s().link().gVariant());
    rig.feed(ampMessage({0x03})); // no version byte: ignored
    QCOMPARE(rig.s().link().firmwareVersion(), 0x4F);
}

void TestSession::dumpsOnlyInTheirTransferState()
{
    Rig rig;
    AmpTransfers &t = rig.s().transfers();
    std::array<std::uint8_t, preset::GroupSize> group;
    for (int i = 0; i < preset::GroupSize; ++i)
        group[i] = std::uint8_t(i);
    const Bytes dump = amp::groupDump(group);

    t.setState(TransferState::RequestedPreset);
    rig.feed(dump);
    QVERIFY(rig.image().group != group);

    t.await(TransferState::Group);
    rig.feed(Bytes(dump.begin(), dump.begin() + 998)); // truncated
    QVERIFY(rig.image().group != group);
    QCOMPARE(t.state(), TransferState::Group);

    rig.image().globals.fill(0x33);
    rig.feed(dump);
    // Taken in as values the Amp means.
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        presetparams::makeValid(
            std::span<std::uint8_t, preset::RecordSize>(group.data() + slot * preset::RecordSize, preset::RecordSize));
    QCOMPARE(rig.image().group, group);
    QCOMPARE(t.state(), TransferState::Idle);
    QVERIFY(!t.replyTimer().isActive());
    QVERIFY(std::all_of(rig.image().globals.begin(), rig.image().globals.end(), [](auto b) { return b == 0x33; }));

    std::array<std::uint8_t, preset::GlobalSize> globals{};
    globals[13] = 0xEE;
    rig.feed(amp::globals(globals));
    QCOMPARE(rig.image().globals[13], 0x33);
    // Awaited, it ends the wait; only an open globals window takes it in.
    t.await(TransferState::Globals);
    rig.feed(amp::globals(globals));
    QCOMPARE(rig.image().globals[13], 0x33);
    QCOMPARE(t.state(), TransferState::Idle);
    QVERIFY(!t.replyTimer().isActive());
    rig.s().globals().setGlobalsWindowOpen(true);
    t.setState(TransferState::Globals);
    rig.feed(amp::globals(globals));
    QCOMPARE(rig.image().globals[13], 0xEE);
}

void TestSession::replyTimerDoesNotRestart()
{
    Rig rig;
    AmpTransfers &t = rig.s().transfers();
    QCOMPARE(t.replyTimer().interval(), 2000);
    QVERIFY(t.replyTimer().isSingleShot());
    t.await(TransferState::RequestedPreset);
    // Let the count run down a little, then ask a second question: the
    // remaining time must not grow back to 2000 ms.
    QTest::qWait(30);
    const int left = t.replyTimer().remainingTime();
    t.await(TransferState::Group);
    QCOMPARE(t.state(), TransferState::Group);
    QVERIFY2(t.replyTimer().remainingTime() <= left, qPrintable(QString::number(t.replyTimer().remainingTime())));
    t.finish();
    QVERIFY(!t.replyTimer().isActive());
    QCOMPARE(t.state(), TransferState::Idle);
}

void TestSession::timeOutOutcomes_data()
{
    QTest::addColumn<bool>("portsOpen");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<bool>("notFound");
    QTest::addColumn<int>("footswitch"); // -1: none sent

    const QString none = QStringLiteral("No response from Amp.");
    const QString closed = QStringLiteral("MIDI In and Out must be enabled.");
    QTest::newRow("group, ports open") << true << int(TransferState::Group) << none << false << -1;
    QTest::newRow("identify, ports open") << true << int(TransferState::Identify) << QString() << true << -1;
    QTest::newRow("old-firmware sync") << true << int(TransferState::AltTapReport) << QString() << false << 0;
    QTest::newRow("program change") << true << int(TransferState::ProgramChange) << none << false << -1;
    QTest::newRow("preset, ports closed") << false << int(TransferState::RequestedPreset) << closed << false << -1;
    // Closed ports are reported when the sync starts, not from its time-out.
    QTest::newRow("identify, ports closed") << false << int(TransferState::Identify) << QString() << true << -1;
}

void TestSession::timeOutOutcomes()
{
    QFETCH(bool, portsOpen);
    QFETCH(int, state);
    QFETCH(QString, notice);
    QFETCH(bool, notFound);
    QFETCH(int, footswitch);

    Rig rig;
    if (portsOpen)
        rig.openPorts();
    QSignalSpy notFoundSpy(&rig.s().sync(), &AmpSync::ampNotFound);
    TransferState seen = TransferState::Idle;
    // What the handlers see: the state is already idle when they run.
    QObject::connect(&rig.s().transfers(), &AmpTransfers::timedOut, [&](TransferState ended) {
        seen = rig.s().transfers().state();
        Q_UNUSED(ended);
    });
    rig.s().transfers().await(TransferState(state));
    rig.s().transfers().replyTimedOut();

    QCOMPARE(seen, TransferState::Idle);
    QCOMPARE(rig.s().transfers().state(), TransferState::Idle);
    QVERIFY(!rig.s().transfers().replyTimer().isActive());
    // Nothing is shown from inside the timer's handler; the queue shows it.
    QVERIFY(rig.prompter.shown.isEmpty());
    rig.showQueued();
    QCOMPARE(rig.prompter.texts(), notice.isEmpty() ? QStringList() : QStringList{notice});
    if (!notice.isEmpty())
        QCOMPARE(rig.prompter.shown.first().caption, QStringLiteral("Timeout"));
    QCOMPARE(notFoundSpy.size(), notFound ? 1 : 0);
    const auto sent = rig.take();
    if (footswitch < 0)
        QVERIFY(sent.empty());
    else
        QCOMPARE(sent, (std::vector<Bytes>{amp::footswitch(std::uint8_t(footswitch))}));
}

void TestSession::editsWriteThenSendUnlessLoading()
{
    Rig rig;
    // Closed output: nothing goes out, but an edit still marks the presets modified.
    rig.s().editor().editByte(3, 18);
    QVERIFY(rig.backend->sent.empty());
    QVERIFY(rig.modified());
    QCOMPARE(rig.cur(3), 18);

    rig.openPorts();
    rig.s().editor().startHistory(false);
    {
        const PresetEditor::LoadingGuard outer(rig.s().editor());
        {
            const PresetEditor::LoadingGuard inner(rig.s().editor());
        }
        QVERIFY(rig.s().editor().loading()); // an inner reload keeps the outer step's guard
        rig.s().editor().editByte(3, 19);
        rig.s().editor().editField(preset::Bright, 1);
        rig.image().globals[13] = 1; // the global cabinet override on
        rig.s().editor().setCabinet(4);
    }
    QVERIFY(!rig.s().editor().loading());
    QVERIFY(rig.take().empty());
    QVERIFY(!rig.modified());
    QCOMPARE(rig.cur(3), 19); // written all the same
    QCOMPARE(rig.image().globals[13], 5);

    // In group view every edit addresses the selected tab.
    rig.s().editor().setView(View::Group);
    rig.s().editor().selectSlotQuietly(3);
    rig.image().record(3)[preset::ModTone] = 0xC5;
    rig.s().editor().editField(preset::Presence, 3);
    rig.s().editor().editByte(preset::DLTime, 200);
    rig.image().record(3)[preset::DLSepDark] = 0x80;
    rig.s().editor().editField(preset::DLSeparationBits, 0x45); // stored in seven bits, sent as six
    rig.s().editor().setCabinet(2);                             // the override leaves the preset alone
    QCOMPARE(rig.take(), (std::vector<Bytes>{field(2, 4, 2, 3), param(23, 200), field(29, 0, 6, 5),
                                             ampMessage({0x15, 13, 0x00, 0x05, 0x03, 0xF7})}));
    QCOMPARE(rig.image().record(3)[preset::ModTone], 0xF5);
    QCOMPARE(rig.image().record(3)[preset::DLSepDark], 0xC5);
    QVERIFY(rig.modified());

    // Global edits and whole records are not preset edits.
    rig.s().editor().startHistory(false);
    rig.s().editor().setGlobalCabinetOverride(false);
    rig.s().editor().sendEditorData();
    QCOMPARE(rig.take(), (std::vector<Bytes>{ampMessage({0x15, 13, 0x00, 0x05, 0x00, 0xF7}),
                                             amp::singlePreset(rig.image().record(3))}));
    QVERIFY(!rig.modified());
    // Indices outside the record are never written or sent.
    rig.s().editor().editByte(31, 1);
    rig.s().editor().editField({31, 0, 1}, 1);
    QVERIFY(rig.take().empty());
}

namespace {

QByteArray bytes(const Bytes &m)
{
    return QByteArray(reinterpret_cast<const char *>(m.data()), qsizetype(m.size()));
}
// In the table: an empty entry closes the output and opens it again.
const QByteArray reopen;

// Time that moves only when told.
struct StepClock : MidiOutPort::Clock {
    std::int64_t t = 1000000000;
    std::int64_t now() override { return t; }
    void sleepUntil(std::int64_t time) override { t = std::max(t, time); }
};

} // namespace

void TestSession::waitingValueGivesWayToANewerOne_data()
{
    QTest::addColumn<QList<QByteArray>>("sends");
    QTest::addColumn<QList<QByteArray>>("arrives");
    QTest::addColumn<int>("replaced");
    QTest::addColumn<int>("dropped");
    const auto p = [](int index, int value) { return bytes(param(index, value)); };
    const auto f = [](int index, int shift, int width, int value) { return bytes(field(index, shift, width, value)); };
    const auto g = [](int index, int shift, int width, int value) {
        return bytes(amp::globalBitField(index, shift, width, std::uint8_t(value)));
    };
    const QByteArray record = bytes(amp::singlePreset(preset::DefaultRecord));
    const QByteArray write = bytes(amp::presetWrite(2, preset::DefaultRecord));
    std::array<std::uint8_t, preset::GroupSize> group{};
    const QByteArray dump = bytes(amp::groupDump(group));
    const QByteArray globals = bytes(amp::globals(std::array<std::uint8_t, preset::GlobalSize>{}));
    const QByteArray question = bytes(amp::identifyRequest());
    const QByteArray foreign = QByteArray::fromHex("f07e7f0601f7"); // a universal identity request
    const QByteArray programChange = QByteArray::fromHex("c005");
    const QByteArray truncated = bytes(ampMessage({0x0C, 3, 0, 1})); // no end byte

    QTest::newRow("one knob") << QList{p(3, 1), p(3, 2), p(3, 3)} << QList{p(3, 3)} << 2 << 0;
    QTest::newRow("two knobs interleaved")
        << QList{p(3, 1), p(5, 1), p(3, 2), p(5, 2), p(3, 3)} << QList{p(3, 3), p(5, 2)} << 3 << 0;
    // The record must not end up overwritten by the older value.
    QTest::newRow("whole record between steps")
        << QList{p(3, 1), record, p(3, 2), p(3, 3)} << QList{p(3, 1), record, p(3, 3)} << 1 << 0;
    // Messages that may write anything keep every value before them.
    const std::pair<const char *, QByteArray> barriers[] = {{"preset write", write},
                                                            {"group dump", dump},
                                                            {"store", bytes(amp::presetStore(2))},
                                                            {"footswitch", bytes(amp::footswitch(1))},
                                                            {"not the Amp's", foreign},
                                                            {"short message", programChange},
                                                            {"malformed parameter message", truncated}};
    for (const auto &[name, between] : barriers)
        QTest::addRow("%s between steps", name)
            << QList{p(3, 1), between, p(3, 2)} << QList{p(3, 1), between, p(3, 2)} << 0 << 0;
    // Older firmware takes copied values only into the active set: they go
    // out between two switches of the set, and must stay there.
    QTest::newRow("alt set switched between copies")
        << QList{p(4, 20), f(30, 0, 1, 1), p(4, 20), f(30, 0, 1, 0)}
        << QList{p(4, 20), f(30, 0, 1, 1), p(4, 20), f(30, 0, 1, 0)} << 0 << 0;
    // A flanger reset follows the switch to the flanger; a later turn replaces the reset.
    QTest::newRow("modulation type switched")
        << QList{p(22, 5), f(2, 0, 4, 1), p(22, 10), p(22, 12)} << QList{p(22, 5), f(2, 0, 4, 1), p(22, 12)} << 1 << 0;
    QTest::newRow("amp model steps stay")
        << QList{f(0, 0, 4, 1), f(0, 0, 4, 2)} << QList{f(0, 0, 4, 1), f(0, 0, 4, 2)} << 0 << 0;
    QTest::newRow("tap function is no mode")
        << QList{f(30, 4, 4, 1), f(30, 4, 4, 2)} << QList{f(30, 4, 4, 2)} << 1 << 0;
    QTest::newRow("malformed messages stay") << QList{truncated, truncated} << QList{truncated, truncated} << 0 << 0;
    QTest::newRow("a question passes") << QList{p(3, 1), question, p(3, 2)} << QList{p(3, 2), question} << 1 << 0;
    QTest::newRow("one field") << QList{f(2, 4, 2, 1), f(2, 4, 2, 2), f(2, 4, 2, 3)} << QList{f(2, 4, 2, 3)} << 2 << 0;
    QTest::newRow("other fields of the byte") << QList{f(2, 4, 2, 1), f(2, 6, 2, 3), f(2, 4, 2, 2)}
                                              << QList{f(2, 4, 2, 1), f(2, 6, 2, 3), f(2, 4, 2, 2)} << 0 << 0;
    QTest::newRow("whole byte and field")
        << QList{p(1, 5), f(1, 5, 1, 1), p(1, 6)} << QList{p(1, 5), f(1, 5, 1, 1), p(1, 6)} << 0 << 0;
    QTest::newRow("global bytes are not preset bytes")
        << QList{g(3, 0, 4, 1), f(3, 0, 4, 1), g(3, 0, 4, 2)} << QList{g(3, 0, 4, 2), f(3, 0, 4, 1)} << 1 << 0;
    QTest::newRow("global record between steps")
        << QList{g(6, 0, 5, 1), globals, g(6, 0, 5, 2)} << QList{g(6, 0, 5, 1), globals, g(6, 0, 5, 2)} << 0 << 0;
    // What waited for the closed port is gone; nothing new lands on its place.
    QTest::newRow("port closed while waiting")
        << QList{p(3, 1), p(5, 1), reopen, dump, p(3, 2), p(3, 3)} << QList{dump, p(3, 3)} << 1 << 2;
}

void TestSession::waitingValueGivesWayToANewerOne()
{
    QFETCH(QList<QByteArray>, sends);
    QFETCH(QList<QByteArray>, arrives);
    QFETCH(int, replaced);
    QFETCH(int, dropped);
    auto owned = std::make_unique<LoopbackBackend>();
    LoopbackBackend &backend = *owned;
    backend.pacing = true; // as slow as a cable
    AmpLink link(std::move(owned));
    StepClock clock;
    MidiOutPort &out = link.midiOut();
    out.setClock(&clock);
    out.setRate(MidiOutPort::DinRate);
    out.setPort(0);
    out.setEnabled(true);
    // On the cable from here on, so everything after it waits.
    const Bytes first = amp::identifyRequest();
    out.sendSysEx(first.data(), int(first.size()));
    if (dropped > 0)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("dropped %1 queued").arg(dropped)));
    for (const QByteArray &m : sends) {
        const auto *data = reinterpret_cast<const std::uint8_t *>(m.constData());
        if (m.isEmpty()) {
            out.setEnabled(false);
            out.setEnabled(true);
        } else if (data[0] == 0xF0) {
            out.sendSysEx(data, int(m.size()));
        } else {
            out.sendShort(data[0], data[1]);
        }
    }
    for (int i = 0; i < 100 && out.stats().queuedMessages > 0; ++i) {
        clock.t += 100000000;
        out.sendDue();
    }
    QList<QByteArray> got;
    for (std::size_t i = 1; i < backend.sent.size(); ++i)
        got << bytes(backend.sent[i]);
    QCOMPARE(got, arrives);
    QCOMPARE(out.stats().replaced, std::uint64_t(replaced));
    QCOMPARE(out.stats().dropped, std::uint64_t(dropped));
    out.setClock(nullptr);
}

void TestSession::oldFirmwareExtras_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<int>("extras");
    QTest::newRow("1.4") << 0x14 << 1;
    QTest::newRow("1.5") << 0x15 << 0;
    QTest::newRow("2.0") << 0x20 << 0;
}

void TestSession::oldFirmwareExtras()
{
    QFETCH(int, firmware);
    QFETCH(int, extras);
    Rig rig;
    rig.openPorts();
    rig.s().link().setFirmwareVersion(std::uint8_t(firmware));

    rig.s().editor().editByte(preset::DLTime, 100);
    rig.s().editor().editField(preset::TapFunction, 5);
    std::vector<Bytes> expected{param(23, 100)};
    if (extras)
        expected.push_back(field(29, 5, 1, 0));
    expected.push_back(field(30, 4, 4, 5));
    if (extras)
        expected.push_back(field(30, 0, 4, 0));
    QCOMPARE(rig.take(), expected);

    // Choosing the flanger resets and resends its values on old firmware only.
    rig.image().record(0)[preset::FlangerDT] = 3;
    rig.s().editor().setModulationType(1);
    expected = {field(2, 0, 4, 1)};
    if (extras) {
        expected.push_back(param(22, 10));
        expected.push_back(param(21, 19));
    }
    QCOMPARE(rig.take(), expected);
    QCOMPARE(rig.cur(preset::FlangerDT), extras ? 10 : 3);
    QCOMPARE(rig.s().editor().flangerHold(), bool(extras));
    QCOMPARE(rig.reloads, extras);

    // Copying the preamp set switches an old Amp to the other set meanwhile.
    rig.s().editor().copyToOtherSet(preset::Dual::Preamp);
    expected.clear();
    const int copies[] = {4, 6, 8, 10, 12};
    auto addCopies = [&] {
        for (int i : copies)
            expected.push_back(param(i, rig.cur(i)));
    };
    if (extras)
        addCopies();
    if (extras)
        expected.push_back(field(30, 0, 1, 1));
    addCopies();
    if (extras)
        expected.push_back(field(30, 0, 1, 0));
    QCOMPARE(rig.take(), expected);
    QCOMPARE(rig.s().editor().image().readField(0, preset::BoostAlt), 0);
}

void TestSession::viewsAndSlots()
{
    Rig rig;
    rig.openPorts();
    QSignalSpy views(&rig.s().editor(), &PresetEditor::viewChanged);
    QSignalSpy restore(&rig.s().editor(), &PresetEditor::restoreBoostAvailableChanged);
    View seen = View::Single;
    QObject::connect(&rig.s().editor(), &PresetEditor::viewChanged, [&] { seen = rig.s().editor().view(); });

    rig.s().editor().setView(View::Group);
    QCOMPARE(seen, View::Group); // stored before anyone hears of it
    rig.s().editor().selectSlot(6);
    QCOMPARE(rig.s().editor().currentSlot(), 6);
    QCOMPARE(rig.reloads, 1);
    QCOMPARE(rig.take(), std::vector<Bytes>{amp::singlePreset(rig.image().record(6))});
    QVERIFY(!rig.modified());

    // Boost all keeps the first snapshot until the view is set again.
    rig.image().writeField(2, preset::BoostAlt, 1);
    rig.s().editor().boostAllTabs(false);
    QVERIFY(!rig.s().editor().boostSnapshotArmed());
    QVERIFY(rig.s().editor().restoreBoostAvailable());
    rig.s().editor().boostAllTabs(true);
    rig.s().editor().restoreBoostSettings();
    for (int s = 0; s < preset::SlotCount; ++s)
        QCOMPARE(rig.image().readField(s, preset::BoostAlt), s == 2 ? 1 : 0);
    QVERIFY(!rig.s().editor().restoreBoostAvailable());
    // The other slots change in the image only; the shown one's flag goes
    // to the Amp whenever it changes.
    QCOMPARE(rig.take(), (std::vector<Bytes>{field(30, 0, 1, 1), field(30, 0, 1, 0)}));
    rig.s().editor().setView(View::Group);
    QVERIFY(rig.s().editor().boostSnapshotArmed());

    rig.s().editor().setView(View::Single);
    QCOMPARE(rig.s().editor().currentSlot(), 0);
    rig.s().editor().selectSlot(5); // no tabs in single view
    QCOMPARE(rig.s().editor().currentSlot(), 0);
    QCOMPARE(views.size(), 3);
    QCOMPARE(restore.size(), 2);
}

void TestSession::askToSave()
{
    using Button = Prompter::Button;
    Rig rig;
    rig.s().files().askToSave(); // unmodified: nothing asked
    QVERIFY(rig.prompter.shown.isEmpty());

    rig.s().editor().startHistory(true);
    rig.prompter.answers = {Button::No};
    rig.s().files().askToSave();
    QCOMPARE(rig.prompter.shown.size(), 1);
    QCOMPARE(rig.prompter.shown[0].caption, QStringLiteral("Quorvex"));
    QCOMPARE(rig.prompter.shown[0].text, QStringLiteral("Save Changes?"));
    QCOMPARE(rig.prompter.shown[0].icon, Prompter::Icon::Question);

    // Cancel abandons the operation, and so does Yes while there is no Save:
    // the edits must not be thrown away.
    for (Button b : {Button::Cancel, Button::Yes}) {
        rig.prompter.answers = {b};
        QVERIFY_THROWS_EXCEPTION(Abort, rig.s().files().askToSave());
    }
    rig.prompter.answers = {Button::Yes};
    QVERIFY_THROWS_EXCEPTION(Abort, rig.s().files().newDocument(true));
    QVERIFY(rig.modified());
    QCOMPARE(rig.s().editor().view(), View::Single);

    rig.openPorts();
    rig.prompter.answers = {Button::No};
    rig.image().record(15)[3] = 1;
    rig.s().files().newDocument(true);
    QVERIFY(!rig.modified());
    QCOMPARE(rig.s().editor().view(), View::Group);
    QCOMPARE(rig.s().editor().currentSlot(), 0);
    QCOMPARE(rig.image().record(15)[3], preset::DefaultRecord[3]);
    QCOMPARE(rig.take(), std::vector<Bytes>{amp::singlePreset(preset::DefaultRecord)});
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestSession::documentRules()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    Document doc;
    QSignalSpy titles(&doc, &Document::titleChanged);
    QSignalSpy elsewhere(&doc, &Document::saveElsewhereChanged);

    QVERIFY(!doc.setWorkingDirectory(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(doc.setWorkingDirectory(dir.path() + QStringLiteral("/sub/..")));
    QCOMPARE(doc.workingDirectory(), QDir::cleanPath(dir.path()));

    doc.setFile(dir.filePath(QStringLiteral("Lead Tone.syx")), Document::Kind::Single);
    QCOMPARE(doc.fileName(), QStringLiteral("Lead Tone.syx"));
    QCOMPARE(doc.caption(), dir.filePath(QStringLiteral("Lead Tone.syx")) + QStringLiteral(" - Quorvex"));
    QCOMPARE(doc.applicationTitle(), QStringLiteral("Lead Tone.syx - Quorvex"));
    QVERIFY(doc.hasName());
    QVERIFY(!doc.saveElsewhere());

    doc.setFile(dir.filePath(QStringLiteral("sub/x.syx")), Document::Kind::Group);
    QVERIFY(doc.saveElsewhere()); // outside the working directory
    QCOMPARE(doc.originDirectory(), dir.filePath(QStringLiteral("sub")));
    // The list moving never moves the file; whether Save asks follows it.
    QVERIFY(doc.setWorkingDirectory(dir.filePath(QStringLiteral("sub"))));
    QVERIFY(!doc.saveElsewhere());
    QVERIFY(doc.setWorkingDirectory(dir.path()));
    QVERIFY(doc.saveElsewhere());
    QCOMPARE(doc.filePath(), dir.filePath(QStringLiteral("sub/x.syx")));
    QVERIFY(doc.fileMatchesView(true) && !doc.fileMatchesView(false));

    doc.makeNew();
    QVERIFY(!doc.isModified());
    QVERIFY(!doc.saveElsewhere());
    QVERIFY(!doc.hasName());
    QVERIFY(doc.fileName().isEmpty());
    QCOMPARE(doc.caption(), QStringLiteral("untitled - Quorvex"));
    QCOMPARE(doc.applicationTitle(), QStringLiteral("untitled - Quorvex"));
    QCOMPARE(titles.size(), 3);
    QCOMPARE(elsewhere.size(), 4);
}

void TestSession::errorBoxText()
{
    QCOMPARE(::errorBoxText(QStringLiteral("No response from Amp.")), QStringLiteral("No response from Amp."));
    QCOMPARE(::errorBoxText(QStringLiteral("Could not open file")), QStringLiteral("Could not open file."));
    QCOMPARE(::errorBoxText(QStringLiteral("Why?")), QStringLiteral("Why?."));  // '?' sorts after '.'
    QCOMPARE(::errorBoxText(QStringLiteral("Stop!")), QStringLiteral("Stop!")); // '!' sorts before it
    QCOMPARE(::errorBoxText(QStringLiteral("size -")), QStringLiteral("size -"));
    QCOMPARE(::errorBoxText(QString()), QString());
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
