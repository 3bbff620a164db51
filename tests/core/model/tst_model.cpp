// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/amplists.h"
#include "model/deviceimage.h"
#include "model/presetparams.h"
#include "model/presetrecord.h"

#include <QtTest>

using namespace preset;

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void defaultRecordMatchesTheFieldDefaults();
    void slotLayoutAndNames();
    void storeGroupFillsExactlyTheGroup();
    void fieldReadWriteRules();
    void padAndOtherBitsOfByteOne();
    void modelCodeKeepsOtherBits();
    void radioCodesRoundTrip();
    void slotsSwapAndCopy();
    void parametersShowAsThePanelDoes();
    void parameterTableCoversEveryByte();
    void makeValid_data();
    void makeValid();
};

void TestModel::defaultRecordMatchesTheFieldDefaults()
{
    DeviceImage image;
    image.fillDefaults();
    for (int s = 0; s < SlotCount; ++s)
        QVERIFY(std::equal(DefaultRecord.begin(), DefaultRecord.end(), image.record(s).begin()));
    QCOMPARE(image.globals, (std::array<std::uint8_t, GlobalSize>{})); // untouched by the fill

    const int s = 5;
    QCOMPARE(image.readField(s, AmpModel), 0);
    QCOMPARE(image.readField(s, Cabinet), 0);
    QCOMPARE(image.readField(s, ModelCode), 14);
    QCOMPARE(image.readField(s, PadOff), 1); // pad box unchecked
    QCOMPARE(image.readField(s, Bright), 0);
    QCOMPARE(radioItem(Radio::PreampLows, image.readField(s, PreampLows)), 0); // "Most (sloppy)"
    QCOMPARE(amplists::modulationTypes().at(image.readField(s, ModType)), QStringLiteral("Chorus"));
    QCOMPARE(radioItem(Radio::Presence, image.readField(s, Presence)), 1);   // "Medium"
    QCOMPARE(radioItem(Radio::Resonance, image.readField(s, Resonance)), 0); // "High"
    const auto r = image.record(s);
    QCOMPARE(r[PreGain], 17);
    QCOMPARE(r[PreGainAlt], 20);
    QCOMPARE(r[PostGain], 17);
    QCOMPARE(r[PostGainAlt], 20);
    QCOMPARE(r[ReverbLevel], 0);
    QCOMPARE(r[ReverbLevelAlt], 8);
    QCOMPARE(r[ModDepth], 0);
    QCOMPARE(r[ModDepthAlt], 13);
    QCOMPARE(r[FlangerFB], 19);
    QCOMPARE(r[FlangerDT], 10);
    QCOMPARE(r[DLTime], 95);
    QCOMPARE(r[DLLevel], 0);
    QCOMPARE(r[DLLevelAlt], 10);
    QCOMPARE(r[Reserved16], 0);
    QCOMPARE(image.readField(s, DLSeparationBits), 5);
    QCOMPARE(image.readField(s, Dark), 0);
    QCOMPARE(image.readField(s, AltFlags), 0);
    QCOMPARE(amplists::tapFunctions().at(image.readField(s, TapFunction)), QStringLiteral("Tap Tempo"));

    // Every whole-byte default lies inside its knob's range.
    for (int i = 0; i < RecordSize; ++i) {
        const Range range = knobRange(i);
        if (range.min < 0)
            continue;
        QVERIFY2(DefaultRecord[i] >= range.min && DefaultRecord[i] <= range.max, qPrintable(QString::number(i)));
    }
}

void TestModel::slotLayoutAndNames()
{
    QCOMPARE(GroupSize, 496);
    QCOMPARE(DeviceImage::recordStart(15), 465);
    QCOMPARE(slotName(0), QStringLiteral("A1"));
    QCOMPARE(slotName(3), QStringLiteral("A4"));
    QCOMPARE(slotName(4), QStringLiteral("B1"));
    QCOMPARE(slotName(15), QStringLiteral("D4"));
    QCOMPARE(slotName(16), QString());

    DeviceImage image;
    image.record(15)[30] = 0xAB;
    QCOMPARE(image.group[495], 0xAB);
    image.record(15)[0] = 0xCD;
    QCOMPARE(image.group[465], 0xCD);
    QCOMPARE(image.group[464], 0);
}

