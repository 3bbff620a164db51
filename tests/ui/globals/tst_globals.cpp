// SPDX-License-Identifier: GPL-3.0-or-later
// The globals window and global files on a session whose MIDI output is the
// loopback, with the virtual Amp answering: what each control writes into
// the GlobalRecord, the exact messages the Amp receives, and every message
// of the file reader and writer.
#include "ampsim/virtualamp.h"
#include "controls/numberknob.h"
#include "globals/globalswindow.h"
#include "midi/loopbackbackend.h"
#include "session/session.h"
#include "support/ampbytes.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Msg = std::vector<std::uint8_t>;
using Button = Prompter::Button;
using Globals = std::array<std::uint8_t, preset::GlobalSize>;

namespace {

std::uint8_t u8(int v)
{
    return std::uint8_t(v);
}
Msg globalField(int index, int shift, int width, int value)
{
    return ampMessage({0x15, u8(index), u8(shift), u8(width), u8(value), 0xF7});
}
// The globals message (and global file), written out by hand.
Msg globalsMessage(const Globals &g)
{
    Msg m = ampMessage({0x13});
    for (std::uint8_t b : g) {
        m.push_back(b >> 4);
        m.push_back(b & 0x0F);
    }
    m.push_back(0xF7);
    return m;
}
const Msg GlobalsRequest = ampMessage({0x12, 0xF7});

struct Rig {
    ScriptedPrompter prompter;
    LoopbackBackend *loop = new LoopbackBackend;
    Session session{std::unique_ptr<MidiBackend>(loop), prompter};
    std::unique_ptr<GlobalsWindow> form =
        std::make_unique<GlobalsWindow>(session.globals(), session.queue(), session.document().openDialogDirectory());
    VirtualAmp amp;
    QTemporaryDir dir;
    DeviceImage &image = session.editor().image();
    bool answering = false; // the virtual Amp's replies come back

    Rig()
    {
        session.link().midiIn().setPort(0);
        session.link().midiIn().setEnabled(true);
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
        session.document().setOpenDialogDirectory(dir.path());
        // The window's dialogs start where the main window's do when it is made.
        form = std::make_unique<GlobalsWindow>(session.globals(), session.queue(),
                                               session.document().openDialogDirectory());
        loop->peer = [this](const Msg &m) {
            for (auto &reply : amp.receive(m))
                if (answering)
                    loop->inject(reply);
        };
    }
    // As the main window opens it, without the modal loop; the knobs are
    // painted so that they report their turns.
    [[nodiscard]] bool open(bool expect = true)
    {
        if (expect)
            session.globals().expectGlobals();
        session.globals().setGlobalsWindowOpen(true);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return false;
        form->grab();
        for (Knob *k : form->findChildren<Knob *>())
            if (!k->PaintedOnce())
                return false;
        return true;
    }
    void feed(const Msg &m) { session.transfers().receive(m.data(), int(m.size())); }
    std::vector<Msg> take() { return std::exchange(loop->sent, {}); }
    QString put(const QString &name, const Msg &bytes)
    {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        return f.fileName();
    }
    QStringList texts() const { return prompter.texts(); }
};

Globals sample()
{
    // Unknown bytes and bits set, known ones in range.
    return {0xA5, 2, 1, 15, 0xDD, 7, 9, 17, 0x88, 0x03, 20, 0x11, 0xFE, 5};
}

int value(const NumberKnob *k)
{
    return int(k->GetValue());
}

} // namespace

class TestGlobals : public QObject {
    Q_OBJECT
private slots:
    void openingAsksOnceAndFillsWithoutEcho();
    void openingWithoutAmpShowsNoTimeout();
    void globalsOnlyWhileTheWindowIsOpen();
    void userEdits();
    void fromTheAmp();
    void version2Settings();
    void sendToAmpAndGetFromAmp();
    void fileReaderMessages_data();
    void fileReaderMessages();
    void openedFileAskedToSend();
    void saveAs();
};

