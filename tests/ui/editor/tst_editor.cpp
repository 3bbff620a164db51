// SPDX-License-Identifier: GPL-3.0-or-later
// Editor panel: what each control writes into the current record and the
// exact messages that reach the Amp, counted one by one. Loading, the dual
// sets, the boost commands, the flanger reset, the global cabinet and the
// delay/tap boxes.
#include "controls/knobmath.h"
#include "controls/numberknob.h"
#include "controls/presettabs.h"
#include "editor/editorpanel.h"
#include "midi/loopbackbackend.h"
#include "model/amplists.h"
#include "session/session.h"
#include "support/ampbytes.h"
#include "support/scriptedprompter.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

using Msg = std::vector<std::uint8_t>;
using View = PresetEditor::View;

namespace {

std::uint8_t u8(int v)
{
    return std::uint8_t(v);
}

// The messages the Amp receives, written out by hand.
Msg param(int index, int value)
{
    return ampMessage({0x0C, u8(index), u8(value >> 4), u8(value & 0x0F), 0xF7});
}
Msg field(int index, int shift, int width, int value)
{
    return ampMessage({0x0E, u8(index), u8(shift), u8(width), u8(value), 0xF7});
}
Msg globalField(int index, int shift, int width, int value)
{
    return ampMessage({0x15, u8(index), u8(shift), u8(width), u8(value), 0xF7});
}
Msg tapFootswitch()
{
    return ampMessage({0x01, 0x01, 0xF7});
}
Msg singlePreset(std::span<const std::uint8_t> record)
{
    Msg m = ampMessage({0x09});
    for (std::uint8_t b : record) {
        m.push_back(b >> 4);
        m.push_back(b & 0x0F);
    }
    m.push_back(0xF7);
    return m;
}

// Messages as hex text, so a failure shows which message differs.
QString hex(const Msg &m)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(m.data()), qsizetype(m.size())).toHex(' '));
}
QStringList hexList(const std::vector<Msg> &ms)
{
    QStringList out;
    for (const Msg &m : ms)
        out << hex(m);
    return out;
}
QStringList msgs(std::initializer_list<Msg> ms)
{
    return hexList(ms);
}
// A change reaches the Amp once, however many events the knob fires for it.
QStringList once(const Msg &m)
{
    return {hex(m)};
}

// Colours as the knobs must report them (Windows 0x00BBGGRR written as RGB here).
const QColor maroon(0x80, 0, 0), red(0xFF, 0, 0), green(0, 0x80, 0), lime(0, 0xFF, 0), olive(0x80, 0x80, 0),
    yellow(0xFF, 0xFF, 0), teal(0, 0x80, 0x80), silver(0xC0, 0xC0, 0xC0), white(0xFF, 0xFF, 0xFF), black(0, 0, 0),
    gray(0x80, 0x80, 0x80);

int value(const NumberKnob *k)
{
    return int(k->GetValue());
}

QAbstractButton *radio(QButtonGroup *group, const char *text)
{
    for (QAbstractButton *b : group->buttons())
        if (b->text() == QLatin1String(text))
            return b;
    return nullptr;
}
QString checkedText(QButtonGroup *group)
{
    QAbstractButton *b = group->checkedButton();
    return b ? b->text() : QString();
}

QStringList items(QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

void mouse(QWidget &w, QEvent::Type type, QPoint local)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, local, w.mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// A point in the middle of tick t's sector, well outside the face so the
// whole-pixel rounding cannot reach the next sector.
QPoint pointForTick(const Knob &k, int t)
{
    const int h = k.Centre();
    const double a = (250.0 - 320.0 * (t + 0.5) / (k.NumTicks() - 1)) * M_PI / 180.0;
    const double r = 2.0 * h;
    return QPoint(h + int(std::lround(std::cos(a) * r)), h - int(std::lround(std::sin(a) * r)));
}

// The first byte outside the allowed bits that differs, or an empty string.
QString changedOutside(const std::array<std::uint8_t, preset::GroupSize> &before,
                       const std::array<std::uint8_t, preset::GroupSize> &after,
                       std::initializer_list<std::pair<int, std::uint8_t>> allowed)
{
    for (int i = 0; i < preset::GroupSize; ++i) {
        std::uint8_t mask = 0;
        for (auto [index, bits] : allowed)
            if (i == index)
                mask = bits;
        if ((before[i] ^ after[i]) & ~mask)
            return QStringLiteral("byte %1: %2 -> %3").arg(i).arg(before[i]).arg(after[i]);
    }
    return {};
}

// One editor panel on a session whose MIDI output is the loopback.
struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *loop = new LoopbackBackend;
    Session session{std::unique_ptr<MidiBackend>(loop), prompter};
    LoopbackBackend &backend = *loop;
    DeviceImage &image = session.editor().image();
    EditorPanel panel{session.editor(), session.globals(), session.queue()};
    qint64 now = 50000;
    QList<bool> viewItems;

    explicit Rig(std::uint8_t firmware = 0x20)
    {
        session.link().setFirmwareVersion(firmware);
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
        panel.tapTempo().Clock = [this] { return now; };
        QObject::connect(&session.editor(), &PresetEditor::viewChanged,
                         [this](View v) { viewItems << (v == View::Group); });
    }

    std::span<std::uint8_t, preset::RecordSize> rec(int slot = 0) { return image.record(slot); }
    void setRecord(int slot, const preset::Record &r) { std::copy(r.begin(), r.end(), rec(slot).begin()); }
    bool modified() { return session.document().isModified(); }

    // Knobs fire nothing before their first paint: show, paint every one,
    // then load as the main window does, and start counting from there.
    [[nodiscard]] bool start(View view = View::Single)
    {
        session.editor().setView(view);
        panel.move(60, 40);
        panel.show();
        if (!QTest::qWaitForWindowExposed(&panel))
            return false;
        panel.grab();
        const auto knobs = panel.findChildren<Knob *>();
        if (knobs.size() < 16)
            return false;
        for (Knob *k : knobs)
            if (!k->PaintedOnce())
                return false;
        panel.loadPanel();
        backend.sent.clear();
        session.editor().startHistory(false);
        viewItems.clear();
        return true;
    }

    QStringList take()
    {
        const QStringList s = hexList(backend.sent);
        backend.sent.clear();
        return s;
    }
    // A message from the Amp.
    void feed(const Msg &m) { session.transfers().receive(m.data(), int(m.size())); }
};

