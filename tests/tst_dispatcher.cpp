#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/ampmessages.h"
#include "protocol/amptransfers.h"
#include "protocol/sysexdispatcher.h"

#include "support/ampbytes.h"

#include <QtTest>

using amp::Bytes;

namespace {

// Records what the dispatcher asks of the windows, and whether the loading
// guard was set while it asked.
struct FakeViews : PanelView, GlobalsView, TunerView {
    explicit FakeViews(EditorState &s) : state(s) {}
    EditorState &state;
    int reloads = 0, globalsReloads = 0;
    bool guardSeen = true;
    QList<QPair<bool, int>> cabinets;
    QList<QPair<int, int>> tuner;
    QList<QPair<bool, bool>> ebChromatic;
    QList<int> levels;

    void seen() { guardSeen = guardSeen && state.loadingGuard; }
    void reloadFromCurrentSlot() override { ++reloads; seen(); }
    void showGlobalCabinet(bool on, int item) override { cabinets.append({on, item}); seen(); }
    void reloadFromGlobalRecord() override
    {
        ++globalsReloads;
        seen();
        state.loadingGuard = false; // a careless nested reload; the outer step must survive it
    }
    void tunerData(std::uint8_t a, std::uint8_t b) override { tuner.append({a, b}); }
    void showEbChromatic(bool eb, bool chrom) override { ebChromatic.append({eb, chrom}); seen(); }
    void showTunerLevel(int level) override { levels.append(level); seen(); }
};


} // namespace

class TestDispatcher : public QObject {
    Q_OBJECT
private:
    DeviceImage image;
    EditorState state;
    std::unique_ptr<AmpTransfers> transfers;
    std::unique_ptr<FakeViews> views;
    std::unique_ptr<SysExDispatcher> dispatcher;

    void feed(const Bytes &m) { dispatcher->MidiIn1SysEx(m.data(), int(m.size())); }
    std::uint8_t cur(int index) { return image.record(state.currentSlot())[index]; }

private slots:
    void init();
    void parameterSetIndexRange();
    void parameterSetAddressesCurrentSlotOnly();
    void flangerHoldIgnoresOnlyFlangerBytes();
    void bitFieldRules();
    void bitFieldOnAltTapEndsEfxToggle();
    void malformedFieldsTouchNothing();
    void globalBitFieldCabinet();
    void globalBitFieldTunerBytesAndWindows();
    void globalBitFieldIndexOutsideRecordIgnored();
    void tunerData();
    void identifyReply();
    void dumpsOnlyInTheirTransferState();
    void foreignTruncatedAndUnknownIgnored();
};

void TestDispatcher::init()
{
    image = DeviceImage();
    image.fillDefaults();
    state = EditorState();
    transfers = std::make_unique<AmpTransfers>(image, state);
    views = std::make_unique<FakeViews>(state);
    dispatcher = std::make_unique<SysExDispatcher>(image, state, *transfers,
                                                   AmpViews{views.get(), views.get(), views.get()});
}

void TestDispatcher::parameterSetIndexRange()
{
    const auto before = image.group;
    feed(ampMessage({0x0C, 31, 0x01, 0x02, 0xF7}));
    QCOMPARE(image.group, before);
    QVERIFY(!state.loadingGuard);
    QVERIFY(!state.modified);
    QCOMPARE(views->reloads, 0);

    feed(ampMessage({0x0C, 30, 0x0F, 0x0F, 0xF7}));
    QCOMPARE(cur(30), 0xFF);
    QVERIFY(state.modified);
    QCOMPARE(views->reloads, 1);
    QVERIFY(views->guardSeen); // the reload runs under the guard
    QVERIFY(!state.loadingGuard);

    // The closing F7 is not required; the nibble pair is.
    feed(ampMessage({0x0C, 3, 0x01, 0x02}));
    QCOMPARE(cur(3), 0x12);
    feed(ampMessage({0x0C, 4, 0x01}));
    QCOMPARE(cur(4), 20);
}

void TestDispatcher::parameterSetAddressesCurrentSlotOnly()
{
    state.view = EditorState::View::Group;
    state.tabIndex = 9;
    feed(ampMessage({0x0C, 3, 0x02, 0x01, 0xF7}));
    QCOMPARE(image.record(9)[3], 0x21);
    QCOMPARE(image.record(0)[3], 17);
    state.view = EditorState::View::Single; // single view works on A1 whatever the tab
    feed(ampMessage({0x0C, 3, 0x00, 0x05, 0xF7}));
    QCOMPARE(image.record(0)[3], 5);
    QCOMPARE(image.record(9)[3], 0x21);
}