void TestGlobals::openingAsksOnceAndFillsWithoutEcho()
{
    Rig rig;
    rig.amp.globals = sample();
    rig.session.link().setFirmwareVersion(0x20);
    // An Amp found during this run: the reply timer guards the request.
    rig.loop->inject(ampMessage({0x03, 0x10}));
    rig.loop->flush();
    rig.session.sync().takeFoundStep();
    QVERIFY(rig.session.link().isAmpFound());
    rig.take();

    QVERIFY(rig.open());
    QCOMPARE(rig.take(), std::vector<Msg>{GlobalsRequest});
    QVERIFY(rig.session.transfers().replyTimer().isActive());
    rig.form->setWindowTitle(QStringLiteral("x.syx - Globals"));
    rig.feed(globalsMessage(sample()));
    QCOMPARE(rig.image.globals, sample());
    QCOMPARE(rig.session.transfers().state(), TransferState::Idle);
    QVERIFY(!rig.session.transfers().replyTimer().isActive());
    QCOMPARE(rig.form->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Amp Globals"));
    GlobalsWindow &f = *rig.form;
    QCOMPARE(f.MidiChannelButtons->checkedButton()->text(), QStringLiteral("16"));
    QCOMPARE(f.BankStyleButtons->checkedId(), 2);
    QCOMPARE(f.AllInfoButtons->checkedId(), 1);
    // 0xDD: user, no stereo, LEDs off, no attenuator, quick boost.
    QVERIFY(f.CheckBoxUser->isChecked() && !f.CheckBoxStereo->isChecked() && f.CheckBoxLEDs->isChecked() &&
            !f.CheckBoxAtten->isChecked() && f.CheckBoxQB->isChecked());
    QCOMPARE(value(f.NxNumberKnobThresh), 7);
    QCOMPARE(value(f.NxNumberKnobSens), 9);
    QCOMPARE(value(f.NxNumberKnobIA), 17);
    QVERIFY(rig.take().empty()); // nothing echoed while the controls filled
    QVERIFY(!rig.session.editor().loading());
}

void TestGlobals::openingWithoutAmpShowsNoTimeout()
{
    Rig rig; // no answer comes
    QVERIFY(rig.open());
    QCOMPARE(rig.take(), std::vector<Msg>{GlobalsRequest});
    QCOMPARE(rig.session.transfers().state(), TransferState::Globals);
    // The wait ends like any other, so nothing waits behind it for ever;
    // without an Amp it ends without a word.
    QVERIFY(rig.session.transfers().replyTimer().isActive());
    rig.session.transfers().replyTimedOut();
    rig.session.queue().runPending();
    QCOMPARE(rig.session.transfers().state(), TransferState::Idle);
    QVERIFY(rig.prompter.shown.isEmpty());
    // The controls keep their design state: nothing selected, knobs at their minimum.
    QVERIFY(!rig.form->MidiChannelButtons->checkedButton() && !rig.form->CheckBoxStereo->isChecked());
    QCOMPARE(value(rig.form->NxNumberKnobIA), 1);
}

void TestGlobals::globalsOnlyWhileTheWindowIsOpen()
{
    Rig rig;
    rig.amp.globals = sample();
    QSignalSpy cabinet(&rig.session.globals(), &AmpGlobals::globalCabinetReported);
    QVERIFY(rig.open());
    // Closed before the answer came: the late reply ends the wait, changes nothing.
    rig.form.reset();
    rig.session.globals().setGlobalsWindowOpen(false);
    rig.feed(globalsMessage(sample()));
    QCOMPARE(rig.image.globals, Globals{});
    QCOMPARE(rig.session.transfers().state(), TransferState::Idle);
    QCOMPARE(cabinet.size(), 0);

    // Unasked, it is ignored even with the window open.
    rig.form = std::make_unique<GlobalsWindow>(rig.session.globals(), rig.session.queue(),
                                               rig.session.document().openDialogDirectory());
    QVERIFY(rig.open(false));
    rig.feed(globalsMessage(sample()));
    QCOMPARE(rig.image.globals, Globals{});

    // Asked and open: taken, and the main window's cabinet box follows byte 13.
    rig.answering = true;
    rig.session.globals().requestGlobals();
    rig.loop->flush();
    QCOMPARE(rig.image.globals, sample());
    QCOMPARE(cabinet.size(), 1);
    QCOMPARE(cabinet.at(0), (QVariantList{true, 4}));
}

void TestGlobals::userEdits()
{
    Rig rig;
    QVERIFY(rig.open(false));
    GlobalsWindow &f = *rig.form;
    rig.image.globals = sample();
    rig.image.globals[4] = 0x41;
    f.CheckBoxStereo->setChecked(true);
    QCOMPARE(rig.image.globals[4], 0x43);
    f.CheckBoxLEDs->setChecked(true);
    QCOMPARE(rig.image.globals[4], 0x53);
    f.MidiChannelButtons->button(4)->click();
    f.BankStyleButtons->button(1)->click();
    f.AllInfoButtons->button(2)->click();
    QTest::keyClick(f.NxNumberKnobSens, Qt::Key_Up);
    QCOMPARE(rig.take(), (std::vector<Msg>{globalField(4, 1, 1, 1), globalField(4, 4, 1, 1), globalField(3, 0, 4, 4),
                                           globalField(1, 0, 2, 1), globalField(2, 0, 2, 2), globalField(6, 0, 5, 1)}));
    // Only the edited bytes moved; the record is not part of the presets.
    QCOMPARE(rig.image.globals, (Globals{0xA5, 1, 2, 4, 0x53, 7, 1, 17, 0x88, 0x03, 20, 0x11, 0xFE, 5}));
    QVERIFY(!rig.session.document().isModified());

    // Under the loading guard an edit writes and sends nothing.
    {
        const PresetEditor::LoadingGuard guard(rig.session.editor());
        f.CheckBoxAtten->setChecked(true);
    }
    QCOMPARE(rig.image.globals[4], 0x73);
    QVERIFY(rig.take().empty());
}

void TestGlobals::fromTheAmp()
{
    Rig rig;
    QVERIFY(rig.open());
    QCOMPARE(rig.take(), std::vector<Msg>{GlobalsRequest});
    GlobalsWindow &f = *rig.form;
    rig.feed(globalField(4, 5, 1, 1));
    QVERIFY(f.CheckBoxAtten->isChecked());
    QCOMPARE(rig.image.globals[4], 0x20);
    rig.feed(globalField(3, 0, 4, 0));
    QCOMPARE(f.MidiChannelButtons->checkedButton()->text(), QStringLiteral("1"));
    QVERIFY(rig.take().empty());

    // Bytes beyond what the controls can show.
    Globals g = sample();
    g[3] = 16; // no such channel
    g[5] = 0x7F;
    g[7] = 0;
    rig.feed(globalsMessage(g));
    QVERIFY(!f.MidiChannelButtons->checkedButton());
    QCOMPARE(rig.image.globals[3], 16);
    // A knob holds a byte beyond its range as it shows it.
    QCOMPARE(value(f.NxNumberKnobThresh), 25);
    QCOMPARE(rig.image.globals[5], 25);
    QCOMPARE(value(f.NxNumberKnobIA), 1);
    QCOMPARE(rig.image.globals[7], 1);
    // The bytes and bits nothing shows are carried as they came.
    for (int i : {0, 8, 11, 12, 13})
        QCOMPARE(rig.image.globals[i], g[i]);
    QCOMPARE(rig.image.globals[4], 0xDD);
    QVERIFY(rig.take().empty());
    QVERIFY(!rig.session.editor().loading());
}

void TestGlobals::version2Settings()
{
    for (auto [version, on] : {std::pair{0x17, false}, {0x18, true}}) {
        Rig rig;
        rig.session.link().setFirmwareVersion(u8(version));
        QVERIFY(rig.open(false));
        GlobalsWindow &f = *rig.form;
        for (QWidget *w : {static_cast<QWidget *>(f.GroupBoxVersion2), static_cast<QWidget *>(f.NxNumberKnobIA),
                           static_cast<QWidget *>(f.CheckBoxQB), static_cast<QWidget *>(f.CheckBoxAtten),
                           static_cast<QWidget *>(f.CheckBoxLEDs)})
            QCOMPARE(w->isEnabled(), on);
        QCOMPARE(f.NxNumberKnobIA->Color(), on ? QColor(0, 128, 128) : f.palette().color(QPalette::Button));
        QTest::mouseClick(f.CheckBoxQB, Qt::LeftButton);
        QTest::keyClick(f.NxNumberKnobIA, Qt::Key_Up);
        QCOMPARE(f.CheckBoxQB->isChecked(), on);
        QCOMPARE(rig.take().size(), on ? std::size_t(2) : std::size_t(0));
    }
}

void TestGlobals::sendToAmpAndGetFromAmp()
{
    Rig rig;
    QVERIFY(rig.open(false));
    rig.image.globals = sample();
    rig.form->sendToAmpAction->trigger();
    QCOMPARE(rig.take(), std::vector<Msg>{globalsMessage(sample())});
    QCOMPARE(rig.amp.globals, sample());
    QCOMPARE(rig.session.transfers().state(), TransferState::Idle);
    QVERIFY(!rig.session.transfers().replyTimer().isActive());

    // Without an Amp found, "Get from Amp" still waits, and times out.
    rig.form->fetchFromAmpAction->trigger();
    QCOMPARE(rig.take(), std::vector<Msg>{GlobalsRequest});
    QCOMPARE(rig.session.transfers().state(), TransferState::Globals);
    QVERIFY(rig.session.transfers().replyTimer().isActive());
    rig.session.transfers().replyTimedOut();
    rig.session.queue().runPending();
    QCOMPARE(rig.texts(), QStringList{QStringLiteral("No response from Amp.")});
    QCOMPARE(rig.image.globals, sample());
}

void TestGlobals::fileReaderMessages_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: no file at all
    QTest::addColumn<QString>("error");       // empty: read
    Msg whole = globalsMessage(sample());
    auto bytes = [](const Msg &m) { return QByteArray(reinterpret_cast<const char *>(m.data()), qsizetype(m.size())); };
    Msg shorter(whole.begin(), whole.end() - 1);
    Msg longer = whole;
    longer.push_back(0x42);
    Msg single = ampMessage({0x09});
    single.resize(70, 0x01);
    QTest::newRow("36 bytes") << bytes(whole) << QString();
    QTest::newRow("37 bytes") << bytes(longer) << QString();
    QTest::newRow("35 bytes") << bytes(shorter) << "Incorrect File Format:\n%1";
    QTest::newRow("single preset") << bytes(single) << "Not a Quorvatron Global File:\n%1";
    QTest::newRow("six bytes") << bytes(Msg(whole.begin(), whole.begin() + 6)) << "Not a Quorvatron Global File:\n%1";
    QTest::newRow("no file") << QByteArray() << "Can't open file:\n%1";
}