// The dual sections as the user sees them.
struct DualKnob {
    NumberKnob *EditorPanel::*knob;
    QColor normal, alt;
};
struct AltCase {
    QCheckBox *EditorPanel::*box;
    int bit;
    std::vector<DualKnob> knobs;
    // (byte, value) of each knob that moves when the box is checked, and
    // unchecked: shown, not sent, for the Amp switches sets by the flag.
    std::vector<std::pair<int, int>> movesOn, movesOff;
};
std::vector<AltCase> altCases()
{
    using P = EditorPanel;
    return {
        {&P::CheckBoxBoost,
         0,
         {{&P::NxNumberKnobPre, maroon, red},
          {&P::NxNumberKnobLow, green, lime},
          {&P::NxNumberKnobMid, green, lime},
          {&P::NxNumberKnobHigh, green, lime},
          {&P::NxNumberKnobPost, maroon, red}},
         {{4, 20}, {12, 20}},
         {{3, 17}, {11, 17}}},
        {&P::CheckBoxReverb, 3, {{&P::NxNumberKnobReverb, olive, yellow}}, {{14, 8}}, {{13, 0}}},
        {&P::CheckBoxMod,
         1,
         {{&P::NxNumberKnobRate, maroon, red}, {&P::NxNumberKnobDepth, maroon, red}},
         {{20, 13}},
         {{19, 0}}},
        {&P::CheckBoxDelay,
         2,
         {{&P::NxNumberKnobDLFeedback, maroon, red}, {&P::NxNumberKnobDLLevel, maroon, red}},
         {{27, 10}},
         {{26, 0}}},
    };
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void defaultRecordShown();
    void loadingSendsNothingAndKeepsTheRecord();
    void outOfRangeBytesClampedWithoutMessage();
    void ampChangesReloadWithoutEcho();
    void keyboardStepSendsOnce();
    void dragSendsEachStepOnce_data();
    void dragSendsEachStepOnce();
    void radioGroupsWriteOnlyTheirBits();
    void ampModelCabinetAndPreampBoxes();
    void flangerChoice_data();
    void flangerChoice();
    void phaserAfterFlangerGreysKnobs();
    void globalCabinetOverride();
    void globalCabinetFromAmp();
    void comboWithoutSelectionStaysInItsField();
    void altBoxShowsOtherSet_data();
    void altBoxShowsOtherSet();
    void copyPreamp_data();
    void copyPreamp();
    void copySingleSections();
    void boostAllUnboostAllRestore();
    void slotSwitchSendsWholeRecordOnly();
    void panelShowsWhatTheRecordHolds_data();
    void panelShowsWhatTheRecordHolds();
    void viewChangeMovesPanelAndAddressesSlotZero();
    void adaptToOlderFirmware();
    void delayTimeLabel_data();
    void delayTimeLabel();
    void delayTimeEditOnOldFirmware_data();
    void delayTimeEditOnOldFirmware();
    void separationAndDarkShareAByte();
    void tapMeasures_data();
    void tapMeasures();
    void tapTimerDropsTheFirstClick();
    void tapFunctionCombo_data();
    void tapFunctionCombo();
    void execSendsFootswitchOnly();
};

void TestEditor::defaultRecordShown()
{
    Rig rig;
    EditorPanel &p = rig.panel;
    // The presets show from the panel's first moment, before any paint or message.
    QCOMPARE(p.StaticText22->text(), QStringLiteral("Time = 380 ms."));
    QCOMPARE(value(p.NxNumberKnobDLTime), 95);
    QCOMPARE(p.findChild<QLineEdit *>(QStringLiteral("NxNumberKnobPreEdit"))->text(), QStringLiteral("17"));
    QVERIFY(rig.backend.sent.empty());
    QVERIFY(!p.restoreBoostSettingsAction->isEnabled());
    QVERIFY(rig.start());

    QCOMPARE(p.ComboBoxAmp->currentIndex(), 0);
    QCOMPARE(p.ComboBoxCab->currentIndex(), 0);
    QCOMPARE(p.ComboBoxMod->currentText(), QStringLiteral("Chorus"));
    QCOMPARE(p.ComboBoxTap->currentText(), QStringLiteral("Tap Tempo"));
    for (QCheckBox *box : {p.CheckBoxPad, p.CheckBoxBright, p.CheckBoxDark, p.CheckBoxGCab, p.CheckBoxBoost,
                           p.CheckBoxMod, p.CheckBoxDelay, p.CheckBoxReverb})
        QVERIFY2(!box->isChecked(), qPrintable(box->text()));
    QCOMPARE(checkedText(p.ChunkButtons), QStringLiteral("Most (sloppy)"));
    QCOMPARE(checkedText(p.PresButtons), QStringLiteral("Medium"));
    QCOMPARE(checkedText(p.ResButtons), QStringLiteral("High"));

    const std::pair<NumberKnob *, int> shown[] = {
        {p.NxNumberKnobPre, 17},         {p.NxNumberKnobLow, 17},       {p.NxNumberKnobMid, 17},
        {p.NxNumberKnobHigh, 17},        {p.NxNumberKnobPost, 17},      {p.NxNumberKnobReverb, 0},
        {p.NxNumberKnobShift, 17},       {p.NxNumberKnobRate, 3},       {p.NxNumberKnobDepth, 0},
        {p.NxNumberKnobFlangerFB, 19},   {p.NxNumberKnobFlangerDT, 10}, {p.NxNumberKnobDLTime, 95},
        {p.NxNumberKnobDLFeedback, 5},   {p.NxNumberKnobDLLevel, 0},    {p.NxNumberKnobDLScale, 13},
        {p.NxNumberKnobDLSeparation, 5},
    };
    for (auto [knob, v] : shown)
        QCOMPARE(value(knob), v);
    QCOMPARE(p.StaticText22->text(), QStringLiteral("Time = 380 ms."));
    QVERIFY(!p.NxNumberKnobFlangerFB->isEnabled());
    QVERIFY(!p.NxNumberKnobFlangerDT->isEnabled());
    QCOMPARE(p.BitBtnTap->text(), QStringLiteral("Tap"));
    QVERIFY(!p.tapTempo().timer().isActive());
    QVERIFY(!rig.session.editor().flangerTimer().isActive());
    for (int s = 0; s < preset::SlotCount; ++s)
        QVERIFY(std::equal(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), rig.rec(s).begin()));
}

void TestEditor::loadingSendsNothingAndKeepsTheRecord()
{
    Rig rig;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    // Every pair distinct and every Alt flag set, so each box changes state
    // while loading and a knob written through the wrong set shows at once.
    const preset::Record rich{0x5B, 0x6D, 0xB3, 10, 11, 12, 13, 14,  15, 16, 17, 18, 19, 4,    9,   30,
                              0xAB, 7,    8,    2,  21, 12, 14, 200, 6,  20, 3,  22, 20, 0x8B, 0xCF};
    rig.setRecord(0, rich);
    p.loadPanel();
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(!rig.modified());
    QVERIFY(!rig.session.editor().loading());
    QVERIFY(std::equal(rich.begin(), rich.end(), rig.rec().begin()));

    QVERIFY(p.CheckBoxBoost->isChecked() && p.CheckBoxMod->isChecked() && p.CheckBoxDelay->isChecked() &&
            p.CheckBoxReverb->isChecked());
    const std::pair<NumberKnob *, int> shown[] = {
        {p.NxNumberKnobPre, 11},          {p.NxNumberKnobLow, 13},       {p.NxNumberKnobMid, 15},
        {p.NxNumberKnobHigh, 17},         {p.NxNumberKnobPost, 19},      {p.NxNumberKnobReverb, 9},
        {p.NxNumberKnobShift, 30},        {p.NxNumberKnobRate, 8},       {p.NxNumberKnobDepth, 21},
        {p.NxNumberKnobFlangerFB, 12},    {p.NxNumberKnobFlangerDT, 14}, {p.NxNumberKnobDLTime, 200},
        {p.NxNumberKnobDLFeedback, 20},   {p.NxNumberKnobDLLevel, 22},   {p.NxNumberKnobDLScale, 20},
        {p.NxNumberKnobDLSeparation, 11},
    };
    for (auto [knob, v] : shown)
        QCOMPARE(value(knob), v);
    QCOMPARE(p.ComboBoxAmp->currentIndex(), 11);
    QCOMPARE(p.ComboBoxCab->currentIndex(), 5);
    QCOMPARE(p.ComboBoxMod->currentIndex(), 3);
    QCOMPARE(p.ComboBoxTap->currentIndex(), 12);
    QVERIFY(p.CheckBoxPad->isChecked()); // PadOff 0
    QVERIFY(p.CheckBoxBright->isChecked());
    QVERIFY(p.CheckBoxDark->isChecked());
    QCOMPARE(checkedText(p.ChunkButtons), QStringLiteral("Less")); // code 1
    QCOMPARE(checkedText(p.PresButtons), QStringLiteral("Low"));   // code 3
    QCOMPARE(checkedText(p.ResButtons), QStringLiteral("Medium")); // code 2
    QCOMPARE(rig.session.editor().presetCabinet(), 5);
    QCOMPARE(p.NxNumberKnobPre->Color(), red);
    QCOMPARE(p.StaticText22->text(), QStringLiteral("Time = 1020 ms.")); // 1033 capped

    // And back: every box changes state again, still silent.
    rig.setRecord(0, preset::DefaultRecord);
    p.loadPanel();
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(!rig.modified());
    QVERIFY(std::equal(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), rig.rec().begin()));
    QVERIFY(!p.CheckBoxBoost->isChecked());
    QCOMPARE(value(p.NxNumberKnobPre), 17);
    QCOMPARE(p.NxNumberKnobPre->Color(), maroon);
}