void TestDispatcher::flangerHoldIgnoresOnlyFlangerBytes()
{
    state.flangerHold = true;
    for (int index : {21, 22})
        feed(ampMessage({0x0C, std::uint8_t(index), 0x00, 0x01, 0xF7}));
    QCOMPARE(cur(21), 19);
    QCOMPARE(cur(22), 10);
    QVERIFY(!state.modified);
    QVERIFY(!state.loadingGuard);
    feed(ampMessage({0x0E, 22, 0x00, 0x07, 0x01, 0xF7})); // bit-field form too
    QCOMPARE(cur(22), 10);
    for (int index : {20, 23})
        feed(ampMessage({0x0C, std::uint8_t(index), 0x00, 0x01, 0xF7}));
    QCOMPARE(cur(20), 1);
    QCOMPARE(cur(23), 1);
    state.flangerHold = false;
    feed(ampMessage({0x0C, 21, 0x00, 0x02, 0xF7}));
    QCOMPARE(cur(21), 2);
}

void TestDispatcher::bitFieldRules()
{
    image.record(0)[2] = 0xC5;
    feed(ampMessage({0x0E, 2, 4, 2, 3, 0xF7}));
    QCOMPARE(cur(2), 0xF5);
    // The received value is not masked to the width.
    image.record(0)[16] = 0x00;
    feed(ampMessage({0x0E, 16, 0, 1, 0x05, 0xF7}));
    QCOMPARE(cur(16), 0x05);
    // Kept to 8 bits at the top of the byte.
    image.record(0)[29] = 0x05;
    feed(ampMessage({0x0E, 29, 7, 1, 0x03, 0xF7}));
    QCOMPARE(cur(29), 0x85);
    QVERIFY(state.modified);
    QCOMPARE(views->reloads, 3);
}

void TestDispatcher::bitFieldOnAltTapEndsEfxToggle()
{
    transfers->TransferState = 5;
    transfers->TimerSysex.start();
    feed(ampMessage({0x0E, 30, 0, 1, 1, 0xF7}));
    QCOMPARE(transfers->TransferState, 0);
    QVERIFY(!transfers->TimerSysex.isActive());
    QCOMPARE(cur(30), 0);
    QVERIFY(!state.loadingGuard);
    QVERIFY(!state.modified);

    // Any other state: the field is applied.
    for (int ts : {0, 2, 4, 6}) {
        image.record(0)[30] = 0;
        transfers->TransferState = ts;
        feed(ampMessage({0x0E, 30, 0, 1, 1, 0xF7}));
        QCOMPARE(cur(30), 1);
        QCOMPARE(transfers->TransferState, ts);
    }
    // In state 5 a parameter-set for byte 30 is still an ordinary edit.
    transfers->TransferState = 5;
    feed(ampMessage({0x0C, 30, 0x00, 0x02, 0xF7}));
    QCOMPARE(cur(30), 2);
    QCOMPARE(transfers->TransferState, 5);
}

void TestDispatcher::malformedFieldsTouchNothing()
{
    const auto before = image.group;
    feed(ampMessage({0x0E, 3, 8, 1, 1, 0xF7}));    // shift beyond the byte
    feed(ampMessage({0x0E, 3, 0x7F, 7, 1, 0xF7})); // far beyond
    feed(ampMessage({0x0E, 3, 0, 0, 1, 0xF7}));    // no width
    feed(ampMessage({0x0E, 3, 0, 8, 1, 0xF7}));    // too wide
    feed(ampMessage({0x0E, 0x7F, 0, 1, 1, 0xF7})); // index out of range
    QCOMPARE(image.group, before);
    QVERIFY(!state.loadingGuard);
}

void TestDispatcher::globalBitFieldCabinet()
{
    state.globalsWindowOpen = true;
    feed(ampMessage({0x15, 13, 0, 5, 4, 0xF7}));
    QCOMPARE(image.globals[13], 4);
    QCOMPARE(views->cabinets, (QList<QPair<bool, int>>{{true, 3}}));
    QCOMPARE(views->globalsReloads, 1);
    QVERIFY(views->guardSeen); // guard held through the reload and the cabinet update
    QVERIFY(!state.loadingGuard);
    QVERIFY(!state.modified);

    state.presetCabinetMemory = 7;
    feed(ampMessage({0x15, 13, 0, 5, 0, 0xF7}));
    QCOMPARE(views->cabinets.last(), qMakePair(false, 7));
    QCOMPARE(image.globals[13], 0);
}

void TestDispatcher::globalBitFieldTunerBytesAndWindows()
{
    feed(ampMessage({0x15, 9, 0, 2, 2, 0xF7}));
    QCOMPARE(views->ebChromatic, (QList<QPair<bool, bool>>{{false, true}}));
    image.globals[9] = 0x04;
    feed(ampMessage({0x15, 9, 0, 1, 1, 0xF7})); // whole byte 05: E-flat on, chromatic off
    QCOMPARE(views->ebChromatic.last(), qMakePair(true, false));
    feed(ampMessage({0x15, 10, 0, 7, 0x55, 0xF7}));
    QCOMPARE(views->levels, QList<int>{0x55});
    QCOMPARE(views->globalsReloads, 0); // globals window closed: no reload
    QVERIFY(views->guardSeen);
    QVERIFY(views->cabinets.isEmpty());
}

