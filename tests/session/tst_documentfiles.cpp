// SPDX-License-Identifier: GPL-3.0-or-later
// The File commands on a session with no window: what each reads or writes,
// which view it leaves, and what it does to the document's name, title,
// origin and modified flag. Real files in a temporary folder.
#include "files/safefile.h"
#include "midi/loopbackbackend.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "session/session.h"
#include "support/scriptedprompter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <sys/resource.h>
#endif

using Button = Prompter::Button;
using View = PresetEditor::View;
using amp::Bytes;

namespace {

struct Rig {
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    LoopbackBackend *backend = new LoopbackBackend;
    Session session{std::unique_ptr<MidiBackend>(backend), prompter};
    Document &doc = session.document();
    DocumentFiles &files = session.files();

    Rig()
    {
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
        doc.setWorkingDirectory(dir.path());
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    void put(const QString &name, const Bytes &bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    Bytes get(const QString &where) const
    {
        QFile f(where);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray b = f.readAll();
        return Bytes(b.begin(), b.end());
    }
};

// Records that differ everywhere, in the Amp's ranges.
preset::Record recordOf(std::uint8_t seed)
{
    preset::Record r;
    for (int i = 0; i < preset::RecordSize; ++i)
        r[i] = std::uint8_t(seed + i);
    presetparams::makeValid(r);
    return r;
}

std::array<std::uint8_t, preset::GroupSize> groupOf(std::uint8_t seed)
{
    std::array<std::uint8_t, preset::GroupSize> g;
    for (int i = 0; i < preset::GroupSize; ++i)
        g[i] = std::uint8_t(seed + i * 3);
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        presetparams::makeValid(
            std::span<std::uint8_t, preset::RecordSize>(g.data() + slot * preset::RecordSize, preset::RecordSize));
    return g;
}

} // namespace

class TestDocumentFiles : public QObject {
    Q_OBJECT
private slots:
    void openGroupAndSingleFiles();
    void importsReplaceOneSlot();
    void readerFailuresChangeNothing();
    void globalFileIsAskedAbout();
    void saveAsSaveAndOverwrite();
    void saveCurrentTabAndSaveBack();
    void savingElsewhereKeepsSaveHonest();
    void saveWritesOnlyTheDocumentsFile_data();
    void saveWritesOnlyTheDocumentsFile();
    void failedSavesKeepTheOldFileAndTheEdits_data();
    void failedSavesKeepTheOldFileAndTheEdits();
    void askToSaveYesSavesOrAbandons();
    void notesLieBesideTheirFile();
};

void TestDocumentFiles::openGroupAndSingleFiles()
{
    Rig rig;
    QDir(rig.dir.path()).mkdir(QStringLiteral("sub"));
    const auto group = groupOf(1);
    rig.put(QStringLiteral("sub/Band.syx"), amp::groupDump(group));
    const auto single = recordOf(9);
    rig.put(QStringLiteral("12\" Lead.syx"), amp::singlePreset(single));

    // From the dialog: group view on the file's slots, the list moves along.
    rig.prompter.fileNames = {QStringLiteral("\"") + rig.path(QStringLiteral("sub/Band.syx")) + QStringLiteral("\"")};
    rig.session.editor().startHistory(false);
    rig.files.open();
    QCOMPARE(rig.session.editor().view(), View::Group);
    QCOMPARE(rig.session.editor().image().group, group);
    QCOMPARE(rig.doc.caption(), rig.path(QStringLiteral("sub/Band.syx")) + QStringLiteral(" - Quorvex"));
    QCOMPARE(rig.doc.fileName(), QStringLiteral("Band.syx"));
    QCOMPARE(rig.doc.workingDirectory(), rig.path(QStringLiteral("sub")));
    QCOMPARE(rig.doc.openDialogDirectory(), rig.path(QStringLiteral("sub")));
    QCOMPARE(rig.doc.saveDialogDirectory(), rig.path(QStringLiteral("sub")));
    QVERIFY(!rig.doc.saveElsewhere());
    QCOMPARE(rig.backend->sent.back(), amp::singlePreset(rig.session.editor().image().record(0)));

    // From the list (another folder): single view on slot A1; the list
    // stays. A quote in a name is part of it.
    rig.session.editor().startHistory(true);
    rig.prompter.answers = {Button::No};
    rig.files.openFromList(rig.path(QStringLiteral("12\" Lead.syx")));
    QCOMPARE(rig.session.editor().view(), View::Single);
    QVERIFY(std::equal(single.begin(), single.end(), rig.session.editor().image().record(0).begin()));
    QVERIFY(!rig.doc.isModified());
    QCOMPARE(rig.doc.workingDirectory(), rig.path(QStringLiteral("sub")));
    QCOMPARE(rig.doc.fileName(), QStringLiteral("12\" Lead.syx"));

    // Named on the command line: it may lie anywhere, and Save then asks.
    QVERIFY(rig.files.openNamed(rig.path(QStringLiteral("12\" Lead.syx"))));
    QVERIFY(rig.doc.saveElsewhere());
    QCOMPARE(rig.doc.originDirectory(), rig.dir.path());

    // A group named with a slot (a library row, a setlist's step): that
    // tab is shown, and the Amp gets that slot alone.
    rig.backend->sent.clear();
    QVERIFY(rig.files.openNamed(rig.path(QStringLiteral("sub/Band.syx")), 6));
    QCOMPARE(rig.session.editor().currentSlot(), 6);
    QCOMPARE(rig.backend->sent, std::vector<Bytes>{amp::singlePreset(preset::groupRecord(group, 6))});
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestDocumentFiles::importsReplaceOneSlot()
{
    Rig rig;
    rig.session.editor().setView(View::Group);
    rig.session.editor().selectSlotQuietly(5);
    const auto before = rig.session.editor().image().group;
    const auto single = recordOf(40);
    rig.put(QStringLiteral("one.syx"), amp::singlePreset(single));
    rig.put(QStringLiteral("all.syx"), amp::groupDump(groupOf(7)));
    rig.doc.setTitle(QStringLiteral("/x/kept.syx"));

    rig.files.importFromList(rig.path(QStringLiteral("one.syx")));
    QVERIFY(rig.doc.isModified());
    for (int s = 0; s < preset::SlotCount; ++s)
        QVERIFY(std::equal(rig.session.editor().image().record(s).begin(), rig.session.editor().image().record(s).end(),
                           s == 5 ? single.begin() : before.begin() + s * preset::RecordSize));
    QCOMPARE(rig.doc.caption(), QStringLiteral("/x/kept.syx - Quorvex"));

    const auto after = rig.session.editor().image().group;
    rig.prompter.fileNames = {rig.path(QStringLiteral("all.syx"))};
    QVERIFY_THROWS_EXCEPTION(QuorvexError, rig.files.importSingleToTab());
    QCOMPARE(rig.session.editor().image().group, after);
}

void TestDocumentFiles::readerFailuresChangeNothing()
{
    Rig rig;
    rig.session.editor().image().group.fill(0x11);
    Bytes shortGroup = amp::groupDump(groupOf(3));
    shortGroup.pop_back(); // 999 bytes
    rig.put(QStringLiteral("short.syx"), shortGroup);
    try {
        rig.files.openFromList(rig.path(QStringLiteral("short.syx")));
        QFAIL("a 999-byte group opened");
    } catch (const QuorvexError &e) {
        QCOMPARE(e.message(), QStringLiteral("Incorrect File Format:\n") + rig.path(QStringLiteral("short.syx")));
    }
    // Read whole before anything changed: the view and the slots stay.
    QCOMPARE(rig.session.editor().view(), View::Single);
    QVERIFY(std::all_of(rig.session.editor().image().group.begin(), rig.session.editor().image().group.end(),
                        [](auto b) { return b == 0x11; }));
    QCOMPARE(rig.doc.caption(), QStringLiteral("untitled - Quorvex"));

    // A longer file, or one without its final F7, opens.
    Bytes longer = amp::groupDump(groupOf(3));
    longer.back() = 0x00;
    longer.push_back(0x55);
    rig.put(QStringLiteral("long.syx"), longer);
    rig.files.openFromList(rig.path(QStringLiteral("long.syx")));
    QCOMPARE(rig.session.editor().image().group, groupOf(3));
}

void TestDocumentFiles::globalFileIsAskedAbout()
{
    Rig rig;
    std::array<std::uint8_t, preset::GlobalSize> globals{};
    rig.put(QStringLiteral("g.syx"), amp::globals(globals));
    const auto before = rig.session.editor().image().group;

    rig.prompter.answers = {Button::No};
    QVERIFY(!rig.files.readFile(rig.path(QStringLiteral("g.syx")), false));
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("File Open"));
    QCOMPARE(rig.prompter.shown.last().text, QStringLiteral("This is a Global File. Open it?"));

    QSignalSpy chosen(&rig.files, &DocumentFiles::globalFileChosen);
    rig.prompter.answers = {Button::Yes};
    QVERIFY(!rig.files.readFile(rig.path(QStringLiteral("\"g.syx\"")).remove(QLatin1Char('"')), true));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).toString(), rig.path(QStringLiteral("g.syx")));
    QCOMPARE(rig.session.editor().image().group, before);
}