void TestModel::storeGroupFillsExactlyTheGroup()
{
    DeviceImage image;
    image.globals.fill(0x55);
    std::array<std::uint8_t, GroupSize> bytes;
    for (int i = 0; i < GroupSize; ++i)
        bytes[i] = std::uint8_t(i * 7);
    image.storeGroup(bytes);
    QCOMPARE(image.group, bytes);
    QVERIFY(std::all_of(image.globals.begin(), image.globals.end(), [](auto b) { return b == 0x55; }));

    Record rec;
    rec.fill(0x11);
    image.storeRecord(15, rec);
    QCOMPARE(image.group[464], bytes[464]);
    QCOMPARE(image.group[465], 0x11);
    QCOMPARE(image.group[495], 0x11);
}

void TestModel::fieldReadWriteRules()
{
    QCOMPARE(bitfield::mask(1), 0x01);
    QCOMPARE(bitfield::mask(2), 0x03);
    QCOMPARE(bitfield::mask(4), 0x0F);
    QCOMPARE(bitfield::mask(5), 0x1F);
    QCOMPARE(bitfield::mask(6), 0x3F);
    QCOMPARE(bitfield::mask(7), 0x7F);
    // value 3 at shift 4, width 2 into C5 gives F5; reading it back gives 3
    QCOMPARE(bitfield::write(0xC5, 4, 2, 3), 0xF5);
    QCOMPARE(bitfield::read(0xF5, 4, 2), 3);
    // the write rule does not mask the value
    QCOMPARE(bitfield::write(0x00, 0, 1, 5), 0x05);
    // a field at the top bit
    QCOMPARE(bitfield::write(0x05, 7, 1, 1), 0x85);
    QCOMPARE(bitfield::read(0x85, 7, 1), 1);
    // kept to 8 bits
    QCOMPARE(bitfield::write(0x00, 7, 1, 3), 0x80);

    // DeviceImage::writeField keeps neighbouring bits even for a too-wide value
    DeviceImage image;
    image.record(0)[AltTap] = 0x0F;
    image.writeField(0, TapFunction, 0x1F);
    QCOMPARE(image.record(0)[AltTap], 0xFF);
    image.writeField(0, BoostAlt, 0);
    QCOMPARE(image.record(0)[AltTap], 0xFE);
    // separation spans bits 0-6 in storage but travels as six bits
    image.record(0)[DLSepDark] = 0x80 | 0x45;
    QCOMPARE(image.readField(0, DLSeparationBits), 0x45);
    QCOMPARE(image.readField(0, DLSeparation), 0x05);
    QCOMPARE(image.readField(0, Dark), 1);
}

void TestModel::padAndOtherBitsOfByteOne()
{
    DeviceImage image;
    image.record(0)[PreampFlags] = 0x1E;
    QCOMPARE(image.readField(0, PadOff), 1);
    image.record(0)[PreampFlags] = 0x0E;
    QCOMPARE(image.readField(0, PadOff), 0);
    QCOMPARE(image.readField(0, ModelCode), 14);
}

void TestModel::modelCodeKeepsOtherBits()
{
    const int expected[12] = {14, 13, 11, 11, 14, 11, 13, 11, 11, 13, 11, 13};
    DeviceImage image;
    for (int model = 0; model < 16; ++model) {
        image.record(2)[AmpCab] = 0xA0;      // cabinet 10
        image.record(2)[PreampFlags] = 0xF0; // lows 3, bright, pad off
        image.setAmpModel(2, model);
        QCOMPARE(image.readField(2, AmpModel), model);
        QCOMPARE(image.readField(2, Cabinet), 10);
        QCOMPARE(image.record(2)[PreampFlags] & 0xF0, 0xF0);
        const int code = image.readField(2, ModelCode);
        if (model < 12)
            QCOMPARE(code, expected[model]);
        else
            QVERIFY(code == 14 || code == 13 || code == 11);
    }
}