void TestGlobals::fileReaderMessages()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, error);
    Rig rig;
    QVERIFY(rig.open(false));
    const QString path = contents.isEmpty() ? rig.dir.filePath(QStringLiteral("missing.syx"))
                                            : rig.put(QStringLiteral("g.syx"), Msg(contents.begin(), contents.end()));
    rig.prompter.fileNames = {path};
    rig.prompter.answers = {Button::No};
    rig.form->openAction->trigger();
    if (error.isEmpty()) {
        QCOMPARE(rig.image.globals, sample());
        QCOMPARE(rig.form->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("g.syx - Globals"));
        return;
    }
    // The error box, and nothing changed: record, controls, caption, dialogs.
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("Quorvex"));
    QCOMPARE(rig.prompter.shown.last().text,
             errorBoxText(error.contains(QLatin1String("%1")) ? error.arg(path) : error));
    QCOMPARE(rig.image.globals, Globals{});
    QVERIFY(!rig.form->MidiChannelButtons->checkedButton());
    QCOMPARE(rig.form->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Amp Globals"));
    QCOMPARE(rig.form->files().openDirectory(), rig.dir.path());
    QVERIFY(rig.take().empty());
}

void TestGlobals::openedFileAskedToSend()
{
    Rig rig;
    Globals g{};
    g[0] = 0xA0;
    g[7] = 17; // in the input adjust knob's range
    Msg file = globalsMessage(g);
    file[7] = 0x3A;  // only the low four bits of a nibble byte count
    file[35] = 0x00; // and the closing byte is not checked
    const QString path = rig.put(QStringLiteral("nibbles.syx"), file);

    // No: the record and the controls show the file, the Amp hears nothing.
    rig.prompter.answers = {Button::No};
    rig.form->readGlobalFile(path);
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("Global File Open"));
    QCOMPARE(rig.prompter.shown.last().text, QStringLiteral("Send Globals to Amp?"));
    QCOMPARE(rig.image.globals, g);
    QCOMPARE(rig.form->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("nibbles.syx - Globals"));
    QVERIFY(rig.take().empty());

    // Yes: the whole record goes, once; no reply is awaited.
    rig.prompter.answers = {Button::Yes};
    rig.form->readGlobalFile(path);
    QCOMPARE(rig.take(), std::vector<Msg>{globalsMessage(g)});
    QCOMPARE(rig.session.transfers().state(), TransferState::Idle);
}