void TestDocumentFiles::saveAsSaveAndOverwrite()
{
    Rig rig;
    rig.session.editor().setView(View::Group);
    rig.session.editor().image().group = groupOf(20);
    rig.session.editor().startHistory(true);
    QSignalSpy refreshed(&rig.files, &DocumentFiles::listRefreshWanted);

    rig.prompter.fileNames = {rig.path(QStringLiteral("g.syx"))};
    QVERIFY(rig.files.save()); // no name yet: Save As
    QCOMPARE(rig.get(rig.path(QStringLiteral("g.syx"))), amp::groupDump(groupOf(20)));
    QVERIFY(!rig.doc.isModified());
    QCOMPARE(rig.doc.fileName(), QStringLiteral("g.syx"));
    QCOMPARE(refreshed.size(), 1);

    // Save writes under the name, without a question.
    rig.session.editor().image().group[0] = 0x7E;
    rig.session.editor().startHistory(true);
    QVERIFY(rig.files.save());
    QCOMPARE(rig.get(rig.path(QStringLiteral("g.syx")))[8], 0x0E);
    QVERIFY(rig.prompter.shown.size() == 1); // the one save dialog

    // Save As onto an existing file, declined: nothing written, nothing changed.
    rig.put(QStringLiteral("other.syx"), Bytes{1, 2, 3});
    rig.prompter.fileNames = {rig.path(QStringLiteral("other.syx"))};
    rig.prompter.answers = {Button::No};
    rig.session.editor().startHistory(true);
    QVERIFY(!rig.files.saveAs());
    QCOMPARE(rig.get(rig.path(QStringLiteral("other.syx"))), (Bytes{1, 2, 3}));
    QCOMPARE(rig.prompter.shown.last().text, QStringLiteral("File Exists. Overwrite?"));
    QCOMPARE(rig.prompter.shown.last().caption, QStringLiteral("File Save"));
    QCOMPARE(rig.doc.fileName(), QStringLiteral("g.syx"));
    QVERIFY(rig.doc.isModified());

    // Single view writes slot A1 alone.
    rig.session.editor().setView(View::Single);
    rig.prompter.fileNames = {rig.path(QStringLiteral("one.syx"))};
    QVERIFY(rig.files.saveAs());
    QCOMPARE(rig.get(rig.path(QStringLiteral("one.syx"))), amp::singlePreset(rig.session.editor().image().record(0)));
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestDocumentFiles::saveCurrentTabAndSaveBack()
{
    Rig rig;
    rig.session.editor().setView(View::Group);
    rig.session.editor().image().group = groupOf(60);
    rig.session.editor().selectSlotQuietly(9);
    rig.doc.setFile(rig.path(QStringLiteral("doc.syx")), Document::Kind::Group);
    rig.session.editor().startHistory(true);

    rig.prompter.fileNames = {rig.path(QStringLiteral("tab.syx"))};
    rig.files.saveCurrentTab();
    QCOMPARE(rig.get(rig.path(QStringLiteral("tab.syx"))), amp::singlePreset(rig.session.editor().image().record(9)));
    QCOMPARE(rig.doc.fileName(), QStringLiteral("doc.syx"));
    QVERIFY(rig.doc.isModified());

    // Save Back: the dialog starts in the file's own folder, and stays there after.
    QTemporaryDir origin;
    rig.doc.setFile(origin.filePath(QStringLiteral("far.syx")), Document::Kind::Group);
    QVERIFY(rig.doc.saveElsewhere());
    rig.doc.setSaveDialogDirectory(QStringLiteral("/somewhere"));
    rig.prompter.fileNames = {origin.filePath(QStringLiteral("far.syx"))};
    rig.files.saveBack();
    QCOMPARE(rig.get(origin.filePath(QStringLiteral("far.syx"))).size(), std::size_t(1000));
    QCOMPARE(rig.doc.saveDialogDirectory(), QStringLiteral("/somewhere"));
    QVERIFY(rig.doc.saveElsewhere());
}

void TestDocumentFiles::savingElsewhereKeepsSaveHonest()
{
    // Saved as a file outside the list's folder, the next Save must not write
    // a file of that name into the list's folder.
    Rig rig;
    QTemporaryDir elsewhere;
    rig.prompter.fileNames = {elsewhere.filePath(QStringLiteral("x.syx")), elsewhere.filePath(QStringLiteral("x.syx"))};
    QVERIFY(rig.files.saveAs());
    rig.session.editor().image().record(0)[3] = 30;
    rig.prompter.answers = {Button::Yes};
    QVERIFY(rig.files.save());
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("x.syx"))));
    QCOMPARE(rig.get(elsewhere.filePath(QStringLiteral("x.syx")))[7 + 2 * 3], 0x01);
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestDocumentFiles::askToSaveYesSavesOrAbandons()
{
    Rig rig;
    rig.session.editor().startHistory(true);
    // Yes, and the Save As dialog cancelled: the command is abandoned.
    rig.prompter.answers = {Button::Yes};
    rig.prompter.fileNames = {QString()};
    QVERIFY_THROWS_EXCEPTION(Abort, rig.session.files().newDocument(true));
    QCOMPARE(rig.session.editor().view(), View::Single);
    QVERIFY(rig.doc.isModified());

    // Yes, and the write fails: reported, abandoned, still modified.
    rig.prompter.answers = {Button::Yes};
    rig.prompter.fileNames = {rig.path(QStringLiteral("missing/x.syx"))};
    QVERIFY_THROWS_EXCEPTION(QuorvexError, rig.session.files().newDocument(true));
    QCOMPARE(rig.session.editor().view(), View::Single);
    QVERIFY(rig.doc.isModified());

    // Yes, and saved: the command goes on.
    rig.session.editor().image().record(0)[3] = 25;
    rig.prompter.answers = {Button::Yes};
    rig.prompter.fileNames = {rig.path(QStringLiteral("kept.syx"))};
    rig.session.files().newDocument(true);
    QCOMPARE(rig.get(rig.path(QStringLiteral("kept.syx")))[7 + 2 * 3 + 1], 25 & 0x0F);
    QCOMPARE(rig.session.editor().view(), View::Group);
    QVERIFY(!rig.doc.isModified());
    QCOMPARE(rig.prompter.unexpected, 0);
}