void TestEditor::outOfRangeBytesClampedWithoutMessage()
{
    Rig rig;
    QVERIFY(rig.start());
    auto r = rig.rec();
    r[3] = 0;   // PreGain 1..33
    r[23] = 0;  // DLTime 1..255
    r[17] = 40; // ModRate 1..25
    r[13] = 50; // ReverbLevel 0..33
    r[16] = 0xEE;
    rig.panel.loadPanel();
    QCOMPARE(value(rig.panel.NxNumberKnobPre), 1);
    QCOMPARE(value(rig.panel.NxNumberKnobDLTime), 1);
    QCOMPARE(value(rig.panel.NxNumberKnobRate), 25);
    QCOMPARE(value(rig.panel.NxNumberKnobReverb), 33);
    // Showing writes nothing back: values are made valid where records
    // enter (files, the library, the Amp), never by the panel.
    QCOMPARE(r[3], std::uint8_t(0));
    QCOMPARE(r[23], std::uint8_t(0));
    QCOMPARE(r[17], std::uint8_t(40));
    QCOMPARE(r[13], std::uint8_t(50));
    QCOMPARE(r[16], std::uint8_t(0xEE)); // carried, no control
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(!rig.modified());
    QCOMPARE(rig.panel.StaticText22->text(), QStringLiteral("Time = 4 ms."));
}

void TestEditor::ampChangesReloadWithoutEcho()
{
    Rig rig(0x14);
    rig.rec()[21] = 5;
    rig.rec()[22] = 7;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    rig.feed(field(30, 0, 1, 1)); // the Amp switched its Boost on
    QVERIFY(p.CheckBoxBoost->isChecked());
    QCOMPARE(value(p.NxNumberKnobPre), 20);
    QCOMPARE(value(p.NxNumberKnobPost), 20);
    QCOMPARE(p.NxNumberKnobPre->Color(), red);
    QCOMPARE(rig.rec()[3], std::uint8_t(17));
    QCOMPARE(rig.rec()[4], std::uint8_t(20));
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(rig.modified());
    QVERIFY(!rig.session.editor().loading());

    // A flanger chosen on the Amp is shown, but only the user's own choice
    // resets and resends the flanger values.
    rig.feed(field(2, 0, 4, 1));
    QCOMPARE(p.ComboBoxMod->currentIndex(), 1);
    QVERIFY(p.NxNumberKnobFlangerFB->isEnabled());
    QCOMPARE(rig.rec()[21], std::uint8_t(5));
    QCOMPARE(rig.rec()[22], std::uint8_t(7));
    QVERIFY(!rig.session.editor().flangerHold());
    QVERIFY(!rig.session.editor().flangerTimer().isActive());

    rig.feed(param(23, 125));
    QCOMPARE(value(p.NxNumberKnobDLTime), 125);
    QCOMPARE(p.StaticText22->text(), QStringLiteral("Time = 500 ms."));
    QCOMPARE(rig.take(), QStringList());

    // A knob's byte moves that knob alone; a value out of range is made
    // valid as it comes in, and the Amp gets the valid one back.
    QCOMPARE(value(p.NxNumberKnobLow), 17);
    rig.feed(param(6, 40)); // Low's Alt byte, shown while Boost is on
    QCOMPARE(value(p.NxNumberKnobLow), 33);
    QCOMPARE(rig.rec()[6], std::uint8_t(33));
    QCOMPARE(p.findChild<QLineEdit *>(QStringLiteral("NxNumberKnobLowEdit"))->text(), QStringLiteral("33"));
    QCOMPARE(rig.take(), once(param(6, 33)));
    rig.feed(param(5, 2)); // the normal byte, not shown: nothing moves
    QCOMPARE(value(p.NxNumberKnobLow), 33);
    QCOMPARE(rig.rec()[5], std::uint8_t(2));
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(!rig.session.editor().loading());
}

void TestEditor::keyboardStepSendsOnce()
{
    Rig rig;
    QVERIFY(rig.start());
    auto r = rig.rec();
    QTest::keyClick(rig.panel.NxNumberKnobPre, Qt::Key_Up);
    QCOMPARE(r[3], std::uint8_t(18));
    QCOMPARE(r[4], std::uint8_t(20));
    QCOMPARE(rig.take(), once(param(3, 18)));
    QVERIFY(rig.modified());

    rig.panel.CheckBoxBoost->setChecked(true);
    rig.take();
    QTest::keyClick(rig.panel.NxNumberKnobPre, Qt::Key_Up);
    QCOMPARE(r[3], std::uint8_t(18));
    QCOMPARE(r[4], std::uint8_t(21));
    QCOMPARE(rig.take(), once(param(4, 21)));
}

void TestEditor::dragSendsEachStepOnce_data()
{
    QTest::addColumn<bool>("alt");
    QTest::addColumn<int>("index");
    QTest::newRow("normal set") << false << 17;
    QTest::newRow("alt set") << true << 18;
}

void TestEditor::dragSendsEachStepOnce()
{
    QFETCH(bool, alt);
    QFETCH(int, index);
    Rig rig;
    QVERIFY(rig.start());
    if (alt) {
        rig.panel.CheckBoxMod->setChecked(true);
        rig.take();
    }
    NumberKnob *k = rig.panel.NxNumberKnobRate;
    QCOMPARE(value(k), 3);
    QCOMPARE(k->NumTicks(), 25);
    const int h = k->Centre();

    // A press alone changes nothing, wherever the drawn tip reads back.
    mouse(*k, QEvent::MouseButtonPress, QPoint(h, h));
    QVERIFY(k->Dragging());
    QCOMPARE(k->Tick(), 2);
    QCOMPARE(rig.take(), QStringList());

    QStringList expected;
    for (int t : {3, 4, 5}) {
        const QPoint at = pointForTick(*k, t);
        QCOMPARE(knobmath::tickFromPoint(at, h, 25), t);
        mouse(*k, QEvent::MouseMove, at);
        QCOMPARE(k->Tick(), t);
        expected << hex(param(index, t + 1));
    }
    QCOMPARE(rig.take(), expected); // one per step while the button is held
    mouse(*k, QEvent::MouseButtonRelease, pointForTick(*k, 5));
    QCOMPARE(rig.take(), QStringList()); // the release brings nothing new
    QCOMPARE(rig.rec()[index], std::uint8_t(6));
    QCOMPARE(rig.rec()[alt ? 17 : 18], std::uint8_t(3));
}

void TestEditor::radioGroupsWriteOnlyTheirBits()
{
    Rig rig;
    QVERIFY(rig.start()); // shows presence "Medium"
    EditorPanel &p = rig.panel;
    auto r = rig.rec();
    r[1] = 0x5E; // lows code 1, pad off, model code 14
    r[2] = 0x42; // resonance code 1, presence code 0, phaser
    p.loadPanel();
    QVERIFY(!p.PresButtons->checkedButton()); // code 0: no item
    QCOMPARE(checkedText(p.ResButtons), QStringLiteral("Low"));
    QCOMPARE(checkedText(p.ChunkButtons), QStringLiteral("Less"));
    QCOMPARE(r[2], std::uint8_t(0x42));
    QCOMPARE(rig.take(), QStringList());

    struct Click {
        QButtonGroup *group;
        const char *text;
        int index;
        std::uint8_t byte;
        Msg sent;
    };
    const Click clicks[] = {
        {p.PresButtons, "Low", 2, 0x72, field(2, 4, 2, 3)},
        {p.PresButtons, "High", 2, 0x52, field(2, 4, 2, 1)},
        {p.ResButtons, "High", 2, 0xD2, field(2, 6, 2, 3)},
        {p.ResButtons, "Medium", 2, 0x92, field(2, 6, 2, 2)},
        {p.ChunkButtons, "More", 1, 0x9E, field(1, 6, 2, 2)}, // the middle items are crossed
        {p.ChunkButtons, "Least (tight)", 1, 0xDE, field(1, 6, 2, 3)},
        {p.ChunkButtons, "Most (sloppy)", 1, 0x1E, field(1, 6, 2, 0)},
    };
    for (const Click &c : clicks) {
        QAbstractButton *b = radio(c.group, c.text);
        QVERIFY2(b, c.text);
        b->click();
        QCOMPARE(r[c.index], c.byte);
        QCOMPARE(rig.take(), msgs({c.sent}));
    }
    QVERIFY(rig.modified());
}