void TestDispatcher::globalBitFieldIndexOutsideRecordIgnored()
{
    const auto group = image.group;
    image.globals.fill(0x11);
    const auto globals = image.globals;
    feed(ampMessage({0x15, 14, 0, 7, 0x7F, 0xF7}));
    feed(ampMessage({0x15, 0x7F, 0, 7, 0x7F, 0xF7}));
    feed(ampMessage({0x15, 3, 9, 7, 0x7F, 0xF7}));
    QCOMPARE(image.globals, globals);
    QCOMPARE(image.group, group);
    QVERIFY(!state.loadingGuard);
    feed(ampMessage({0x15, 13, 0, 5, 1, 0xF7}));
    QCOMPARE(image.globals[13], 1);
}

void TestDispatcher::tunerData()
{
    feed(ampMessage({0x17, 0x01, 0x02, 0x0A, 0x0B, 0xF7}));
    QCOMPARE(views->tuner, (QList<QPair<int, int>>{{0x12, 0xAB}}));
    feed(ampMessage({0x17, 0x01, 0x02, 0x0A})); // one nibble short
    QCOMPARE(views->tuner.size(), 1);
    // Reaches the tuner display in every TransferState.
    transfers->TransferState = 2;
    feed(amp::tunerData(0xFF, 0x00));
    QCOMPARE(views->tuner.last(), qMakePair(0xFF, 0x00));
}

void TestDispatcher::identifyReply()
{
    transfers->TransferState = 4;
    transfers->TimerSysex.start();
    feed(amp::identifyReply(0x45)); // G variant, (5 & 3F) + 16 = 15h
    QCOMPARE(transfers->TransferState, 0);
    QVERIFY(!transfers->TimerSysex.isActive());
    QVERIFY(transfers->TimerAmpFound.isActive());
    QCOMPARE(state.firmwareVersion, 0x15);
    QVERIFY(state.gVariant);
    int found = 0;
    transfers->onAmpFound = [&] { ++found; };
    transfers->TimerAmpFoundTimer();
    QCOMPARE(found, 1);

    feed(amp::identifyReply(0x3F));
    QCOMPARE(state.firmwareVersion, 0x4F);
    QVERIFY(!state.gVariant);
    feed(ampMessage({0x03})); // no version byte: ignored
    QCOMPARE(state.firmwareVersion, 0x4F);
}

void TestDispatcher::dumpsOnlyInTheirTransferState()
{
    std::array<std::uint8_t, preset::GroupSize> group;
    for (int i = 0; i < preset::GroupSize; ++i)
        group[i] = std::uint8_t(i);
    const Bytes dump = amp::groupDump(group);

    transfers->TransferState = 1;
    feed(dump);
    QVERIFY(image.group != group);

    transfers->TransferState = 2;
    transfers->TimerSysex.start();
    Bytes truncated(dump.begin(), dump.begin() + 998);
    feed(truncated);
    QVERIFY(image.group != group);
    QCOMPARE(transfers->TransferState, 2);

    image.globals.fill(0x33);
    feed(dump);
    QCOMPARE(image.group, group);
    QCOMPARE(transfers->TransferState, 0);
    QVERIFY(!transfers->TimerSysex.isActive());
    QVERIFY(std::all_of(image.globals.begin(), image.globals.end(), [](auto b) { return b == 0x33; }));

    std::array<std::uint8_t, preset::GlobalSize> globals{};
    globals[13] = 0xEE;
    transfers->TransferState = 0;
    feed(amp::globals(globals));
    QCOMPARE(image.globals[13], 0x33);
    transfers->TransferState = 3;
    feed(amp::globals(globals));
    QCOMPARE(image.globals[13], 0xEE);
}

void TestDispatcher::foreignTruncatedAndUnknownIgnored()
{
    const auto before = image.group;
    Bytes foreign = ampMessage({0x0C, 3, 0x01, 0x01, 0xF7});
    foreign[4] = 0x11;
    feed(foreign);
    feed(ampMessage({}));                          // header only
    feed(Bytes{0xF0, 0x00, 0x20});          // not even a header
    feed(ampMessage({0x0C, 3, 0x01}));             // parameter-set without its low nibble
    feed(ampMessage({0x0E, 3, 0x00, 0x01}));       // bit-field without its value
    feed(ampMessage({0x0B, 3, 0x01, 0x01, 0xF7})); // a command the editor ignores
    feed(ampMessage({0x07, 3, 0x01, 0x01, 0xF7})); // one it only ever sends
    dispatcher->MidiIn1SysEx(nullptr, 0);
    QCOMPARE(image.group, before);
    QVERIFY(!state.modified);
    QVERIFY(!state.loadingGuard);
    QCOMPARE(views->reloads, 0);
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