void TestDocumentFiles::notesLieBesideTheirFile()
{
    Rig rig;
    QVERIFY(rig.files.notePath().isEmpty()); // untitled
    rig.doc.setFile(rig.path(QStringLiteral("bass.syx")), Document::Kind::Single);
    QCOMPARE(rig.files.notePath(), rig.path(QStringLiteral("bass.txt")));
    rig.doc.setFile(QStringLiteral("/elsewhere/lead.bin"), Document::Kind::Single);
    QCOMPARE(rig.files.notePath(), QStringLiteral("/elsewhere/lead.txt"));
    // Wherever the list goes, the note stays beside its file.
    QTemporaryDir other;
    rig.doc.setWorkingDirectory(other.path());
    QCOMPARE(rig.files.notePath(), QStringLiteral("/elsewhere/lead.txt"));
    rig.doc.dropFile(QStringLiteral("Amp Preset"), true); // a preset from the Amp
    QVERIFY(rig.files.notePath().isEmpty());
}

void TestDocumentFiles::saveWritesOnlyTheDocumentsFile_data()
{
    // Something happens between opening the group file band.syx from the
    // list and pressing Save: Save must then ask where, and no file changes.
    QTest::addColumn<QString>("between");
    QTest::addColumn<QString>("title"); // afterwards
    QTest::newRow("the list moved onto a file of that name") << "move"
                                                             << "";
    QTest::newRow("shown in single view (a sync)") << "single"
                                                   << "Amp Preset";
}