void TestModel::radioCodesRoundTrip()
{
    // "More" and "Less" are stored crossed; presence and resonance count opposite ways.
    QCOMPARE(radioCode(Radio::PreampLows, 1), 2);
    QCOMPARE(radioCode(Radio::PreampLows, 2), 1);
    QCOMPARE(radioCode(Radio::Presence, 0), 1);
    QCOMPARE(radioCode(Radio::Resonance, 0), 3);
    for (auto g : {Radio::PreampLows, Radio::Presence, Radio::Resonance})
        for (int item = 0; item < (g == Radio::PreampLows ? 4 : 3); ++item)
            QCOMPARE(radioItem(g, radioCode(g, item)), item);
    // code 0 of presence and resonance selects nothing
    QCOMPARE(radioItem(Radio::Presence, 0), -1);
    QCOMPARE(radioItem(Radio::Resonance, 0), -1);
    QCOMPARE(radioItem(Radio::PreampLows, 0), 0);
}

void TestModel::slotsSwapAndCopy()
{
    DeviceImage image;
    for (int s = 0; s < SlotCount; ++s)
        std::fill(image.record(s).begin(), image.record(s).end(), std::uint8_t(s));
    const auto before = image.group;
    QVERIFY(image.swapSlots(0, 15));
    QCOMPARE(image.record(0)[0], 15);
    QCOMPARE(image.record(15)[30], 0);
    QVERIFY(image.swapSlots(15, 0)); // and back
    QCOMPARE(image.group, before);
    QVERIFY(image.copySlot(3, 9));
    QCOMPARE(image.record(9)[30], 3);
    QCOMPARE(image.record(3)[0], 3);
    QCOMPARE(image.record(8)[0], 8);
    // Refused, and nothing moves.
    const auto now = image.group;
    for (auto [a, b] : {std::pair{4, 4}, {-1, 2}, {2, 16}}) {
        QVERIFY(!image.swapSlots(a, b));
        QVERIFY(!image.copySlot(a, b));
    }
    QCOMPARE(image.group, now);
}

void TestModel::parametersShowAsThePanelDoes()
{
    struct Row {
        const char *key;
        int byte, value; // written into the default record first; byte -1: the default as it is
        const char *shown;
    };
    const Row rows[] = {
        // The default record, as the panel shows it.
        {"AmpModel", -1, 0, "Glass Clean"},
        {"Cabinet", -1, 0, "1x12 Open"},
        {"PadOff", -1, 0, "Off"},
        {"Bright", -1, 0, "Off"},
        {"PreampLows", -1, 0, "Most (sloppy)"},
        {"ModType", -1, 0, "Chorus"},
        {"Presence", -1, 0, "Medium"},
        {"Resonance", -1, 0, "High"},
        {"PreGain", -1, 0, "17"},
        {"PreGainAlt", -1, 0, "20"},
        {"ReverbLevelAlt", -1, 0, "8"},
        {"DLTime", -1, 0, "95"},
        {"DelayTime", -1, 0, "380 ms"},
        {"DLSeparation", -1, 0, "5"},
        {"TapFunction", -1, 0, "Tap Tempo"},
        {"ModelCode", -1, 0, "14"},
        // Stored values the panel shows in its own way.
        {"PadOff", PreampFlags, 0x0E, "On"},       // the box is checked while the bit is 0
        {"PreampLows", PreampFlags, 0x5E, "Less"}, // code 1 is "Less", 2 "More": crossed
        {"Presence", ModTone, 0x00, "None"},       // code 0 selects no item
        {"ModType", ModTone, 0xE9, "Unknown (9)"},
        {"PreGain", PreGain, 0, "1 (stored 0)"}, // clamped to the knob
        {"DLTime", DLTime, 0, "1 (stored 0)"},
        {"ReverbLevel", ReverbLevel, 0, "0"},                     // 0 is in range: "Off" on this knob
        {"DLSeparation", DLSepDark, 0x80 | 30, "25 (stored 30)"}, // Dark's bit is not part of it
        {"Dark", DLSepDark, 0x80 | 5, "On"},
        {"TapFunction", AltTap, 0xF0, "All (Boost/Mod/Delay/Reverb)"},
        {"DelayTime", DLScale, 25, "570 ms"},
        {"Reserved16", Reserved16, 77, "77"},
    };
    for (const Row &row : rows) {
        Record r = DefaultRecord;
        if (row.byte >= 0)
            r[std::size_t(row.byte)] = std::uint8_t(row.value);
        const presetparams::Parameter *p = presetparams::find(QLatin1String(row.key));
        QVERIFY2(p, row.key);
        QCOMPARE(presetparams::valueText(*p, r), QLatin1String(row.shown));
    }
    const presetparams::Parameter &alt = *presetparams::find(QStringLiteral("DLLevelAlt"));
    QCOMPARE(presetparams::fullName(alt), QStringLiteral("Delay (dual): Level/Off (Alt)"));
}

