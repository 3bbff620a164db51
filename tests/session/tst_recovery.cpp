// SPDX-License-Identifier: GPL-3.0-or-later
// Unsaved work kept beside the program while it runs, and offered back by
// the next start when the program that kept it ended without saving.
#include "files/presetfile.h"
#include "model/globalrecord.h"
#include "session/globalfiles.h"
#include "session/recoverycopy.h"
#include "support/ampworld.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

using Button = Prompter::Button;

namespace {

std::array<std::uint8_t, preset::GroupSize> bandGroup()
{
    std::array<std::uint8_t, preset::GroupSize> g{};
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        std::copy(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), g.begin() + slot * preset::RecordSize);
        g[slot * preset::RecordSize + preset::PreGain] = std::uint8_t(slot + 1);
    }
    return g;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// One running program: a session keeping copies in the shared folder.
struct Program {
    ScriptedPrompter prompter;
    AmpWorld world{prompter};
    Session &s = world.s();
    RecoveryCopy &recovery = s.recovery();

    explicit Program(const QString &folder) { recovery.start(folder); }
    // Band opened from disk, tab C2 shown, its PreGain turned to 20.
    void editBand(const QString &band)
    {
        QVERIFY(s.document().setWorkingDirectory(QFileInfo(band).path()));
        QVERIFY(s.run([&] { QVERIFY(s.files().openNamed(band)); }));
        s.editor().selectSlot(9);
        s.editor().editByte(preset::PreGain, 20);
        world.settle();
        QVERIFY(s.document().isModified());
    }
    // What the timer would do a second after the last change.
    void writeDue()
    {
        QVERIFY(recovery.timer().isActive());
        recovery.writeNow();
        recovery.waitForWriter();
    }
};

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder_;
    QString band_;