void TestEditor::ampModelCabinetAndPreampBoxes()
{
    Rig rig;
    auto r = rig.rec();
    r[0] = 0x30; // cabinet 3, model 0
    r[1] = 0xFE; // lows 3, bright, pad off, model code 14
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    p.ComboBoxAmp->setCurrentIndex(6);
    QCOMPARE(r[0], std::uint8_t(0x36));
    QCOMPARE(r[1], std::uint8_t(0xFD)); // model code 13, only in the record
    QCOMPARE(rig.take(), msgs({field(0, 0, 4, 6)}));
    QVERIFY(rig.modified());
    p.ComboBoxAmp->setCurrentIndex(2);
    QCOMPARE(r[1], std::uint8_t(0xFB));
    QCOMPARE(rig.take(), msgs({field(0, 0, 4, 2)}));
    p.ComboBoxAmp->setCurrentIndex(13); // a newer model: the code is ours to pick, the rest stays
    QCOMPARE(r[0], std::uint8_t(0x3D));
    QCOMPARE(r[1] & 0xF0, 0xF0);
    QCOMPARE(rig.take(), msgs({field(0, 0, 4, 13)}));

    p.ComboBoxCab->setCurrentIndex(9);
    QCOMPARE(r[0], std::uint8_t(0x9D));
    QCOMPARE(rig.take(), msgs({field(0, 4, 4, 9)}));
    QCOMPARE(rig.image.globals[13], std::uint8_t(0));

    const std::uint8_t model = r[1] & 0x0F;
    p.CheckBoxPad->setChecked(true);
    QCOMPARE(r[1], std::uint8_t(0xE0 | model));
    QCOMPARE(rig.take(), msgs({field(1, 4, 1, 0)}));
    p.CheckBoxBright->setChecked(false);
    QCOMPARE(r[1], std::uint8_t(0xC0 | model));
    QCOMPARE(rig.take(), msgs({field(1, 5, 1, 0)}));

    // 0x1E is pad off, 0x0E pad on.
    r[1] = 0x1E;
    p.loadPanel();
    QVERIFY(!p.CheckBoxPad->isChecked());
    r[1] = 0x0E;
    p.loadPanel();
    QVERIFY(p.CheckBoxPad->isChecked());
    QCOMPARE(r[1], std::uint8_t(0x0E));
    QCOMPARE(rig.take(), QStringList());
}

void TestEditor::flangerChoice_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<bool>("reset");
    QTest::newRow("2.0") << 0x20 << false;
    QTest::newRow("1.5") << 0x15 << false;
    QTest::newRow("1.4") << 0x14 << true;
    QTest::newRow("1.0") << 0x10 << true;
}

void TestEditor::flangerChoice()
{
    QFETCH(int, firmware);
    QFETCH(bool, reset);
    Rig rig(u8(firmware));
    auto r = rig.rec();
    r[2] = 0xA0; // resonance 2, presence 2, chorus
    r[21] = 5;
    r[22] = 7;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    p.ComboBoxMod->setCurrentIndex(1);
    QCOMPARE(r[2], std::uint8_t(0xA1));
    QVERIFY(p.NxNumberKnobFlangerFB->isEnabled());
    QVERIFY(p.NxNumberKnobFlangerDT->isEnabled());
    QCOMPARE(p.NxNumberKnobFlangerFB->Color(), teal);
    QCOMPARE(p.NxNumberKnobFlangerDT->Color(), teal);
    if (!reset) {
        QCOMPARE(rig.take(), msgs({field(2, 0, 4, 1)}));
        QCOMPARE(r[21], std::uint8_t(5));
        QCOMPARE(r[22], std::uint8_t(7));
        QVERIFY(!rig.session.editor().flangerHold());
        QVERIFY(!rig.session.editor().flangerTimer().isActive());
        return;
    }

    QCOMPARE(rig.take(), msgs({field(2, 0, 4, 1), param(22, 10), param(21, 19)}));
    QCOMPARE(r[21], std::uint8_t(19));
    QCOMPARE(r[22], std::uint8_t(10));
    QCOMPARE(value(p.NxNumberKnobFlangerFB), 19);
    QCOMPARE(value(p.NxNumberKnobFlangerDT), 10);
    QVERIFY(rig.session.editor().flangerHold());
    QVERIFY(rig.session.editor().flangerTimer().isActive());
    QCOMPARE(rig.session.editor().flangerTimer().interval(), 250);

    // The Amp's echoes of the old flanger values do not undo the reset...
    rig.feed(param(21, 3));
    rig.feed(field(22, 0, 5, 2));
    QCOMPARE(r[21], std::uint8_t(19));
    QCOMPARE(r[22], std::uint8_t(10));
    rig.feed(param(20, 9)); // ...while other bytes still apply
    QCOMPARE(r[20], std::uint8_t(9));
    QCOMPARE(rig.take(), QStringList());

    rig.session.editor().endFlangerHold();
    QVERIFY(!rig.session.editor().flangerHold());
    QVERIFY(!rig.session.editor().flangerTimer().isActive());
    rig.feed(param(21, 3));
    QCOMPARE(r[21], std::uint8_t(3));
    QCOMPARE(value(p.NxNumberKnobFlangerFB), 3);
    QCOMPARE(rig.take(), QStringList());
}

void TestEditor::phaserAfterFlangerGreysKnobs()
{
    Rig rig;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    p.ComboBoxMod->setCurrentIndex(1);
    QCOMPARE(rig.take(), msgs({field(2, 0, 4, 1)}));
    QTest::keyClick(p.NxNumberKnobFlangerFB, Qt::Key_Up);
    QCOMPARE(rig.take(), once(param(21, 20)));

    p.ComboBoxMod->setCurrentIndex(2);
    QCOMPARE(rig.take(), msgs({field(2, 0, 4, 2)}));
    QCOMPARE(rig.rec()[2], std::uint8_t(0xE2));
    QCOMPARE(rig.rec()[21], std::uint8_t(20));
    QCOMPARE(rig.rec()[22], std::uint8_t(10));
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (NumberKnob *k : {p.NxNumberKnobFlangerFB, p.NxNumberKnobFlangerDT}) {
        QVERIFY(!k->isEnabled());
        QCOMPARE(k->Color(), face);
    }
    QCOMPARE(value(p.NxNumberKnobFlangerFB), 20);
}

