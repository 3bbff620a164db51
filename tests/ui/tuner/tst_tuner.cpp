// SPDX-License-Identifier: GPL-3.0-or-later
// The tuner: the readout's mapping (no widgets), and the tuner window on a
// session whose MIDI output is the loopback, with the virtual Amp answering.
#include "ampsim/virtualamp.h"
#include "controls/led.h"
#include "controls/numberknob.h"
#include "midi/loopbackbackend.h"
#include "session/session.h"
#include "support/ampbytes.h"
#include "support/scriptedprompter.h"
#include "tuner/tunerdisplay.h"
#include "tuner/tunerwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using Msg = std::vector<std::uint8_t>;

namespace {

std::uint8_t u8(int v)
{
    return std::uint8_t(v);
}
Msg tunerData(int n, int p)
{
    return ampMessage({0x17, u8(n >> 4), u8(n & 15), u8(p >> 4), u8(p & 15)});
}
Msg globalField(int index, int shift, int width, int value)
{
    return ampMessage({0x15, u8(index), u8(shift), u8(width), u8(value), 0xF7});
}
const QColor Red(255, 0, 0), Green(0, 128, 0);

struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *loop = new LoopbackBackend;
    Session session{std::unique_ptr<MidiBackend>(loop), prompter};
    TunerWindow form{session.globals(), session.queue()};
    VirtualAmp amp;

    Rig()
    {
        session.link().midiIn().setPort(0);
        session.link().midiIn().setEnabled(true);
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
        loop->peer = [this](const Msg &m) {
            for (auto &reply : amp.receive(m))
                loop->inject(reply);
        };
    }
    void feed(const Msg &m) { session.transfers().receive(m.data(), int(m.size())); }
    std::vector<Msg> take() { return std::exchange(loop->sent, {}); }
    // The lit LED, -1 for none; -2 when more than one is lit.
    int lit() const
    {
        int found = -1;
        for (int i = 0; i < tuner::LedCount; ++i)
            if (form.LEDImage[i]->LEDOn())
                found = found == -1 ? i : -2;
        return found;
    }
    QColor textColour() const { return form.NoteText->palette().color(QPalette::WindowText); }
    // Shown, with its knob painted so that it reports its turns.
    [[nodiscard]] bool enter()
    {
        form.showOver(nullptr);
        return QTest::qWaitForWindowExposed(&form) && (form.grab(), form.NxNumberKnobTunerLevel->PaintedOnce());
    }
};

} // namespace

class TestTuner : public QObject {
    Q_OBJECT
private slots:
    void readings_data();
    void readings();
    void everyReadingShowsANameAndOneLedAtMost();
    void enterAndLeave();
    void options();
    void readoutOnTheWindow();
    void steadyNoteRepaintsOnlyTheLedsThatChange();
};

// Readings (note byte, position byte, E-flat) in turn, and what the last one
// writes: the text (empty: none), the colour, the LED lit.
void TestTuner::readings_data()
{
    QTest::addColumn<QList<QList<int>>>("sequence");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("colour"); // "red", "green", or empty: not written
    QTest::addColumn<int>("led");
    using L = QList<QList<int>>;
    QTest::newRow("07 50: E, green, centre") << L{{0x07, 50, 0}} << "E"
                                             << "green" << 10;
    QTest::newRow("87 after 07: untouched") << L{{0x07, 50, 0}, {0x87, 50, 0}} << ""
                                            << "" << 10;
    QTest::newRow("FF: no note, all dark") << L{{0x07, 50, 0}, {0xFF, 50, 0}} << "--"
                                           << "" << -1;
    QTest::newRow("87 after FF: drawn red") << L{{0x07, 50, 0}, {0xFF, 50, 0}, {0x87, 50, 0}} << "E"
                                            << "red" << 10;
    QTest::newRow("E-flat 06 reads E") << L{{0x06, 50, 1}} << "E"
                                       << "green" << 10;
    QTest::newRow("E-flat wraps seven bits") << L{{0x7F, 50, 1}} << "A"
                                             << "green" << 10;
    QTest::newRow("P 3: LED 1") << L{{0x00, 3, 0}} << "A"
                                << "green" << 1;
    QTest::newRow("P 48: centre") << L{{0x00, 48, 0}} << "A"
                                  << "green" << 10;
    QTest::newRow("P 53") << L{{0x00, 53, 0}} << "A"
                          << "green" << 11;
    QTest::newRow("P 102: LED 20") << L{{0x00, 102, 0}} << "A"
                                   << "green" << 20;
    QTest::newRow("P 103: none") << L{{0x00, 103, 0}} << "A"
                                 << "green" << -1;
    QTest::newRow("P FE (-2): LED 0") << L{{0x00, 0xFE, 0}} << "A"
                                      << "green" << 0;
    QTest::newRow("P 80 (-128): none") << L{{0x00, 0x80, 0}} << "A"
                                       << "green" << -1;
}