private slots:
    void initTestCase()
    {
        // The trash lives in the data folder: never the user's.
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toUtf8());
    }
    void init()
    {
        folder_ = dir_.filePath(QStringLiteral("recovery"));
        QDir(folder_).removeRecursively();
        QDir(dir_.filePath(QStringLiteral("data"))).removeRecursively();
        band_ = dir_.filePath(QStringLiteral("band.syx"));
        files::writeGroupFile(band_, bandGroup());
    }

    void whileTheProgramRuns_data()
    {
        // What happens to the program's own copy after an edit is written.
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("kept");
        QTest::newRow("another edit") << "edit" << true;
        QTest::newRow("saved") << "save" << false;
        QTest::newRow("undone to the saved state") << "undo" << false;
        QTest::newRow("New, not saved") << "new" << false;
        QTest::newRow("Open after No") << "open" << false;
        QTest::newRow("the program ends in order") << "end" << false;
    }
    void whileTheProgramRuns()
    {
        QFETCH(QString, then);
        QFETCH(bool, kept);
        auto p = std::make_unique<Program>(folder_);
        const QString copy = p->recovery.path();
        QVERIFY(!p->recovery.timer().isActive()); // nothing at idle
        p->editBand(band_);
        QVERIFY(!QFile::exists(copy)); // never on the hand's path
        p->writeDue();
        const RecoveryState state = RecoveryState::fromBytes(bytesOf(copy));
        QCOMPARE(state.filePath, band_);
        QCOMPARE(state.kind, Document::Kind::Group);
        QVERIFY(state.groupView);
        QCOMPARE(state.slot, 9);
        QCOMPARE(int(state.presets[9 * preset::RecordSize + preset::PreGain]), 20);
        QVERIFY(!p->recovery.timer().isActive());

        Session &s = p->s;
        if (then == "edit") {
            s.editor().editByte(preset::PreGain, 21);
            p->writeDue();
            QCOMPARE(int(RecoveryState::fromBytes(bytesOf(copy)).presets[9 * preset::RecordSize + preset::PreGain]),
                     21);
        } else if (then == "save") {
            QVERIFY(s.run([&] { QVERIFY(s.files().save()); }));
        } else if (then == "undo") {
            s.editor().history().stack().undo();
        } else if (then == "new") {
            p->prompter.answers = {Button::No};
            QVERIFY(s.run([&] { s.files().newDocument(false); }));
        } else if (then == "open") {
            p->prompter.answers = {Button::No};
            QVERIFY(s.run([&] { s.files().openFromList(band_); }));
        } else if (then == "end") {
            p.reset();
        }
        if (p)
            p->recovery.waitForWriter();
        QCOMPARE(QFile::exists(copy), kept);
        if (p)
            QVERIFY(!p->recovery.timer().isActive());
    }

    void atTheNextStart_data()
    {
        QTest::addColumn<QString>("left");  // what the earlier program left
        QTest::addColumn<Button>("answer"); // to the question, when asked
        QTest::addColumn<QString>("asked"); // a part of the question; empty: none
        QTest::addColumn<QString>("told");  // a part of a notice; empty: none
        QTest::addColumn<bool>("restored");
        QTest::addColumn<QString>("copyIs"); // "there", "gone", "trash", "aside"
        const QString question = QStringLiteral("Quorvex ended without saving band.syx (last change ");
        QTest::newRow("crash, Restore") << "crash" << Button::Yes << question << "" << true << "gone";
        QTest::newRow("crash, Discard") << "crash" << Button::No << question << "" << false << "trash";
        QTest::newRow("crash, closed") << "crash" << Button::Cancel << question << "" << false << "there";
        QTest::newRow("a new preset") << "untitled" << Button::Yes
                                      << "Quorvex ended without saving a new preset (last change "
                                      << "" << true << "gone";
        QTest::newRow("a preset from the Amp")
            << "fetched" << Button::Yes << "Quorvex ended without saving the preset from the Amp's B3 (last "
            << "" << true << "gone";
        QTest::newRow("file changed on disk since") << "changed" << Button::Yes << "band.syx has changed on disk since"
                                                    << "" << true << "gone";
        QTest::newRow("still running") << "running" << Button::Yes << ""
                                       << "" << false << "there";
        QTest::newRow("truncated") << "truncated" << Button::Yes << ""
                                   << "It is damaged" << false << "aside";
        QTest::newRow("from a newer version") << "future" << Button::Yes << ""
                                              << "A newer version" << false << "aside";
        QTest::newRow("not presets") << "garbage" << Button::Yes << ""
                                     << "It is damaged" << false << "aside";
    }
    void atTheNextStart()
    {
        QFETCH(QString, left);
        QFETCH(Button, answer);
        QFETCH(QString, asked);
        QFETCH(QString, told);
        QFETCH(bool, restored);
        QFETCH(QString, copyIs);

        // The earlier program: still running, or gone without a word (a
        // copy with no live owner's lock is what a kill leaves).
        auto earlier = std::make_unique<Program>(folder_);
        if (left == "untitled") {
            QVERIFY(earlier->s.run([&] { earlier->s.files().newDocument(false); }));
            earlier->s.editor().editByte(preset::PreGain, 20);
        } else if (left == "fetched") {
            QVERIFY(earlier->s.run([&] { earlier->s.fetches().presetFromAmp(6); }));
            earlier->world.settle();
            earlier->s.editor().editByte(preset::PreGain, 20);
        } else {
            earlier->editBand(band_);
        }
        earlier->writeDue();
        const QString copy = QDir(folder_).filePath(QStringLiteral("4000000-1") + RecoveryCopy::Suffix);
        QByteArray bytes = bytesOf(earlier->recovery.path());
        if (left == "truncated")
            bytes.chop(bytes.size() / 2);
        else if (left == "future")
            bytes.replace(QByteArray("\"version\": ") + QByteArray::number(RecoveryState::Version), "\"version\": 99");
        else if (left == "garbage")
            bytes.replace("\"presets\": \"", "\"presets\": \"0000\", \"rest\": \"");
        if (left == "changed")
            files::writeSingleFile(band_, preset::DefaultRecord);
        QString leftCopy = earlier->recovery.path();
        if (left != "running") {
            put(copy, bytes);
            leftCopy = copy;
            earlier.reset();
        }

        Program next(folder_);
        next.prompter.answers = {answer};
        bool wasRestored = false;
        QVERIFY(next.s.run([&] { wasRestored = next.recovery.offerLeftBehind(next.prompter, next.s.files()); }));
        next.recovery.waitForWriter();
        next.world.settle();
        const QStringList shown = next.prompter.texts();
        QCOMPARE(shown.size(), asked.isEmpty() && told.isEmpty() ? 0 : 1);
        if (!asked.isEmpty())
            QVERIFY2(shown[0].startsWith(asked) || shown[0].contains(asked), qPrintable(shown[0]));
        if (!told.isEmpty())
            QVERIFY2(shown[0].contains(told), qPrintable(shown[0]));
        QCOMPARE(wasRestored, restored);

        Session &s = next.s;
        if (restored) {
            // As it was, unsaved, under its own name, and the Amp plays it.
            QVERIFY(s.document().isModified());
            QCOMPARE(s.editor().record()[preset::PreGain], 20);
            QCOMPARE(s.document().ampSlot(), left == "fetched" ? 6 : -1);
            if (left == "untitled" || left == "fetched") {
                QVERIFY(s.document().filePath().isEmpty());
                QVERIFY(!s.editor().isGroupView());
            } else {
                QCOMPARE(s.document().filePath(), band_);
                QVERIFY(s.editor().isGroupView());
                QCOMPARE(s.editor().currentSlot(), 9);
            }
            QCOMPARE(next.world.amp().current[preset::PreGain], 20);
            // The work is this program's now: its own copy holds it.
            QCOMPARE(int(RecoveryState::fromBytes(bytesOf(next.recovery.path()))
                             .presets[s.editor().currentSlot() * preset::RecordSize + preset::PreGain]),
                     20);
        } else {
            QVERIFY(!s.document().isModified());
        }
        const QString trash = dir_.filePath(QStringLiteral("data/Trash/files/")) + QFileInfo(leftCopy).fileName();
        QCOMPARE(QFile::exists(leftCopy), copyIs == "there");
        QCOMPARE(QFile::exists(trash), copyIs == "trash");
        QCOMPARE(QFile::exists(leftCopy + QStringLiteral(".damaged")), copyIs == "aside");
        // Set aside or trashed, it is never offered again.
        if (copyIs != "there") {
            next.prompter.shown.clear();
            QVERIFY(s.run([&] { next.recovery.offerLeftBehind(next.prompter, s.files()); }));
            QVERIFY(next.prompter.shown.isEmpty());
        }
    }

    void killedAtAnyMoment()
    {
        // A program editing, keeping its copy and saving, killed at random
        // moments: the file is always whole (the old or a new content) and
        // the copy, when there is one, always loads and is offered.
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        for (int round = 0; round < 12; ++round) {
            init();
            const QByteArray before = bytesOf(band_);
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QUORVEX_TEST_EDIT"),
                       band_ + QLatin1Char('\n') + folder_ + QLatin1Char('\n') + QString::number(random.generate()));
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            // Killed after a random number of steps it reports.
            const int steps = random.bounded(1, 400);
            int seen = 0;
            while (seen < steps && child.waitForReadyRead(10000))
                seen += child.readAll().count('.');
            QVERIFY2(seen >= steps, qPrintable(QStringLiteral("seed %1: the child stopped").arg(seed)));
            child.kill();
            QVERIFY(child.waitForFinished(5000));

            const QByteArray now = bytesOf(band_);
            QVERIFY2(now == before || (now.size() == 1000 && now.startsWith(before.left(7)) && now.endsWith('\xF7')),
                     qPrintable(QStringLiteral("seed %1, round %2: the file is not whole").arg(seed).arg(round)));
            const QStringList copies =
                QDir(folder_).entryList({QStringLiteral("*") + RecoveryCopy::Suffix}, QDir::Files);
            QVERIFY(copies.size() <= 1);
            for (const QString &name : copies)
                RecoveryState::fromBytes(bytesOf(QDir(folder_).filePath(name))); // throws when it does not load
            Program next(folder_);
            next.prompter.answers = {Button::Yes};
            QVERIFY(next.s.run(
                [&] { QCOMPARE(next.recovery.offerLeftBehind(next.prompter, next.s.files()), !copies.isEmpty()); }));
            QCOMPARE(next.prompter.unexpected, 0);
            next.recovery.waitForWriter();
        }
    }

    void globalSettingsToo()
    {
        // Global edits are unsaved work of their own: kept with or without
        // the document's, and given back to the window and the Amp.
        auto p = std::make_unique<Program>(folder_);
        const QString copy = p->recovery.path();
        AmpGlobals &g = p->s.globals();
        g.editGlobalByte(globalrecord::GateThreshold, 17);
        p->writeDue();
        RecoveryState state = RecoveryState::fromBytes(bytesOf(copy));
        QVERIFY(!state.hasDocument);
        QCOMPARE(int(state.globals[globalrecord::GateThreshold.index]), 17);

        p->editBand(band_);
        g.editGlobalByte(globalrecord::GateThreshold, 18);
        p->writeDue();
        state = RecoveryState::fromBytes(bytesOf(copy));
        QVERIFY(state.hasDocument);
        QCOMPARE(int(state.globals[globalrecord::GateThreshold.index]), 18);

        // The document saved: the copy keeps the global settings alone.
        QVERIFY(p->s.run([&] { QVERIFY(p->s.files().save()); }));
        p->writeDue();
        state = RecoveryState::fromBytes(bytesOf(copy));
        QVERIFY(!state.hasDocument);

        // Killed: the next start gives them back and plays them.
        const QString left = QDir(folder_).filePath(QStringLiteral("4000000-2") + RecoveryCopy::Suffix);
        put(left, bytesOf(copy));
        p.reset();
        Program next(folder_);
        next.prompter.answers = {Button::Yes};
        bool restoredDocument = true;
        QVERIFY(next.s.run([&] { restoredDocument = next.recovery.offerLeftBehind(next.prompter, next.s.files()); }));
        next.world.settle();
        QVERIFY(!restoredDocument);
        QVERIFY(next.recovery.restoredGlobals());
        QVERIFY2(next.prompter.texts().value(0).startsWith(
                     QStringLiteral("Quorvex ended without saving the global settings (last change")),
                 qPrintable(next.prompter.texts().value(0)));
        QVERIFY(next.s.globals().isModified());
        QVERIFY(!next.s.document().isModified());
        QCOMPARE(int(next.s.globals().record()[globalrecord::GateThreshold.index]), 18);
        QCOMPARE(int(next.world.amp().globals[globalrecord::GateThreshold.index]), 18);

        // Saved to a global file: nothing is left to keep.
        next.recovery.waitForWriter();
        QVERIFY(QFile::exists(next.recovery.path()));
        GlobalFiles files(next.s.globals(), next.prompter);
        next.prompter.fileNames = {dir_.filePath(QStringLiteral("settings.syx"))};
        QVERIFY(next.s.run([&] { QVERIFY(!files.saveAs().isEmpty()); }));
        next.recovery.waitForWriter();
        QVERIFY(!QFile::exists(next.recovery.path()));
        QCOMPARE(next.s.globals().sourcePath(), dir_.filePath(QStringLiteral("settings.syx")));
    }

    void twoProgramsNeverShareACopy()
    {
        Program a(folder_), b(folder_);
        QVERIFY(!a.recovery.path().isEmpty());
        QVERIFY(a.recovery.path() != b.recovery.path());
    }
};

// The program killed above: edits the file's presets, keeps its copy and
// saves, each at random, reporting every step with a dot, until killed.
static int editUntilKilled(int argc, char *argv[], const QStringList &how)
{
    QGuiApplication app(argc, argv);
    Program p(how.value(1));
    QRandomGenerator random(how.value(2).toUInt());
    Session &s = p.s;
    s.document().setWorkingDirectory(QFileInfo(how.value(0)).path());
    if (!s.run([&] { s.files().openNamed(how.value(0)); }))
        return 1;
    s.editor().selectSlot(3);
    for (;;) {
        s.editor().editByte(preset::PreGain, std::uint8_t(random.bounded(1, 34)));
        const int what = random.bounded(10);
        if (what < 3)
            p.recovery.writeNow();
        else if (what == 3)
            s.run([&] { s.files().save(); });
        std::fputs(".", stdout);
        std::fflush(stdout);
        QCoreApplication::processEvents();
    }
}

int main(int argc, char *argv[])
{
    if (const QString how = qEnvironmentVariable("QUORVEX_TEST_EDIT"); !how.isEmpty())
        return editUntilKilled(argc, argv, how.split(QLatin1Char('\n')));
    QGuiApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