void TestEditor::globalCabinetOverride()
{
    Rig rig;
    rig.rec()[0] = 0x70; // cabinet 7
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    QCOMPARE(p.ComboBoxCab->currentIndex(), 7);

    p.CheckBoxGCab->setChecked(true);
    QCOMPARE(rig.image.globals[13], std::uint8_t(8));
    QCOMPARE(rig.take(), msgs({globalField(13, 0, 5, 8)}));
    QVERIFY(!rig.modified());
    QCOMPARE(rig.rec()[0], std::uint8_t(0x70));

    // While the override is on the list edits the global byte, never the preset.
    p.ComboBoxCab->setCurrentIndex(3);
    QCOMPARE(rig.image.globals[13], std::uint8_t(4));
    QCOMPARE(rig.take(), msgs({globalField(13, 0, 5, 4)}));
    QCOMPARE(rig.rec()[0], std::uint8_t(0x70));
    QVERIFY(!rig.modified());

    // Loading keeps showing the global cabinet but remembers the preset's.
    rig.rec()[0] = 0x20;
    p.loadPanel();
    QCOMPARE(p.ComboBoxCab->currentIndex(), 3);
    QVERIFY(p.CheckBoxGCab->isChecked());
    QCOMPARE(rig.session.editor().presetCabinet(), 2);
    QCOMPARE(rig.take(), QStringList());

    p.CheckBoxGCab->setChecked(false);
    QCOMPARE(rig.image.globals[13], std::uint8_t(0));
    QCOMPARE(p.ComboBoxCab->currentIndex(), 2);
    QCOMPARE(rig.take(), msgs({globalField(13, 0, 5, 0)}));
    QCOMPARE(rig.rec()[0], std::uint8_t(0x20));
    QVERIFY(!rig.modified());
}

void TestEditor::globalCabinetFromAmp()
{
    Rig rig;
    rig.rec()[0] = 0x20;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    rig.feed(globalField(13, 0, 5, 5));
    QVERIFY(p.CheckBoxGCab->isChecked());
    QCOMPARE(p.ComboBoxCab->currentIndex(), 4);
    QCOMPARE(rig.image.globals[13], std::uint8_t(5)); // the Amp's value, not rewritten from the list

    rig.feed(globalField(13, 0, 5, 0));
    QVERIFY(!p.CheckBoxGCab->isChecked());
    QCOMPARE(p.ComboBoxCab->currentIndex(), 2);
    QCOMPARE(rig.image.globals[13], std::uint8_t(0));

    rig.feed(globalField(13, 0, 5, 30)); // beyond the list
    QVERIFY(p.CheckBoxGCab->isChecked());
    QCOMPARE(rig.image.globals[13], std::uint8_t(30));
    QCOMPARE(rig.rec()[0], std::uint8_t(0x20));
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(!rig.modified());
}

void TestEditor::comboWithoutSelectionStaysInItsField()
{
    Rig rig(0x14);
    auto r = rig.rec();
    r[0] = 0x57;
    r[1] = 0xEB;
    r[2] = 0xB3;
    r[30] = 0x9A;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    const auto globals = rig.image.globals;

    auto before = rig.image.group;
    p.ComboBoxAmp->setCurrentIndex(-1);
    QCOMPARE(changedOutside(before, rig.image.group, {{0, 0x0F}, {1, 0x0F}}), QString());
    before = rig.image.group;
    p.ComboBoxCab->setCurrentIndex(-1);
    QCOMPARE(changedOutside(before, rig.image.group, {{0, 0xF0}}), QString());
    before = rig.image.group;
    p.ComboBoxMod->setCurrentIndex(-1);
    QCOMPARE(changedOutside(before, rig.image.group, {{2, 0x0F}}), QString());
    QVERIFY(!rig.session.editor().flangerHold());
    before = rig.image.group;
    p.ComboBoxTap->setCurrentIndex(-1);
    QCOMPARE(changedOutside(before, rig.image.group, {{30, 0xF0}}), QString());
    QVERIFY(globals == rig.image.globals);

    p.ComboBoxCab->setCurrentIndex(4);
    p.CheckBoxGCab->setChecked(true);
    QCOMPARE(rig.image.globals[13], std::uint8_t(5));
    before = rig.image.group;
    p.ComboBoxCab->setCurrentIndex(-1);
    QCOMPARE(rig.image.globals[13], std::uint8_t(5));
    QCOMPARE(changedOutside(before, rig.image.group, {}), QString());
}

void TestEditor::altBoxShowsOtherSet_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("preamp") << 0;
    QTest::newRow("reverb") << 1;
    QTest::newRow("modulation") << 2;
    QTest::newRow("delay") << 3;
}

void TestEditor::altBoxShowsOtherSet()
{
    QFETCH(int, row);
    const AltCase c = altCases()[row];
    Rig rig;
    rig.rec()[30] = 0xF0; // tap function 15 must survive the flag writes
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    QCheckBox *box = p.*c.box;
    for (const DualKnob &k : c.knobs) {
        QCOMPARE((p.*k.knob)->Color(), k.normal);
        QCOMPARE((p.*k.knob)->OuterTickColor(), silver);
        QCOMPARE((p.*k.knob)->InnerTickColor(), white);
    }

    box->setChecked(true);
    QCOMPARE(rig.rec()[30], std::uint8_t(0xF0 | (1 << c.bit)));
    const auto shown = [&](int v) {
        return std::any_of(c.knobs.begin(), c.knobs.end(), [&](const DualKnob &k) { return value(p.*k.knob) == v; });
    };
    QCOMPARE(rig.take(), msgs({field(30, c.bit, 1, 1)}));
    for (auto [index, v] : c.movesOn)
        QVERIFY2(shown(v), qPrintable(QString::number(index)));
    for (const DualKnob &k : c.knobs) {
        QCOMPARE((p.*k.knob)->Color(), k.alt);
        QCOMPARE((p.*k.knob)->OuterTickColor(), black);
        QCOMPARE((p.*k.knob)->InnerTickColor(), gray);
    }
    for (int i = 0; i < 30; ++i)
        QCOMPARE(rig.rec()[i], preset::DefaultRecord[i]);

    box->setChecked(false);
    QCOMPARE(rig.rec()[30], std::uint8_t(0xF0));
    QCOMPARE(rig.take(), msgs({field(30, c.bit, 1, 0)}));
    for (auto [index, v] : c.movesOff)
        QVERIFY2(shown(v), qPrintable(QString::number(index)));
    for (const DualKnob &k : c.knobs) {
        QCOMPARE((p.*k.knob)->Color(), k.normal);
        QCOMPARE((p.*k.knob)->OuterTickColor(), silver);
        QCOMPARE((p.*k.knob)->InnerTickColor(), white);
    }
}

void TestEditor::copyPreamp_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<bool>("altShown");
    QTest::addColumn<QStringList>("expected");
    // Normal bytes 3..11 hold 21..25, Alt bytes 4..12 hold 11..15.
    const QStringList toAlt = msgs({param(4, 21), param(6, 22), param(8, 23), param(10, 24), param(12, 25)});
    const QStringList toNormal = msgs({param(3, 11), param(5, 12), param(7, 13), param(9, 14), param(11, 15)});
    QTest::newRow("2.0, normal shown") << 0x20 << false << toAlt;
    QTest::newRow("1.5, alt shown") << 0x15 << true << toNormal;
    QTest::newRow("1.4, normal shown") << 0x14 << false
                                       << toAlt + msgs({field(30, 0, 1, 1)}) + toAlt + msgs({field(30, 0, 1, 0)});
    QTest::newRow("1.4, alt shown") << 0x14 << true
                                    << toNormal + msgs({field(30, 0, 1, 0)}) + toNormal + msgs({field(30, 0, 1, 1)});
}

void TestEditor::copyPreamp()
{
    QFETCH(int, firmware);
    QFETCH(bool, altShown);
    QFETCH(QStringList, expected);
    Rig rig(u8(firmware));
    auto r = rig.rec();
    for (int i = 0; i < 5; ++i) {
        r[3 + 2 * i] = u8(21 + i);
        r[4 + 2 * i] = u8(11 + i);
    }
    r[30] = altShown ? 0x51 : 0x50;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    p.SyncBoost->trigger();
    QCOMPARE(rig.take(), expected);
    const int source = altShown ? 4 : 3, dest = altShown ? 3 : 4;
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(r[source + 2 * i], u8((altShown ? 11 : 21) + i));
        QCOMPARE(r[dest + 2 * i], u8((altShown ? 11 : 21) + i));
    }
    QCOMPARE(r[30], std::uint8_t(altShown ? 0x51 : 0x50));
    QCOMPARE(p.CheckBoxBoost->isChecked(), altShown);
    QCOMPARE(value(p.NxNumberKnobPre), altShown ? 11 : 21);
    QVERIFY(rig.modified());
}