void TestTuner::readings()
{
    QFETCH(QList<QList<int>>, sequence);
    QFETCH(QString, text);
    QFETCH(QString, colour);
    QFETCH(int, led);
    tuner::TunerDisplay display;
    tuner::TunerDisplay::Update u;
    for (const QList<int> &r : sequence)
        u = display.read(u8(r[0]), u8(r[1]), r[2] != 0);
    QCOMPARE(u.text ? QString::fromLatin1(u.name) : QString(), text);
    QCOMPARE(u.colour ? QString::fromLatin1(u.red ? "red" : "green") : QString(), colour);
    QCOMPARE(u.led, led);
}

void TestTuner::everyReadingShowsANameAndOneLedAtMost()
{
    const QStringList names{"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "--"};
    tuner::TunerDisplay display;
    for (int eFlat = 0; eFlat < 2; ++eFlat)
        for (int n = 0; n < 256; ++n)
            for (int p = 0; p < 256; ++p) {
                const auto u = display.read(u8(n), u8(p), eFlat != 0);
                if (!names.contains(QLatin1String(u.name)) || u.led < -1 || u.led > 20)
                    QFAIL(qPrintable(QStringLiteral("N %1 P %2 E-flat %3").arg(n).arg(p).arg(eFlat)));
            }
}

void TestTuner::enterAndLeave()
{
    for (auto [version, notice] : {std::pair{0x14, true}, {0x15, false}}) {
        Rig rig;
        TunerWindow &f = rig.form;
        for (int i = 1; i < tuner::LedCount; ++i) // 16 pixels apart, 32 beside the centre
            QCOMPARE(f.LEDImage[i]->x() - f.LEDImage[i - 1]->x(), i == 10 || i == 11 ? 32 : 16);
        QCOMPARE(f.LEDImage[10]->OnColor(), Green);
        QSignalSpy entered(&f, &TunerWindow::entered), left(&f, &TunerWindow::left);
        rig.session.link().setFirmwareVersion(u8(version));
        QVERIFY(rig.enter());
        QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(f.StaticTextNoTune->isVisible(), notice);
        QCOMPARE(rig.take(), (std::vector<Msg>{ampMessage({0x16, 0x01, 0xF7}), ampMessage({0x14, 10, 0, 7, 0xF7}),
                                               ampMessage({0x14, 9, 0, 2, 0xF7})}));
        QTest::mouseClick(f.ButtonTunerExit, Qt::LeftButton);
        QVERIFY(f.isHidden() && !(f.windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(rig.take(), std::vector<Msg>{ampMessage({0x16, 0x00, 0xF7})});
        // Closed by a window manager, it leaves the same way.
        QVERIFY(rig.enter());
        rig.take();
        f.close();
        QVERIFY(f.isHidden());
        QCOMPARE(rig.take(), std::vector<Msg>{ampMessage({0x16, 0x00, 0xF7})});
        QCOMPARE(entered.size(), 2);
        QCOMPARE(left.size(), 2);
    }
}

void TestTuner::options()
{
    Rig rig;
    rig.amp.globals[9] = 0x03;
    rig.amp.globals[10] = 12;
    QVERIFY(rig.enter());
    rig.loop->flush(); // the Amp's answers to the two requests
    TunerWindow &f = rig.form;
    QVERIFY(f.CheckBoxEb->isChecked() && f.CheckBoxChromatic->isChecked());
    QCOMPARE(f.NxNumberKnobTunerLevel->GetValue(), 12.0f);
    QCOMPARE(rig.take().size(), std::size_t(3)); // the enter and the requests: no echo

    // Bad input while shown: a volume beyond the knob is held as the knob
    // shows it; the boxes follow their own bits.
    rig.feed(globalField(10, 0, 7, 0x7F));
    QCOMPARE(f.NxNumberKnobTunerLevel->GetValue(), 25.0f);
    QCOMPARE(rig.session.editor().image().globals[10], 25);
    rig.feed(globalField(9, 0, 7, 0x7E));
    QVERIFY(!f.CheckBoxEb->isChecked() && f.CheckBoxChromatic->isChecked());
    QCOMPARE(rig.session.editor().image().globals[9], 0x7E);
    QVERIFY(rig.take().empty());
    QVERIFY(!rig.session.editor().loading());

    // The user's edits: the bit or byte, then its field; a knob step sends once.
    f.CheckBoxEb->setChecked(true);
    f.CheckBoxChromatic->setChecked(false);
    QCOMPARE(rig.session.editor().image().globals[9], 0x7D);
    QTest::keyClick(f.NxNumberKnobTunerLevel, Qt::Key_Down);
    QCOMPARE(rig.session.editor().image().globals[10], 24);
    QCOMPARE(rig.take(),
             (std::vector<Msg>{globalField(9, 0, 1, 1), globalField(9, 1, 1, 0), globalField(10, 0, 5, 24)}));
    QVERIFY(!rig.session.document().isModified());
}

void TestTuner::readoutOnTheWindow()
{
    // Hidden, the window follows the readings all the same.
    Rig rig;
    TunerWindow &f = rig.form;
    QCOMPARE(f.NoteText->font().pixelSize(), 64);
    QCOMPARE(f.LEDImage[0]->ImageName(), QStringLiteral("LED_GRAY"));
    rig.feed(tunerData(0x07, 50));
    QCOMPARE(f.NoteText->text(), QStringLiteral("E"));
    QCOMPARE(rig.textColour(), Green);
    QCOMPARE(rig.lit(), 10);
    QCOMPARE(f.LEDImage[10]->ImageName(), QStringLiteral("LED_GRE"));
    rig.feed(tunerData(0x87, 3));
    QCOMPARE(rig.textColour(), Green);
    QCOMPARE(rig.lit(), 1);
    QCOMPARE(f.LEDImage[1]->ImageName(), QStringLiteral("LED_RED"));
    rig.feed(tunerData(0xFF, 3));
    QCOMPARE(f.NoteText->text(), QStringLiteral("--"));
    QCOMPARE(rig.lit(), -1);

    // Entering forgets the note shown, and E-flat follows the box.
    rig.feed(tunerData(0x07, 50));
    QVERIFY(rig.enter());
    f.CheckBoxEb->setChecked(true);
    rig.feed(tunerData(0x86, 50));
    QCOMPARE(f.NoteText->text(), QStringLiteral("E"));
    QCOMPARE(rig.textColour(), Red);
}

void TestTuner::steadyNoteRepaintsOnlyTheLedsThatChange()
{
    Rig rig;
    QVERIFY(rig.enter());
    rig.feed(tunerData(0x07, 50));
    QCoreApplication::processEvents();
    struct Paints : QObject {
        QMap<QObject *, int> count;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            count[o] += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    for (QWidget *w : rig.form.findChildren<QWidget *>())
        w->installEventFilter(&paints);
    for (int p : {50, 50, 60, 60}) {
        rig.feed(tunerData(0x87, p));
        QCoreApplication::processEvents();
    }
    // The centre off and LED 12 on, once each; nothing else.
    int total = 0;
    for (int c : std::as_const(paints.count))
        total += c;
    QCOMPARE(total, 2);
    QCOMPARE(paints.count.value(rig.form.LEDImage[10]), 1);
    QCOMPARE(paints.count.value(rig.form.LEDImage[12]), 1);
}

QTEST_MAIN(TestTuner)
#include "tst_tuner.moc"