void TestDocumentFiles::saveWritesOnlyTheDocumentsFile()
{
    QFETCH(QString, between);
    QFETCH(QString, title);
    Rig rig;
    const Bytes band = amp::groupDump(groupOf(7));
    rig.put(QStringLiteral("band.syx"), band);
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("other")));
    const Bytes stranger = amp::singlePreset(recordOf(90));
    rig.put(QStringLiteral("other/band.syx"), stranger);
    rig.files.openFromList(rig.path(QStringLiteral("band.syx")));
    QVERIFY(!rig.doc.saveElsewhere());

    if (between == QLatin1String("move"))
        QVERIFY(rig.doc.setWorkingDirectory(rig.path(QStringLiteral("other"))));
    else
        rig.session.editor().setView(View::Single);
    rig.session.editor().editByte(preset::PreGain, 3);
    QVERIFY(rig.doc.isModified());
    // Save Back is offered, and Save asks where (cancelled here).
    QVERIFY(rig.doc.saveElsewhere());
    rig.prompter.fileNames = {QString()};
    QVERIFY(!rig.files.save());
    QCOMPARE(rig.prompter.shown.last().kind, QStringLiteral("save"));
    QCOMPARE(rig.get(rig.path(QStringLiteral("band.syx"))), band);
    QCOMPARE(rig.get(rig.path(QStringLiteral("other/band.syx"))), stranger);
    QVERIFY(rig.doc.isModified());
    QCOMPARE(rig.doc.titleName(), title.isEmpty() ? rig.path(QStringLiteral("band.syx")) : title);
    // The note goes with the file, not with the list.
    QCOMPARE(rig.files.notePath(), title.isEmpty() ? rig.path(QStringLiteral("band.txt")) : QString());
}