void TestEditor::copySingleSections()
{
    Rig rig;
    auto r = rig.rec();
    r[13] = 4;
    r[14] = 9;
    r[17] = 7;
    r[18] = 8;
    r[19] = 2;
    r[20] = 21;
    r[24] = 6;
    r[25] = 20;
    r[26] = 3;
    r[27] = 22;
    r[30] = 0x0C; // reverb and delay Alt shown, modulation normal
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    p.SyncReverb->trigger();
    QCOMPARE(rig.take(), msgs({param(13, 9)}));
    QCOMPARE(r[13], std::uint8_t(9));
    QCOMPARE(r[14], std::uint8_t(9));

    p.SyncDelay->trigger(); // the delay box alone decides
    QCOMPARE(rig.take(), msgs({param(24, 20), param(26, 22)}));
    QCOMPARE(r[24], std::uint8_t(20));
    QCOMPARE(r[26], std::uint8_t(22));
    QCOMPARE(r[18], std::uint8_t(8));
    QCOMPARE(r[20], std::uint8_t(21));

    p.SyncMod->trigger();
    QCOMPARE(rig.take(), msgs({param(18, 7), param(20, 2)}));
    QCOMPARE(r[17], std::uint8_t(7));
    QCOMPARE(r[20], std::uint8_t(2));
    QCOMPARE(r[30], std::uint8_t(0x0C));
    QCOMPARE(value(p.NxNumberKnobRate), 7);
    QCOMPARE(value(p.NxNumberKnobDLLevel), 22);
}

void TestEditor::boostAllUnboostAllRestore()
{
    Rig rig;
    const QList<int> boosted{0, 3, 7};
    for (int s = 0; s < preset::SlotCount; ++s)
        rig.rec(s)[30] = u8((s << 4) | (boosted.contains(s) ? 1 : 0));
    QVERIFY(rig.start(View::Group));
    EditorPanel &p = rig.panel;
    auto boostBits = [&] {
        QList<int> on;
        for (int s = 0; s < preset::SlotCount; ++s) {
            if (rig.rec(s)[30] >> 4 != s)
                return QList<int>{-1}; // the tap function was touched
            if (rig.rec(s)[30] & 1)
                on << s;
        }
        return on;
    };
    QList<int> all;
    for (int s = 0; s < preset::SlotCount; ++s)
        all << s;
    QVERIFY(rig.session.editor().boostSnapshotArmed());
    QVERIFY(!p.restoreBoostSettingsAction->isEnabled());
    QVERIFY(p.CheckBoxBoost->isChecked());

    // The current slot is already boosted: only the others change, silently;
    // but they are changed presets, and closing asks about them.
    p.boostAllTabsAction->trigger();
    QCOMPARE(boostBits(), all);
    QCOMPARE(rig.take(), QStringList());
    QVERIFY(rig.modified());
    QVERIFY(p.restoreBoostSettingsAction->isEnabled());
    QVERIFY(!rig.session.editor().boostSnapshotArmed());

    p.unboostAllTabsAction->trigger();
    QCOMPARE(boostBits(), QList<int>());
    QVERIFY(!p.CheckBoxBoost->isChecked());
    QCOMPARE(rig.take(), msgs({field(30, 0, 1, 0)}));

    p.restoreBoostSettingsAction->trigger();
    QCOMPARE(boostBits(), boosted);
    QVERIFY(p.CheckBoxBoost->isChecked());
    QCOMPARE(rig.take(), msgs({field(30, 0, 1, 1)}));
    QVERIFY(!p.restoreBoostSettingsAction->isEnabled());

    // Still disarmed: a second round restores the first snapshot, not what
    // the slots held just before it.
    rig.rec(5)[30] |= 1;
    p.boostAllTabsAction->trigger();
    p.restoreBoostSettingsAction->trigger();
    QCOMPARE(boostBits(), boosted);

    // Single view keeps the menu item as it is; entering group view re-arms.
    p.unboostAllTabsAction->trigger();
    rig.session.editor().setView(View::Single);
    QVERIFY(p.restoreBoostSettingsAction->isEnabled());
    QVERIFY(!rig.session.editor().boostSnapshotArmed());
    rig.session.editor().setView(View::Group);
    QVERIFY(!p.restoreBoostSettingsAction->isEnabled());
    QVERIFY(rig.session.editor().boostSnapshotArmed());
    rig.session.editor().setView(View::Group); // again, already in group view
    QVERIFY(rig.session.editor().boostSnapshotArmed());
    rig.rec(5)[30] |= 1;
    rig.rec(9)[30] |= 1;
    p.boostAllTabsAction->trigger();
    QVERIFY(p.restoreBoostSettingsAction->isEnabled());
    p.restoreBoostSettingsAction->trigger();
    QCOMPARE(boostBits(), (QList<int>{5, 9}));
}

void TestEditor::slotSwitchSendsWholeRecordOnly()
{
    Rig rig;
    auto b3 = rig.rec(6);
    b3[0] = 0x42;
    b3[3] = 30;
    b3[4] = 31;
    b3[16] = 0x77;
    b3[30] = 0x01;
    QVERIFY(rig.start(View::Group));
    EditorPanel &p = rig.panel;
    QCOMPARE(p.presetTabs->count(), 16);
    QCOMPARE(p.presetTabs->tabText(0), QStringLiteral("A1"));
    QCOMPARE(p.presetTabs->tabText(6), QStringLiteral("B3"));
    QCOMPARE(p.presetTabs->tabText(15), QStringLiteral("D4"));
    preset::Record before;
    std::copy(b3.begin(), b3.end(), before.begin());

    QTest::mouseClick(p.presetTabs, Qt::LeftButton, {}, p.presetTabs->tabRect(6).center());
    QCOMPARE(p.presetTabs->currentIndex(), 6);
    QCOMPARE(rig.panel.presetTabs->currentIndex(), 6);
    QCOMPARE(rig.session.editor().currentSlot(), 6);
    QCOMPARE(rig.take(), msgs({singlePreset(before)}));
    QVERIFY(!rig.modified());
    QVERIFY(std::equal(before.begin(), before.end(), b3.begin()));
    QVERIFY(p.CheckBoxBoost->isChecked());
    QCOMPARE(value(p.NxNumberKnobPre), 31);
    QCOMPARE(p.ComboBoxAmp->currentIndex(), 2);
    QCOMPARE(p.ComboBoxCab->currentIndex(), 4);

    // Edits now address the selected slot.
    QTest::keyClick(p.NxNumberKnobPre, Qt::Key_Up);
    QCOMPARE(b3[4], std::uint8_t(32));
    QCOMPARE(rig.rec(0)[4], std::uint8_t(20));
    QCOMPARE(rig.take(), once(param(4, 32)));
}