void TestModel::parameterTableCoversEveryByte()
{
    // Every bit of the record belongs to exactly one parameter (the delay
    // time has no bits of its own), so two records that differ anywhere
    // differ in some parameter, and only there.
    std::array<std::uint8_t, RecordSize> covered{};
    for (const presetparams::Parameter &p : presetparams::all()) {
        if (p.kind == presetparams::Kind::Time)
            continue;
        const std::uint8_t bits = p.wholeByte() ? 0xFF : std::uint8_t(bitfield::mask(p.field.width) << p.field.shift);
        QVERIFY2((covered[std::size_t(p.field.index)] & bits) == 0, p.key);
        covered[std::size_t(p.field.index)] |= bits;
    }
    for (int i = 0; i < RecordSize; ++i)
        QVERIFY2(covered[std::size_t(i)] == 0xFF, qPrintable(QString::number(i)));

    for (int i = 0; i < RecordSize * 8; ++i) {
        Record a = DefaultRecord, b = DefaultRecord;
        b[std::size_t(i / 8)] ^= std::uint8_t(1 << (i % 8));
        int differing = 0;
        for (const presetparams::Parameter &p : presetparams::all())
            differing += presetparams::differs(p, a, b) ? 1 : 0;
        QCOMPARE(differing, 1);
    }
}

void TestModel::makeValid_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("valid");    // the byte afterwards
    QTest::addColumn<QString>("told"); // empty: nothing to correct
    QTest::newRow("PreGain above") << int(PreGain) << 250 << 33 << u"PreGain 250 \u2192 33"_qs;
    QTest::newRow("an Alt value below") << int(PreGainAlt) << 0 << 1 << u"PreGain (Alt) 0 \u2192 1"_qs;
    QTest::newRow("a level of 0 is Off") << int(ReverbLevel) << 0 << 0 << QString();
    QTest::newRow("delay base 0") << int(DLTime) << 0 << 1 << u"Base 0 \u2192 1"_qs;
    QTest::newRow("delay base 255") << int(DLTime) << 255 << 255 << QString();
    QTest::newRow("modulation type 15, tone bits kept")
        << int(ModTone) << 0xEF << 0xE5 << u"Type Unknown (15) \u2192 Octaver (2.0)"_qs;
    QTest::newRow("separation beside Dark")
        << int(DLSepDark) << (0x80 | 30) << (0x80 | 25) << u"Separation 30 \u2192 25"_qs;
    QTest::newRow("every amp model is one") << int(AmpCab) << 0xFF << 0xFF << QString();
    QTest::newRow("raw bytes are carried") << int(Reserved16) << 0xEE << 0xEE << QString();
}

void TestModel::makeValid()
{
    QFETCH(int, byte);
    QFETCH(int, stored);
    QFETCH(int, valid);
    QFETCH(QString, told);
    Record r = DefaultRecord;
    r[std::size_t(byte)] = std::uint8_t(stored);
    const auto corrections = presetparams::makeValid(r);
    QCOMPARE(int(r[std::size_t(byte)]), valid);
    QCOMPARE(corrections.size(), told.isEmpty() ? 0u : 1u);
    if (!told.isEmpty())
        QCOMPARE(presetparams::describe(corrections.front()), told);
    for (int i = 0; i < RecordSize; ++i)
        if (i != byte)
            QCOMPARE(r[std::size_t(i)], DefaultRecord[std::size_t(i)]);
    QVERIFY(presetparams::makeValid(r).empty()); // once is enough
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