void TestDocumentFiles::failedSavesKeepTheOldFileAndTheEdits_data()
{
    QTest::addColumn<QString>("limit");
    QTest::newRow("file-size limit") << "size";
    QTest::newRow("full filesystem") << "full";
}

void TestDocumentFiles::failedSavesKeepTheOldFileAndTheEdits()
{
#ifndef Q_OS_LINUX
    QSKIP("needs the Linux file-size limit and mount");
#else
    QFETCH(QString, limit);
    Rig rig;
    QString folder = rig.dir.path();
    struct Unmount {
        QString at;
        ~Unmount()
        {
            if (!at.isEmpty())
                ::umount(QFile::encodeName(at).constData());
        }
    } unmount;
    if (limit == QLatin1String("full")) {
        folder = rig.path(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(folder));
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=8k") != 0)
            QSKIP("this machine does not let the test mount a small filesystem");
        unmount.at = folder;
        QVERIFY(rig.doc.setWorkingDirectory(folder));
    }
    const QString path = QDir(folder).filePath(QStringLiteral("band.syx"));
    const Bytes old = amp::groupDump(groupOf(1));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char *>(old.data()), qsizetype(old.size()));
    }
    rig.files.openFromList(path);
    rig.session.editor().editByte(preset::PreGain, 3);

    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    if (limit == QLatin1String("size")) {
        // As the program does at start, so the limit fails the write.
        files::ignoreFileSizeLimitSignal();
        rlimit small = before;
        small.rlim_cur = 500;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    } else {
        // Whatever room is left goes to a file beside it.
        QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {}
    }
    QString message;
    try {
        rig.files.save();
    } catch (const QuorvexError &e) {
        message = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);

    QVERIFY2(message.startsWith(QStringLiteral("Can't save file:\n") + path + QLatin1Char('\n')), qPrintable(message));
    QCOMPARE(rig.get(path), old);
    QVERIFY(rig.doc.isModified());
    QCOMPARE(QDir(folder).entryList({QStringLiteral("band.syx*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("band.syx")}); // no temporary file left
#endif
}

QTEST_GUILESS_MAIN(TestDocumentFiles)
#include "tst_documentfiles.moc"