void TestEditor::viewChangeMovesPanelAndAddressesSlotZero()
{
    Rig rig;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    QVERIFY(!p.presetTabs->isVisible());
    QCOMPARE(p.PanelBox()->y(), EditorPanel::SingleTop);

    rig.session.editor().setView(View::Group);
    QVERIFY(p.presetTabs->isVisible());
    QVERIFY(p.PanelBox()->y() >= EditorPanel::GroupTop);
    QVERIFY(rig.session.editor().view() == View::Group);
    QCOMPARE(rig.viewItems, QList<bool>{true});
    p.presetTabs->setCurrentIndex(5);
    QCOMPARE(rig.take().size(), 1);

    rig.session.editor().setView(View::Single);
    QVERIFY(!p.presetTabs->isVisible());
    QCOMPARE(p.presetTabs->currentIndex(), 0);
    QCOMPARE(rig.panel.presetTabs->currentIndex(), 0);
    QVERIFY(rig.session.editor().view() == View::Single);
    QCOMPARE(p.PanelBox()->y(), EditorPanel::SingleTop);
    QCOMPARE(rig.viewItems, (QList<bool>{true, false}));
    QCOMPARE(rig.take(), QStringList()); // no slot switch

    QTest::keyClick(p.NxNumberKnobPre, Qt::Key_Up);
    p.CheckBoxBright->setChecked(true);
    QCOMPARE(rig.rec(0)[3], std::uint8_t(18));
    QCOMPARE(rig.rec(0)[1], std::uint8_t(0x3E));
    QCOMPARE(rig.rec(5)[3], std::uint8_t(17));
    QCOMPARE(rig.rec(5)[1], std::uint8_t(0x1E));
    QCOMPARE(rig.take(), once(param(3, 18)) + msgs({field(1, 5, 1, 1)}));
}

void TestEditor::adaptToOlderFirmware()
{
    {
        Rig rig(0x17);
        auto r = rig.rec();
        r[0] = 0xED; // cabinet 14, model 13: both newer entries
        r[2] = 0xA5; // octaver
        QVERIFY(rig.start());
        preset::Record before;
        std::copy(r.begin(), r.end(), before.begin());
        EditorPanel &p = rig.panel;
        p.adaptToFirmware(0x17);
        // The newer entries go; a value the list no longer has shows as one of its own.
        QCOMPARE(items(p.ComboBoxAmp), amplists::ampModels().mid(0, 12) << QStringLiteral("Unknown (13)"));
        QCOMPARE(items(p.ComboBoxCab), amplists::cabinets().mid(0, 12) << QStringLiteral("Unknown (14)"));
        QCOMPARE(items(p.ComboBoxMod), amplists::modulationTypes().mid(0, 5) << QStringLiteral("Unknown (5)"));
        QCOMPARE(p.ComboBoxAmp->currentIndex(), 12);
        QCOMPARE(p.ComboBoxTap->count(), 16); // the tap list keeps every entry
        // A known value takes the extra entry away again.
        r[0] = 0x21;
        r[2] = 0xA2;
        p.loadPanel();
        QCOMPARE(p.ComboBoxAmp->count(), 12);
        QCOMPARE(p.ComboBoxCab->count(), 12);
        QCOMPARE(p.ComboBoxMod->count(), 5);
        for (QComboBox *box : {p.ComboBoxAmp, p.ComboBoxCab, p.ComboBoxMod})
            for (const QString &text : items(box))
                QVERIFY2(!text.contains(QLatin1String("(2.0)")), qPrintable(text));
        r[0] = 0xED;
        r[2] = 0xA5;
        QVERIFY(items(p.ComboBoxTap).contains(QStringLiteral("2/3 BPM Tap (2.0)")));
        QVERIFY(!p.CheckBoxGCab->isEnabled());
        // Shortening the lists is no edit.
        QCOMPARE(rig.take(), QStringList());
        QVERIFY(std::equal(before.begin(), before.end(), r.begin()));
        QVERIFY(!rig.modified());
    }
    {
        Rig rig(0x18);
        QVERIFY(rig.start());
        rig.panel.adaptToFirmware(0x18);
        QCOMPARE(rig.panel.ComboBoxAmp->count(), 16);
        QCOMPARE(rig.panel.ComboBoxCab->count(), 16);
        QCOMPARE(items(rig.panel.ComboBoxMod).last(), QStringLiteral("Octaver (2.0)"));
        QVERIFY(rig.panel.CheckBoxGCab->isEnabled());
    }
}

void TestEditor::delayTimeLabel_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("label");
    QTest::newRow("factor 1") << 95 << 13 << "Time = 380 ms.";
    QTest::newRow("capped") << 255 << 25 << "Time = 1020 ms.";
    QTest::newRow("half") << 100 << 1 << "Time = 200 ms.";
    QTest::newRow("shortest") << 1 << 1 << "Time = 2 ms.";
    QTest::newRow("1.5 below cap") << 160 << 25 << "Time = 960 ms.";
    QTest::newRow("rounded up") << 95 << 14 << "Time = 396 ms."; // 395.83
}

void TestEditor::delayTimeLabel()
{
    QFETCH(int, base);
    QFETCH(int, scale);
    QFETCH(QString, label);
    Rig rig;
    QVERIFY(rig.start());
    rig.rec()[23] = u8(base);
    rig.rec()[28] = u8(scale);
    rig.rec()[29] = 0x99; // separation and Dark do not enter it
    rig.panel.loadPanel();
    QCOMPARE(rig.panel.StaticText22->text(), label);

    // And it follows the knobs.
    rig.rec()[23] = 95;
    rig.rec()[28] = 12;
    rig.panel.loadPanel();
    QTest::keyClick(rig.panel.NxNumberKnobDLScale, Qt::Key_Up);
    QCOMPARE(rig.panel.StaticText22->text(), QStringLiteral("Time = 380 ms."));
    QTest::keyClick(rig.panel.NxNumberKnobDLTime, Qt::Key_Down);
    QCOMPARE(rig.panel.StaticText22->text(), QStringLiteral("Time = 376 ms."));
}

void TestEditor::delayTimeEditOnOldFirmware_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("2.0") << 0x20 << once(param(23, 96));
    QTest::newRow("1.5") << 0x15 << once(param(23, 96));
    QTest::newRow("1.4") << 0x14 << msgs({param(23, 96), field(29, 5, 1, 0)});
}

void TestEditor::delayTimeEditOnOldFirmware()
{
    QFETCH(int, firmware);
    QFETCH(QStringList, expected);
    Rig rig(u8(firmware));
    QVERIFY(rig.start());
    QTest::keyClick(rig.panel.NxNumberKnobDLTime, Qt::Key_Up);
    QCOMPARE(rig.rec()[23], std::uint8_t(96));
    QCOMPARE(rig.take(), expected);
    QCOMPARE(rig.panel.StaticText22->text(), QStringLiteral("Time = 384 ms."));
}

void TestEditor::separationAndDarkShareAByte()
{
    Rig rig;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    QTest::keyClick(p.NxNumberKnobDLSeparation, Qt::Key_End);
    QCOMPARE(rig.rec()[29], std::uint8_t(25));
    QCOMPARE(rig.take(), once(field(29, 0, 6, 25)));
    p.CheckBoxDark->setChecked(true);
    QCOMPARE(rig.rec()[29], std::uint8_t(0x99));
    QCOMPARE(rig.take(), msgs({field(29, 7, 1, 1)}));
    QTest::keyClick(p.NxNumberKnobDLSeparation, Qt::Key_Home);
    QCOMPARE(rig.rec()[29], std::uint8_t(0x80));
    QCOMPARE(rig.take(), once(field(29, 0, 6, 0)));
    QCOMPARE(rig.rec()[23], std::uint8_t(95));
    QCOMPARE(rig.rec()[28], std::uint8_t(13));

    rig.rec()[29] = 0x19;
    p.loadPanel();
    QVERIFY(!p.CheckBoxDark->isChecked());
    QCOMPARE(value(p.NxNumberKnobDLSeparation), 25);
    QCOMPARE(rig.rec()[29], std::uint8_t(0x19));
    QCOMPARE(rig.take(), QStringList());
}

void TestEditor::tapMeasures_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("scaleBefore");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("expected");
    const QStringList scaleTo13 = once(param(28, 13));
    QTest::newRow("500 ms") << 500 << 20 << 125 << "Time = 500 ms." << once(param(23, 125)) + scaleTo13;
    QTest::newRow("1020 ms") << 1020 << 20 << 255 << "Time = 1020 ms." << once(param(23, 255)) + scaleTo13;
    QTest::newRow("1021 ms") << 1021 << 13 << 255 << "Time = 1020 ms." << once(param(23, 255));
    QTest::newRow("1500 ms") << 1500 << 1 << 255 << "Time = 1020 ms." << once(param(23, 255)) + scaleTo13;
    QTest::newRow("3 ms") << 3 << 13 << 1 << "Time = 4 ms." << once(param(23, 1));
    QTest::newRow("nothing moves") << 380 << 13 << 95 << "Time = 380 ms." << QStringList();
}

