// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/deviceimage.h"
#include "protocol/ampmessages.h"
#include "support/ampbytes.h"

#include <QtTest>

using amp::Bytes;

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void nibblePairs();
    void shortMessagesMatchTheTable_data();
    void shortMessagesMatchTheTable();
    void recordMessagesCarryNibblePairs();
    void targetsKnownAtBuildAreTheOnesReadBack();
};

void TestMessages::nibblePairs()
{
    QCOMPARE(amp::highNibble(0x7F), 0x07);
    QCOMPARE(amp::lowNibble(0x7F), 0x0F);
    QCOMPARE(amp::fromNibbles(0x17, 0x0F), 0x7F); // stray high bits of the high nibble are masked
    QCOMPARE(amp::fromNibbles(0x0F, 0x1F), 0xFF); // and of the low nibble
    for (int b = 0; b < 256; ++b)
        QCOMPARE(amp::fromNibbles(amp::highNibble(b), amp::lowNibble(b)), b);
}

void TestMessages::shortMessagesMatchTheTable_data()
{
    QTest::addColumn<Bytes>("built");
    QTest::addColumn<Bytes>("expected");
    QTest::newRow("footswitch") << amp::footswitch(1) << ampMessage({0x01, 0x01, 0xF7});
    QTest::newRow("identify request") << amp::identifyRequest() << ampMessage({0x02, 0xF7});
    QTest::newRow("group request") << amp::groupRequest() << ampMessage({0x04, 0xF7});
    QTest::newRow("preset request D4") << amp::presetRequest(15) << ampMessage({0x06, 0x0F, 0xF7});
    QTest::newRow("current-preset request") << amp::currentPresetRequest() << ampMessage({0x08, 0xF7});
    QTest::newRow("preset store B2") << amp::presetStore(5) << ampMessage({0x0A, 0x05, 0xF7});
    QTest::newRow("parameter-set DLTime 255")
        << amp::parameterSet(23, 0xFF) << ampMessage({0x0C, 23, 0x0F, 0x0F, 0xF7});
    QTest::newRow("bit-field") << amp::bitField(1, 6, 2, 3) << ampMessage({0x0E, 0x01, 0x06, 0x02, 0x03, 0xF7});
    QTest::newRow("globals request") << amp::globalsRequest() << ampMessage({0x12, 0xF7});
    QTest::newRow("global bit-field request")
        << amp::globalBitFieldRequest(3, 0, 5) << ampMessage({0x14, 0x03, 0x00, 0x05, 0xF7});
    QTest::newRow("global bit-field") << amp::globalBitField(13, 0, 5, 4)
                                      << ampMessage({0x15, 0x0D, 0x00, 0x05, 0x04, 0xF7});
    QTest::newRow("tuner mode on") << amp::tunerMode(1) << ampMessage({0x16, 0x01, 0xF7});
    QTest::newRow("sync complete") << amp::syncComplete() << ampMessage({0x18, 0x01, 0xF7});
}

void TestMessages::shortMessagesMatchTheTable()
{
    QFETCH(Bytes, built);
    QFETCH(Bytes, expected);
    QCOMPARE(built, expected);
    QCOMPARE(int(built.size()), amp::messageLength(amp::Command(built[6])));
}

void TestMessages::targetsKnownAtBuildAreTheOnesReadBack()
{
    // The editor hands the send queue each message's target as it builds
    // the message; the queue would read the same from the bytes. Every byte
    // and field of a preset, the ones that switch the Amp's mode included,
    // and arguments beyond seven bits as the message masks them.
    const auto readBack = [](const Bytes &m) { return amp::sendTarget(m.data(), m.size()); };
    for (int index = 0; index < 130; ++index) {
        QCOMPARE(amp::parameterSetTarget(index), readBack(amp::parameterSet(index, 5)));
        for (int shift = 0; shift < 8; ++shift)
            for (int width = 1; shift + width <= 8; ++width) {
                QCOMPARE(amp::bitFieldTarget(index, shift, width), readBack(amp::bitField(index, shift, width, 1)));
                QCOMPARE(amp::globalBitFieldTarget(index, shift, width),
                         readBack(amp::globalBitField(index, shift, width, 1)));
            }
    }
    // What the queue keeps in its place is named as such.
    QCOMPARE(amp::bitFieldTarget(preset::AmpModel.index, preset::AmpModel.shift, preset::AmpModel.width).kind,
             amp::SendTarget::Kind::Everything);
    QCOMPARE(amp::parameterSetTarget(preset::PreGain).kind, amp::SendTarget::Kind::Place);
}

void TestMessages::recordMessagesCarryNibblePairs()
{
    DeviceImage image;
    for (int i = 0; i < preset::GroupSize; ++i)
        image.group[i] = std::uint8_t(255 - i % 256);
    for (int i = 0; i < preset::GlobalSize; ++i)
        image.globals[i] = std::uint8_t(0xF0 + i);

    const Bytes group = amp::groupDump(image.group);
    QCOMPARE(int(group.size()), 1000);
    QCOMPARE(group[6], 0x05);
    QCOMPARE(group[999], 0xF7);
    std::array<std::uint8_t, preset::GroupSize> decoded{};
    amp::decodeNibbles(group.data() + 7, preset::GroupSize, decoded.data());
    QCOMPARE(decoded, image.group);
    QVERIFY(std::all_of(group.begin() + 1, group.end() - 1, [](auto b) { return b < 0x80; }));

    const Bytes write = amp::presetWrite(15, image.record(15));
    QCOMPARE(int(write.size()), 71);
    QCOMPARE(write[7], 15);
    QCOMPARE(write[8], amp::highNibble(image.group[465]));
    QCOMPARE(write[9], amp::lowNibble(image.group[465]));
    QCOMPARE(write[69], amp::lowNibble(image.group[495]));
    QCOMPARE(write[70], 0xF7);

    const Bytes single = amp::singlePreset(image.record(1));
    QCOMPARE(int(single.size()), 70);
    QCOMPARE(single[6], 0x09);
    QCOMPARE(single[7], amp::highNibble(image.group[31]));
    QCOMPARE(single[68], amp::lowNibble(image.group[61]));
    QCOMPARE(single[69], 0xF7);

    const Bytes glob = amp::globals(image.globals);
    QCOMPARE(int(glob.size()), 36);
    QCOMPARE(glob[6], 0x13);
    QCOMPARE(glob[7], 0x0F);
    QCOMPARE(glob[8], 0x00);
    QCOMPARE(glob[34], 0x0D);
    QCOMPARE(glob[35], 0xF7);

    for (auto c : {amp::GroupDump, amp::PresetWrite, amp::SinglePreset, amp::Globals})
        QVERIFY(amp::messageLength(c) > 0);
    QCOMPARE(amp::messageLength(amp::GroupDump), 1000);
    QCOMPARE(amp::messageLength(amp::PresetWrite), 71);
    QCOMPARE(amp::messageLength(amp::SinglePreset), 70);
    QCOMPARE(amp::messageLength(amp::Globals), 36);
}

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