void TestGlobals::saveAs()
{
    Rig rig;
    QVERIFY(rig.open(false));
    rig.image.globals = sample();

    // A file that cannot be written is reported; caption and dialogs stay.
    const QString bad = rig.dir.filePath(QStringLiteral("no such folder/g.syx"));
    rig.prompter.fileNames = {bad};
    rig.form->saveAsAction->trigger();
    QVERIFY2(rig.texts().last().startsWith(QStringLiteral("Can't save file:\n") + bad + QLatin1Char('\n')),
             qPrintable(rig.texts().last()));
    QCOMPARE(rig.form->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Amp Globals"));
    QCOMPARE(rig.form->files().saveName(), QString());

    // Written, and read back into the same 14 bytes.
    const QString path = rig.dir.filePath(QStringLiteral("mine.syx"));
    rig.prompter.fileNames = {path};
    rig.form->saveAsAction->trigger();
    QCOMPARE(rig.form->windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("mine.syx - Globals"));
    QCOMPARE(rig.form->files().saveName(), QStringLiteral("mine.syx"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    QCOMPARE(Msg(written.begin(), written.end()), globalsMessage(sample()));
    rig.image.globals = Globals{};
    rig.prompter.fileNames = {path};
    rig.prompter.answers = {Button::No};
    rig.form->openAction->trigger();
    QCOMPARE(rig.image.globals, sample());
    QVERIFY(rig.take().empty());

    // An edit marks the window unsaved; onto an existing file (a group file
    // even) Save As asks first, and No leaves it and the mark as they were.
    QVERIFY(!rig.form->isWindowModified());
    rig.form->CheckBoxStereo->click();
    QVERIFY(rig.form->isWindowModified());
    QVERIFY(rig.form->windowTitle().contains(QStringLiteral("[*]")));
    const Msg group = amp::groupDump(std::array<std::uint8_t, preset::GroupSize>{});
    const QString band = rig.put(QStringLiteral("band.syx"), group);
    rig.prompter.fileNames = {band};
    rig.prompter.answers = {Button::No};
    rig.form->saveAsAction->trigger();
    QCOMPARE(rig.prompter.shown.last().text, QStringLiteral("File Exists. Overwrite?"));
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("File Save"));
    QFile kept(band);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.size(), qint64(group.size()));
    QVERIFY(rig.form->isWindowModified());
    rig.prompter.fileNames = {path};
    rig.prompter.answers = {Button::Yes};
    rig.form->saveAsAction->trigger();
    QVERIFY(!rig.form->isWindowModified());
    QCOMPARE(rig.prompter.unexpected, 0);
}

QTEST_MAIN(TestGlobals)
#include "tst_globals.moc"