void TestEditor::tapMeasures()
{
    QFETCH(int, interval);
    QFETCH(int, scaleBefore);
    QFETCH(int, base);
    QFETCH(QString, label);
    QFETCH(QStringList, expected);
    Rig rig;
    rig.rec()[28] = u8(scaleBefore);
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;

    p.BitBtnTap->click();
    QVERIFY(p.tapTempo().armed());
    QCOMPARE(p.BitBtnTap->text(), QStringLiteral("Again"));
    QVERIFY(p.tapTempo().timer().isActive());
    QCOMPARE(p.tapTempo().timer().interval(), 2000);
    QCOMPARE(rig.take(), QStringList());

    rig.now += interval;
    p.BitBtnTap->click();
    QVERIFY(!p.tapTempo().armed());
    QCOMPARE(p.BitBtnTap->text(), QStringLiteral("Tap"));
    QVERIFY(!p.tapTempo().timer().isActive());
    QCOMPARE(value(p.NxNumberKnobDLTime), base);
    QCOMPARE(value(p.NxNumberKnobDLScale), 13);
    QCOMPARE(rig.rec()[23], u8(base));
    QCOMPARE(rig.rec()[28], std::uint8_t(13));
    QCOMPARE(p.StaticText22->text(), label);
    QCOMPARE(rig.take(), expected);
}

void TestEditor::tapTimerDropsTheFirstClick()
{
    Rig rig;
    QVERIFY(rig.start());
    EditorPanel &p = rig.panel;
    p.BitBtnTap->click();
    p.tapTempo().disarm();
    QVERIFY(!p.tapTempo().armed());
    QVERIFY(!p.tapTempo().timer().isActive());
    QCOMPARE(p.BitBtnTap->text(), QStringLiteral("Tap"));

    // The next click starts a new measurement; loading does not disarm it.
    rig.now += 2500;
    p.BitBtnTap->click();
    QVERIFY(p.tapTempo().armed());
    rig.now += 400;
    p.loadPanel();
    QVERIFY(p.tapTempo().armed());
    QCOMPARE(p.BitBtnTap->text(), QStringLiteral("Again"));
    p.BitBtnTap->click();
    QCOMPARE(value(p.NxNumberKnobDLTime), 100);
    QCOMPARE(p.StaticText22->text(), QStringLiteral("Time = 400 ms."));
    QCOMPARE(rig.take(), once(param(23, 100)));
}

void TestEditor::tapFunctionCombo_data()
{
    QTest::addColumn<int>("firmware");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("2.0") << 0x20 << msgs({field(30, 4, 4, 5)});
    QTest::newRow("1.5") << 0x15 << msgs({field(30, 4, 4, 5)});
    QTest::newRow("1.4") << 0x14 << msgs({field(30, 4, 4, 5), field(30, 0, 4, 0x0A)});
}

void TestEditor::tapFunctionCombo()
{
    QFETCH(int, firmware);
    QFETCH(QStringList, expected);
    Rig rig(u8(firmware));
    rig.rec()[30] = 0x0A; // modulation and reverb Alt
    QVERIFY(rig.start());
    rig.panel.ComboBoxTap->setCurrentIndex(5);
    QCOMPARE(rig.panel.ComboBoxTap->currentText(), QStringLiteral("Boost + Delay"));
    QCOMPARE(rig.rec()[30], std::uint8_t(0x5A));
    QCOMPARE(rig.take(), expected);
    QVERIFY(rig.modified());
}

void TestEditor::execSendsFootswitchOnly()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.panel.BitBtnExec->click();
    QCOMPARE(rig.take(), msgs({tapFootswitch()}));
    QVERIFY(!rig.modified());
    rig.session.editor().startHistory(true);
    rig.panel.BitBtnExec->click();
    QCOMPARE(rig.take(), msgs({tapFootswitch()}));
    QVERIFY(rig.modified());
    QVERIFY(std::equal(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), rig.rec().begin()));
}

void TestEditor::panelShowsWhatTheRecordHolds_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("Boost All, undone") << "boost";
    QTest::newRow("an Alt box, undone and redone") << "alt";
    QTest::newRow("the global cabinet, reported by the Amp") << "global";
    QTest::newRow("a tab swap, undone") << "swap";
    QTest::newRow("the Amp's Alt flags") << "amp";
}

void TestEditor::panelShowsWhatTheRecordHolds()
{
    // Whatever changes the record or the editor's state, the panel shows
    // the record: its Alt boxes and knob sets are the record's flags, the
    // global cabinet is GlobalRecord byte 13; nothing is kept in a widget.
    QFETCH(QString, action);
    Rig rig;
    for (int s = 0; s < preset::SlotCount; ++s)
        rig.rec(s)[preset::PreGain] = u8(1 + s), rig.rec(s)[preset::PreGainAlt] = u8(20 + s);
    QVERIFY(rig.start(View::Group));
    EditorPanel &p = rig.panel;
    PresetEditor &editor = rig.session.editor();
    QUndoStack &stack = editor.history().stack();
    auto showsRecord = [&] {
        const auto r = editor.record();
        const std::pair<QCheckBox *, Field> boxes[] = {{p.CheckBoxBoost, preset::BoostAlt},
                                                       {p.CheckBoxMod, preset::ModAlt},
                                                       {p.CheckBoxDelay, preset::DelayAlt},
                                                       {p.CheckBoxReverb, preset::ReverbAlt}};
        for (auto [box, flag] : boxes)
            if (box->isChecked() != (rig.image.readField(editor.currentSlot(), flag) == 1))
                return QStringLiteral("%1 shows %2").arg(box->objectName()).arg(box->isChecked());
        const int pre = preset::PreGain + (editor.altSetShown(preset::Dual::Preamp) ? 1 : 0);
        if (value(p.NxNumberKnobPre) != r[pre])
            return QStringLiteral("PreGain shows %1, the record %2").arg(value(p.NxNumberKnobPre)).arg(r[pre]);
        if (p.CheckBoxGCab->isChecked() != (rig.image.globals[13] != 0) ||
            p.ComboBoxCab->currentIndex() != editor.shownCabinet())
            return QStringLiteral("the cabinet shows %1").arg(p.ComboBoxCab->currentIndex());
        return QString();
    };
    if (action == QLatin1String("boost")) {
        p.boostAllTabsAction->trigger();
        QCOMPARE(showsRecord(), QString());
        stack.undo();
    } else if (action == QLatin1String("alt")) {
        p.CheckBoxReverb->click();
        QVERIFY(p.CheckBoxReverb->isChecked());
        stack.undo();
        QCOMPARE(showsRecord(), QString());
        stack.redo();
    } else if (action == QLatin1String("global")) {
        rig.feed(globalField(13, 0, 5, 6));
        QCOMPARE(showsRecord(), QString());
        p.presetTabs->setCurrentIndex(3); // another tab: the global cabinet stays
        QCOMPARE(p.ComboBoxCab->currentIndex(), 5);
        rig.feed(globalField(13, 0, 5, 0));
    } else if (action == QLatin1String("swap")) {
        editor.swapSlots(0, 1);
        QCOMPARE(value(p.NxNumberKnobPre), 2);
        stack.undo();
    } else {
        rig.feed(field(30, 0, 4, 0x0F)); // every Alt set on, as a footswitch would
        QCOMPARE(showsRecord(), QString());
        rig.feed(field(30, 0, 4, 0x05));
    }
    QCOMPARE(showsRecord(), QString());
    QVERIFY(!editor.loading());
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
