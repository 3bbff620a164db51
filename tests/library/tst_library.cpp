// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/globalfile.h"
#include "files/notefile.h"
#include "files/presetfile.h"
#include "library/duplicatefinder.h"
#include "library/library.h"
#include "library/libraryindexfile.h"
#include "library/librarymarks.h"
#include "library/libraryquery.h"
#include "library/libraryscanner.h"
#include "library/librarysearch.h"
#include "library/presetcolumns.h"
#include "library/presetcompare.h"
#include "library/presetmorph.h"
#include "support/sizelimit.h"
#include "support/unprivileged.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace preset;

namespace {

Record record(int model, int cabinet, int gain)
{
    Record r = DefaultRecord;
    r[AmpCab] = std::uint8_t(model | cabinet << 4);
    r[PreGain] = std::uint8_t(gain);
    return r;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList names(const LibrarySearch::Result &r)
{
    QStringList n;
    for (const LibraryEntry &e : r.rows)
        n << e.name();
    return n;
}

// An index on this thread over one folder, brought up to date at once.
struct Index {
    QString connection;
    std::unique_ptr<LibraryScanner> scanner;
    explicit Index(const QString &path, const LibraryRoots &roots, int bulkFiles = LibraryScanner::BulkFiles)
        : connection(QStringLiteral("index-%1").arg(quintptr(this)))
    {
        const auto opened = LibraryIndexFile::open(path, connection);
        if (!opened.ok)
            qFatal("index not opened");
        scanner = std::make_unique<LibraryScanner>(connection, bulkFiles);
        scanner->setRoots(roots);
    }
    ~Index()
    {
        scanner.reset();
        LibraryIndexFile::close(connection);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }
    LibraryScanner::Plan update()
    {
        try {
            LibraryScanner::Plan plan = scanner->planAll();
            const LibraryScanner::Plan seen = plan;
            while (!plan.done())
                scanner->apply(plan, 3); // small batches, as the worker's
            return seen;
        } catch (const QSqlError &e) {
            qFatal("index: %s", qPrintable(e.text()));
        }
    }
    LibrarySearch::Result search(const QString &q) const { return LibrarySearch::run(db(), q); }
};

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { fixture_.reset(); }
    void queryLanguage_data();
    void queryLanguage();
    void malformedQueriesAreExplained();
    void unchangedFilesAreNotReadAgain();
    void marksFollowTheRecordThroughRenames();
    void folderChangesAndFilesChangingWhileRead();
    void watcherFeedsTheIndex();
    void damagedIndexIsSetAsideAndRebuilt_data();
    void damagedIndexIsSetAsideAndRebuilt();
    void soundIndexThatCannotBeWrittenIsKept();
    void olderIndexIsMigratedAfterACopy();
    void previousIndexIsMigrated();
    void searchesStartFromAnIndex_data();
    void searchesStartFromAnIndex();
    void pagesAgreeWithTheWholeSearch();
    void namesSortAsPeopleReadThem();
    void compareAndDuplicates();
    void morph_data();
    void morph();
    void valuesAreListedAsTheEditorShowsThem();

private:
    void makeFixture(const QString &root);
    QTemporaryDir dir_;
    std::unique_ptr<Index> fixture_; // the fixture's index, for the queries
};

void TestLibrary::initTestCase()
{
    // A lock held by the test itself is given up on at once.
    LibraryIndexFile::setBusyTimeout(50);
    makeFixture(dir_.path());
    LibraryRoots roots{dir_.filePath(QStringLiteral("data")), dir_.filePath(QStringLiteral("backups")), {}};
    fixture_ = std::make_unique<Index>(dir_.filePath(QStringLiteral("index.sqlite")), roots);
    fixture_->update();
    const qint64 crunch = fixture_->search(QStringLiteral("crunch")).rows.at(0).hash;
    QVERIFY(LibraryMarks::setFavourite(fixture_->db(), {crunch}, true));
    QVERIFY(
        LibraryMarks::setTags(fixture_->db(), {crunch}, {QStringLiteral("blues"), QStringLiteral(" slow  blues ")}));
    const qint64 lead = fixture_->search(QStringLiteral("\"clean lead\"")).rows.at(0).hash;
    QVERIFY(LibraryMarks::setTags(fixture_->db(), {lead}, {QStringLiteral("Übung")}));
    // The same tag in another case is the same tag.
    QVERIFY(LibraryMarks::setTags(fixture_->db(), {lead}, {QStringLiteral("ÜBUNG"), QStringLiteral("übung")}));
    QCOMPARE(LibrarySearch::allTags(fixture_->db()).filter(QStringLiteral("übung"), Qt::CaseInsensitive).size(), 1);
}

// data/ and backups/ with presets, notes, a group, files that cannot be
// read and a global file.
void TestLibrary::makeFixture(const QString &root)
{
    const QString data = root + QStringLiteral("/data"), backups = root + QStringLiteral("/backups");
    QDir().mkpath(data + QStringLiteral("/sub"));
    QDir().mkpath(backups);

    Record clean = record(0, 2, 25); // Glass Clean, 4x12 Closed
    clean[DLLevel] = 10;
    files::writeSingleFile(data + QStringLiteral("/Clean Lead.syx"), clean);
    files::writeNote(data + QStringLiteral("/Clean Lead.txt"), QStringLiteral("Warm and bright\nsecond line"));

    Record crunch = record(1, 7, 12); // Bright Crunch, 4x12 Modern
    crunch[ReverbLevel] = 5;
    crunch[ModTone] = std::uint8_t((crunch[ModTone] & 0xF0) | 1); // Flanger
    crunch[ModDepth] = 8;
    files::writeSingleFile(data + QStringLiteral("/Crunch.syx"), crunch);

    files::writeSingleFile(data + QStringLiteral("/100% _done.syx"), record(2, 0, 17)); // Classic Lead

    std::array<std::uint8_t, GroupSize> group{};
    for (int s = 0; s < SlotCount; ++s) {
        Record r = record(6, 11, 10); // Chime, 1x12 Closed
        if (s == 2)
            r = record(3, 3, 33); // A3: Heavy Lead, 4x12 Vintage
        if (s == 4) {             // B1: boosted, so its gain is the Alt one
            r[PreGainAlt] = 30;
            r[AltTap] |= 1;
            r[DLLevelAlt] = 12; // its delay Alt set is not active
        }
        std::copy(r.begin(), r.end(), group.begin() + s * RecordSize);
    }
    files::writeGroupFile(data + QStringLiteral("/sub/Bank.syx"), group);
    QDir().mkpath(data + QStringLiteral("/Übung"));
    files::writeSingleFile(data + QStringLiteral("/Übung/Etüde.syx"), record(10, 1, 0)); // Thick Fuzz

    files::writeSingleFile(backups + QStringLiteral("/Amp backup 2024.syx"), record(4, 0, 20)); // Warm Clean
    writeBytes(data + QStringLiteral("/broken.syx"), "hello");
    writeBytes(data + QStringLiteral("/empty.syx"), {});
    files::writeGlobalFile(data + QStringLiteral("/globals.syx"), files::GlobalRecord{});
    writeBytes(data + QStringLiteral("/huge.syx"), QByteArray(files::MaxReadSize + 1, '\xF0'));
}

void TestLibrary::queryLanguage_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("found"); // names, or {"#n"}: how many

    auto row = [](const char *q, QStringList found) { QTest::newRow(q) << QString::fromUtf8(q) << found; };
    const QString lead = QStringLiteral("Clean Lead.syx"), crunch = QStringLiteral("Crunch.syx"),
                  backup = QStringLiteral("Amp backup 2024.syx"), done = QStringLiteral("100% _done.syx"),
                  a3 = QStringLiteral("Bank.syx A3"), b1 = QStringLiteral("Bank.syx B1");
    row("", {QStringLiteral("#24")}); // 5 singles, 16 slots, 3 unreadable; no global file
    row("clean", {backup, lead});     // file name, model name
    row("warm", {backup, lead});      // model name, note
    row("\"warm and bright\"", {lead});
    row("second", {lead}); // the whole note, not only its first line
    row("clean -lead", {backup});
    row("bank a3", {a3});
    row("model:lead", {done, a3});
    row("model:3", {a3});
    row("cab:4x12", {lead, crunch, a3});
    row("gain>20", {lead, a3, b1}); // B1 plays its Alt gain
    row("gain>=20", {backup, lead, a3, b1});
    row("gain=10", {QStringLiteral("#14")});
    row("GAIN>20 MODEL:LEAD", {a3});
    row("delay:on", {lead}); // B1's delay level is in its inactive set
    row("reverb>0", {crunch});
    row("mod:flanger", {crunch});
    row("mod:on", {crunch});
    row("tag:BLUES", {crunch});
    row("-tag:blues gain>20", {lead, a3, b1});
    row("tag:\"slow blues\"", {crunch});
    row("is:fav", {crunch});
    row("in:backups", {backup});
    row("in:sub gain>30", {a3});
    // Case folded in every script, for every text term.
    const QString etude = QStringLiteral("Etüde.syx");
    row("in:Übung", {etude});
    row("in:übung", {etude});
    row("in:ÜBUNG", {etude});
    row("ETÜDE", {etude});
    row("tag:übung", {lead});
    row("tag:ÜBUNG", {lead});
    row("is:unreadable", {QStringLiteral("broken.syx"), QStringLiteral("empty.syx"), QStringLiteral("huge.syx")});
    row("incorrect header", {QStringLiteral("broken.syx")}); // the reason is searchable too
    row("100%", {done});                                     // LIKE's own characters are plain text
    row("_", {done});
    row("model:xyz", {});
    row("'; DROP TABLE presets; --", {});
    row("lead -", {});
}

void TestLibrary::queryLanguage()
{
    QFETCH(QString, query);
    QFETCH(QStringList, found);
    const Index &index = *fixture_;
    const LibrarySearch::Result r = index.search(query);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    if (found.size() == 1 && found[0].startsWith(QLatin1Char('#')))
        QCOMPARE(int(r.rows.size()), found[0].mid(1).toInt());
    else
        QCOMPARE(names(r), found);
    // Nothing a query holds reaches the SQL as text.
    QCOMPARE(int(index.search(QString()).rows.size()), 24);
    // A control character is a space, never an error of the index.
    const LibrarySearch::Result withControl = index.search(QChar(0) + query + QChar(7));
    QVERIFY2(withControl.error.isEmpty(), qPrintable(withControl.error));
    QCOMPARE(names(withControl), names(r));
}

void TestLibrary::malformedQueriesAreExplained()
{
    struct Row {
        QString query;
        const char *explanation;
    };
    QList<Row> rows{
        {QStringLiteral("\"open"), "not closed"},
        {QStringLiteral("lead tag:\"slow"), "not closed"},
        {QStringLiteral("gain>abc"), "needs a number"},
        {QStringLiteral("delay:maybe"), "needs a number, on or off"},
        {QStringLiteral("foo:bar"), "no field \"foo\""},
        {QStringLiteral("is:everything"), "\"is:\" takes"},
        {QStringLiteral("model>3"), "takes \"model:\""},
        {QStringLiteral("x ").repeated(LibraryQuery::MaxTerms + 1), "at most"},
    };
    for (const char *op : {"gain<", "gain>", "gain=", "gain>=", "gain<=", "gain:", "delay:", "reverb:", "model:",
                           "cab:", "mod:", "tag:", "is:", "in:", "-tag:"})
        rows.append({QString::fromLatin1(op) + QStringLiteral("  lead"), "needs a value"});
    for (const Row &row : rows) {
        const CompiledQuery q = LibraryQuery::compile(row.query);
        QVERIFY2(q.error.contains(QLatin1String(row.explanation)),
                 qPrintable(row.query + QStringLiteral(" -> ") + q.error));
        QVERIFY(q.where.isEmpty());
    }
    // A long query is no trouble, however long.
    const CompiledQuery longWord = LibraryQuery::compile(QString(10000, QLatin1Char('a')));
    QVERIFY(longWord.ok());
    QCOMPARE(longWord.values.size(), 1);
}

void TestLibrary::unchangedFilesAreNotReadAgain()
{
    QTemporaryDir tmp;
    makeFixture(tmp.path());
    const QString data = tmp.filePath(QStringLiteral("data"));
    Index index(tmp.filePath(QStringLiteral("index.sqlite")), {data, {}, {}});
    QCOMPARE(index.update().total(), 9); // every .syx under data, the global file included

    LibraryScanner::Plan again = index.update();
    QCOMPARE(again.total(), 0);
    QCOMPARE(again.unchanged, 9);

    // The content changes (the size stays): read again, and only it.
    const QString crunch = data + QStringLiteral("/Crunch.syx");
    files::writeSingleFile(crunch, record(5, 5, 5));
    QFile f(crunch);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    f.close();
    // A note appears beside another file.
    files::writeNote(data + QStringLiteral("/100% _done.txt"), QStringLiteral("Jazz"));
    again = index.update();
    QCOMPARE(again.total(), 2);
    QCOMPARE(names(index.search(QStringLiteral("model:vintage"))), QStringList{QStringLiteral("Crunch.syx")});
    QCOMPARE(names(index.search(QStringLiteral("jazz"))), QStringList{QStringLiteral("100% _done.syx")});

    // A deleted file is gone from the index; the roots moving away drops everything.
    QVERIFY(QFile::remove(crunch));
    again = index.update();
    QCOMPARE(again.gone, QStringList{crunch});
    QVERIFY(index.search(QStringLiteral("crunch")).rows.empty());
    index.scanner->setRoots({tmp.filePath(QStringLiteral("backups")), {}, {}});
    index.update();
    QCOMPARE(names(index.search(QString())), QStringList{QStringLiteral("Amp backup 2024.syx")});
}

void TestLibrary::marksFollowTheRecordThroughRenames()
{
    QTemporaryDir tmp;
    makeFixture(tmp.path());
    const QString data = tmp.filePath(QStringLiteral("data"));
    Index index(tmp.filePath(QStringLiteral("index.sqlite")), {data, {}, {}});
    index.update();
    const qint64 hash = index.search(QStringLiteral("crunch")).rows.at(0).hash;
    QVERIFY(LibraryMarks::setFavourite(index.db(), {hash}, true));
    QVERIFY(LibraryMarks::setTags(index.db(), {hash}, {QStringLiteral("Live")}));

    QVERIFY(QFile::rename(data + QStringLiteral("/Crunch.syx"), data + QStringLiteral("/sub/Renamed.syx")));
    const LibraryScanner::Plan plan = index.update();
    QCOMPARE(plan.gone.size(), 1);
    QCOMPARE(plan.total(), 1);
    const LibrarySearch::Result r = index.search(QStringLiteral("is:fav tag:live"));
    QCOMPARE(names(r), QStringList{QStringLiteral("Renamed.syx")});
    QCOMPARE(r.rows[0].tags, QStringList{QStringLiteral("Live")});
    QCOMPARE(LibrarySearch::allTags(index.db()), QStringList{QStringLiteral("Live")});
    // Clearing a record's tags forgets a tag nothing else carries.
    QVERIFY(LibraryMarks::setTags(index.db(), {hash}, {}));
    QVERIFY(LibrarySearch::allTags(index.db()).isEmpty());
}

void TestLibrary::folderChangesAndFilesChangingWhileRead()
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    files::writeSingleFile(data + QStringLiteral("/One.syx"), DefaultRecord);
    Index index(tmp.filePath(QStringLiteral("index.sqlite")), {data, {}, {}});
    index.update();

    // A folder moved in with presets is read whole from a change of its parent.
    const QString moved = data + QStringLiteral("/Moved/Deeper");
    QDir().mkpath(moved);
    files::writeSingleFile(moved + QStringLiteral("/Two.syx"), record(9, 9, 9));
    LibraryScanner::Plan plan = index.scanner->planFolder(data);
    QCOMPARE(plan.total(), 1);
    while (!plan.done())
        index.scanner->apply(plan, 10);
    QCOMPARE(names(index.search(QStringLiteral("model:sparkle"))), QStringList{QStringLiteral("Two.syx")});
    // ... and dropped when it goes.
    QVERIFY(QDir(data + QStringLiteral("/Moved")).removeRecursively());
    plan = index.scanner->planFolder(data);
    QCOMPARE(plan.gone.size(), 1);
    while (!plan.done())
        index.scanner->apply(plan, 10);
    QCOMPARE(int(index.search(QString()).rows.size()), 1);

    // A file rewritten between listing and reading: the index keeps what was
    // read under the old stamp, so the next pass reads it again.
    const QString one = data + QStringLiteral("/One.syx");
    files::writeSingleFile(one, record(1, 1, 1));
    plan = index.scanner->planFiles({one});
    QCOMPARE(plan.total(), 1);
    writeBytes(one, "not a preset any more");
    index.scanner->apply(plan, 10);
    QCOMPARE(index.scanner->takeUnsettled(), QStringList{one});
    plan = index.scanner->planFiles({one});
    QCOMPARE(plan.total(), 1);
    index.scanner->apply(plan, 10);
    QVERIFY(index.scanner->takeUnsettled().isEmpty());
    QCOMPARE(names(index.search(QStringLiteral("is:unreadable"))), QStringList{QStringLiteral("One.syx")});

    // A FIFO, a link to one, a broken link and a name that is not UTF-8
    // among the presets: reading never waits on them, and each is listed
    // with the reason it cannot be read, once.
    QVERIFY(::mkfifo(QFile::encodeName(data + QStringLiteral("/pipe.syx")).constData(), 0600) == 0);
    QVERIFY(QFile::link(data + QStringLiteral("/pipe.syx"), data + QStringLiteral("/link.syx")));
    QVERIFY(QFile::link(data + QStringLiteral("/nowhere.syx"), data + QStringLiteral("/gone.syx")));
    const int fd = ::open((QFile::encodeName(data) + "/bad\xFF.syx").constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);
    index.update();
    QStringList unreadable;
    for (const LibraryEntry &e : index.search(QStringLiteral("is:unreadable")).rows)
        unreadable << e.name() + QStringLiteral(": ") + e.error;
    QCOMPARE(unreadable,
             (QStringList{QStringLiteral("One.syx: Incorrect Header:\n6E 6F 74 20 61 20 70"),
                          QStringLiteral("bad\uFFFD.syx: The file name is not valid UTF-8"),
                          QStringLiteral("gone.syx: Broken link"), QStringLiteral("link.syx: Not a regular file"),
                          QStringLiteral("pipe.syx: Not a regular file")}));
    QCOMPARE(index.update().total(), 0);
}

void TestLibrary::watcherFeedsTheIndex()
{
    QTemporaryDir tmp;
    makeFixture(tmp.path());
    const QString data = tmp.filePath(QStringLiteral("data"));
    Library library(tmp.filePath(QStringLiteral("index.sqlite")));
    QSignalSpy progress(&library, &Library::progress);
    library.setDataFolder(data);
    library.start();
    QVERIFY(library.waitUntilIdle());
    QVERIFY(library.isOpen());
    // Only the writer has the index open until something reads it: a start
    // that never searches carries no reading connection.
    auto connections = [] { return QSqlDatabase::connectionNames().filter(QStringLiteral("quorvex-library-")).size(); };
    QCOMPARE(connections(), 1);
    QCOMPARE(int(library.search(QString()).rows.size()), 23);
    QCOMPARE(connections(), 2);
    QSignalSpy found(&library, &Library::found);
    const quint64 token = library.searchLater(QStringLiteral("crunch"));
    QVERIFY(found.wait());
    QCOMPARE(found.last().at(0).toULongLong(), token);
    QCOMPARE(found.last().at(1).value<LibraryReader::Found>()->size(), std::size_t(1));
    QCOMPARE(connections(), 3);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toInt(), progress.last().at(1).toInt());

    // Nobody tells the library: its watch over the folders does.
    auto searchable = [&](const QString &query, int rows) {
        for (int turn = 0; turn < 50 && int(library.search(query).rows.size()) != rows; ++turn) {
            QSignalSpy changed(&library, &Library::changed);
            changed.wait(200);
        }
        return int(library.search(query).rows.size()) == rows;
    };
    files::writeSingleFile(data + QStringLiteral("/sub/New Find.syx"), record(15, 15, 3));
    QVERIFY(searchable(QStringLiteral("model:acoustic"), 1));
    QVERIFY(QFile::rename(data + QStringLiteral("/sub/New Find.syx"), data + QStringLiteral("/Found.syx")));
    QVERIFY(searchable(QStringLiteral("found model:acoustic"), 1));
    QVERIFY(QFile::remove(data + QStringLiteral("/Found.syx")));
    QVERIFY(searchable(QStringLiteral("model:acoustic"), 0));

    // Marks go through the worker; the search sees them once written.
    const qint64 hash = library.search(QStringLiteral("crunch")).rows.at(0).hash;
    library.setFavourite({hash}, true);
    QVERIFY(library.waitUntilIdle());
    QCOMPARE(names(library.search(QStringLiteral("is:fav"))), QStringList{QStringLiteral("Crunch.syx")});

    // A folder added before the index is open is still there at the next start.
    const QString laterIndex = tmp.filePath(QStringLiteral("later.sqlite"));
    const QString backups = LibraryRoots::clean(tmp.filePath(QStringLiteral("backups")));
    {
        Library first(laterIndex);
        first.addFolder(backups);
        first.start();
        QVERIFY(first.waitUntilIdle());
    }
    Library again(laterIndex);
    again.start();
    QVERIFY(again.waitUntilIdle());
    QCOMPARE(again.roots().added, QStringList{backups});
}

void TestLibrary::damagedIndexIsSetAsideAndRebuilt_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("index");      // the file at its path afterwards: "new", "as it was" or "any"
    QTest::addColumn<QString>("favourites"); // Crunch still a favourite: "kept", "lost" or "any"
    QTest::newRow("garbage") << "garbage"
                             << "could not be read"
                             << "new"
                             << "lost";
    QTest::newRow("truncated") << "truncated"
                               << "damaged"
                               << "new"
                               << "any";
    QTest::newRow("its version's number, other tables") << "tables"
                                                        << "carried over"
                                                        << "new"
                                                        << "kept";
    QTest::newRow("newer") << "newer"
                           << "newer version"
                           << "any"
                           << "any";
    QTest::newRow("a folder in the way") << "folder"
                                         << "session only"
                                         << "any"
                                         << "any";
    QTest::newRow("read-only") << "read-only"
                               << "could not be written"
                               << "as it was"
                               << "kept";
}

void TestLibrary::damagedIndexIsSetAsideAndRebuilt()
{
    QFETCH(QString, damage);
    QFETCH(QString, said);
    QFETCH(QString, index);
    QFETCH(QString, favourites);
    QTemporaryDir tmp;
    makeFixture(tmp.path());
    const QString data = tmp.filePath(QStringLiteral("data"));
    const QString path = tmp.filePath(QStringLiteral("index.sqlite"));
    {
        Library first(path);
        first.setDataFolder(data);
        first.start();
        QVERIFY(first.waitUntilIdle());
        first.setFavourite({first.search(QStringLiteral("crunch")).rows.at(0).hash}, true);
        QVERIFY(first.waitUntilIdle());
    }
    std::optional<Unprivileged> user;
    if (damage == QLatin1String("read-only") && ::geteuid() == 0) {
        user.emplace(tmp.path());
        if (!user->ok())
            QSKIP("root without the right to act as another user: nothing is read-only to it");
    }
    QFile file(path);
    if (damage == QLatin1String("garbage")) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, '\x5A'));
    } else if (damage == QLatin1String("truncated")) {
        QVERIFY(file.resize(file.size() / 2));
    } else if (damage == QLatin1String("newer")) {
        Index raw(path, {});
        QVERIFY(QSqlQuery(raw.db()).exec(QStringLiteral("PRAGMA user_version = 99")));
    } else if (damage == QLatin1String("tables")) {
        Index raw(path, {});
        QVERIFY(QSqlQuery(raw.db()).exec(QStringLiteral("DROP TABLE presets")));
        QVERIFY(QSqlQuery(raw.db()).exec(QStringLiteral("CREATE TABLE presets(x)")));
    } else if (damage == QLatin1String("folder")) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
    } else {
        QVERIFY(file.setPermissions(QFile::ReadOwner));
    }
    file.close();
    auto bytesOf = [](const QString &p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = bytesOf(data + QStringLiteral("/sub/Bank.syx"));
    const QByteArray indexBefore = bytesOf(path);

    Library library(path);
    QSignalSpy notices(&library, &Library::notice);
    library.setDataFolder(data);
    library.start();
    QVERIFY(library.waitUntilIdle());
    QCOMPARE(notices.size(), 1);
    QVERIFY2(notices[0][0].toString().contains(said), qPrintable(notices[0][0].toString()));
    QCOMPARE(int(library.search(QString()).rows.size()), 23);
    const QStringList aside = QDir(tmp.path()).entryList({QStringLiteral("index.sqlite.damaged-*")});
    if (index == QLatin1String("new")) {
        QCOMPARE(library.indexPath(), path);
        QCOMPARE(aside.size(), 1);
    } else if (index == QLatin1String("as it was")) {
        QVERIFY(library.indexPath() != path);
        QVERIFY(aside.isEmpty());
        QCOMPARE(bytesOf(path), indexBefore);
    }
    const bool fav = names(library.search(QStringLiteral("is:fav"))) == QStringList{QStringLiteral("Crunch.syx")};
    if (favourites != QLatin1String("any"))
        QCOMPARE(fav, favourites == QLatin1String("kept"));
    // The presets are never touched.
    QCOMPARE(bytesOf(data + QStringLiteral("/sub/Bank.syx")), before);
    if (damage == QLatin1String("folder")) {
        // A stand-in under a name nobody can guess: a second one is another
        // file, and nothing of it is left once it closes.
        QString standIn;
        {
            Library second(path);
            second.start();
            QVERIFY(second.waitUntilIdle());
            QVERIFY(second.isOpen());
            standIn = second.indexPath();
            QVERIFY(standIn != library.indexPath());
        }
        QVERIFY(!QFileInfo(standIn).fileName().contains(QString::number(QCoreApplication::applicationPid())));
        QCOMPARE(QDir::temp().entryList({QFileInfo(standIn).fileName() + QLatin1Char('*')}, QDir::Files | QDir::Hidden),
                 QStringList());
    }
    if (damage == QLatin1String("newer")) {
        // Left for the version that made it.
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QCOMPARE(LibraryIndexFile::version(raw), 99);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }
}

// Locked by another program, or on a full disk: a sound index is left as
// it is, favourites and all; the library waits for a lock to go.
void TestLibrary::soundIndexThatCannotBeWrittenIsKept()
{
    QTemporaryDir tmp;
    makeFixture(tmp.path());
    const QString data = tmp.filePath(QStringLiteral("data"));
    const QString path = tmp.filePath(QStringLiteral("index.sqlite"));
    {
        Library first(path);
        first.setDataFolder(data);
        first.start();
        QVERIFY(first.waitUntilIdle());
        first.setFavourite({first.search(QStringLiteral("crunch")).rows.at(0).hash}, true);
        QVERIFY(first.waitUntilIdle());
    }
    auto indexFiles = [&] { return QDir(tmp.path()).entryList({QStringLiteral("index.sqlite*")}); };
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();

    // A full disk (a file-size limit far below the index): said, and left.
    const auto notice = underFileSizeLimit(1000, [&] {
        const LibraryIndexFile::Opened o = LibraryIndexFile::open(path, QStringLiteral("full"));
        LibraryIndexFile::close(QStringLiteral("full"));
        return o.notice.toUtf8();
    });
    QVERIFY(notice);
    QVERIFY2(notice->contains("could not be written"), notice->constData());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), bytes);
    f.close();
    QVERIFY(!indexFiles().join(QLatin1Char(' ')).contains(QLatin1String("damaged")));
    // Nor is an I/O error in use taken for damage.
    const QSqlError ioError(QString(), QStringLiteral("disk I/O error"), QSqlError::StatementError,
                            QStringLiteral("10"));
    QVERIFY(!LibraryIndexFile::isDamage(ioError));

    // Another program holds the write lock, at the start and in use.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    other.setDatabaseName(path);
    QVERIFY(other.open());
    QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    {
        Library library(path);
        QSignalSpy notices(&library, &Library::notice);
        library.setDataFolder(data);
        library.start();
        QVERIFY(library.waitUntilIdle());
        QVERIFY(!library.isOpen());
        QVERIFY(library.search(QString()).error.contains(QLatin1String("in use"))); // not "being opened"
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices[0][0].toString().contains(QLatin1String("in use")), qPrintable(notices[0][0].toString()));
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("COMMIT")));
        library.refresh(); // as the window's Refresh does; else a timer tries again
        QVERIFY(library.waitUntilIdle());
        QVERIFY(library.isOpen());
        QCOMPARE(names(library.search(QStringLiteral("is:fav"))), QStringList{QStringLiteral("Crunch.syx")});

        QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        const QString added = data + QStringLiteral("/Added.syx");
        files::writeSingleFile(added, record(14, 14, 14));
        library.filesChanged({added});
        QVERIFY(library.waitUntilIdle());
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices[1][0].toString().contains(QLatin1String("in use")));
        QVERIFY(QSqlQuery(other).exec(QStringLiteral("COMMIT")));
        library.refresh();
        QVERIFY(library.waitUntilIdle());
        QCOMPARE(names(library.search(QStringLiteral("added"))), QStringList{QStringLiteral("Added.syx")});
        QCOMPARE(library.indexPath(), path);
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    QVERIFY(!indexFiles().join(QLatin1Char(' ')).contains(QLatin1String("damaged")));
}

void TestLibrary::olderIndexIsMigratedAfterACopy()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("index.sqlite"));
    {
        // An index as the first version wrote it, with one row.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(LibraryIndexFile::migrate(db, 0, 1));
        QVERIFY(QSqlQuery(db).exec(QStringLiteral(
            "INSERT INTO files(path, folder, name, size, mtime, note_size, note_mtime, kind, backup, note, words)"
            " VALUES ('/x/Übung/a.syx', '/x/Übung', 'a.syx', 1, 1, -1, -1, 0, 0, '', 'a.syx')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));

    const auto opened = LibraryIndexFile::open(path, QStringLiteral("now"));
    QVERIFY(opened.ok);
    QVERIFY2(opened.notice.isEmpty(), qPrintable(opened.notice));
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("now"));
        QCOMPARE(LibraryIndexFile::version(db), LibraryIndexFile::Version);
        QCOMPARE(int(LibrarySearch::run(db, QStringLiteral("a.syx")).rows.size()), 1);
        QCOMPARE(int(LibrarySearch::run(db, QStringLiteral("in:ÜBUNG")).rows.size()), 1); // folded on the way
        QVERIFY(LibraryMarks::setFavourite(db, {7}, true));                               // the new tables are there
    }
    LibraryIndexFile::close(QStringLiteral("now"));
    QVERIFY(QFile::exists(path + QStringLiteral(".v1-before-migration")));
}

void TestLibrary::previousIndexIsMigrated()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("index.sqlite"));
    {
        // The version before: two files that could not be read, their
        // words folded, no word index, no sort keys.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v3"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(LibraryIndexFile::migrate(db, 0, 3));
        for (const char *name : {"Take 10.syx", "Take 9.syx"})
            QVERIFY(QSqlQuery(db).exec(
                QStringLiteral(
                    "INSERT INTO files(path, folder, name, size, mtime, note_size, note_mtime, kind, backup, error, "
                    "note,"
                    " words, folder_folded) VALUES ('/x/Übung/%1', '/x/Übung', '%1', 1, 1, -1, -1, 0, 0, 'Broken', '',"
                    " '%2\n\nbroken', '/x/übung')")
                    .arg(QLatin1String(name), QString::fromLatin1(name).toLower())));
        QVERIFY(LibraryMarks::setFavourite(db, {7}, true));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v3"));

    QVERIFY(LibraryIndexFile::open(path, QStringLiteral("now")).ok);
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("now"));
        QCOMPARE(LibraryIndexFile::version(db), LibraryIndexFile::Version);
        // Found through the word index, in the order of their names.
        QVERIFY(LibrarySearch::plan(db, QStringLiteral("take"))
                    .join(QLatin1Char(' '))
                    .contains(QLatin1String("files_fts")));
        QCOMPARE(names(LibrarySearch::first(db, QStringLiteral("take"), LibraryColumns::Name, false, 10)),
                 (QStringList{QStringLiteral("Take 9.syx"), QStringLiteral("Take 10.syx")}));
        QCOMPARE(int(LibrarySearch::run(db, QStringLiteral("in:ÜBUNG ake 1")).rows.size()), 1);
        QSqlQuery favourites(db);
        QVERIFY(favourites.exec(QStringLiteral("SELECT hash FROM favourites")) && favourites.next());
        QCOMPARE(favourites.value(0).toLongLong(), 7);
    }
    LibraryIndexFile::close(QStringLiteral("now"));
    QVERIFY(QFile::exists(path + QStringLiteral(".v3-before-migration")));
}

void TestLibrary::searchesStartFromAnIndex_data()
{
    QTest::addColumn<QString>("query");
    for (const char *q : {"lead", "bright", "\"warm and bright\"", "ETÜDE", "model:lead", "cab:4x12", "mod:flanger",
                          "model:chime cab:1x12", "tag:blues", "is:fav", "is:unreadable", "in:backups", "in:übung",
                          "lead gain>20 -tag:blues"})
        QTest::newRow(q) << QString::fromUtf8(q);
}

// No step of SQLite's plan for the common forms reads every file or every
// preset, not even in order of an index; the small tables (the folders) and
// the word index are looked through.
void TestLibrary::searchesStartFromAnIndex()
{
    QFETCH(QString, query);
    const QStringList plan = LibrarySearch::plan(fixture_->db(), query);
    const QRegularExpression everyRow(
        QStringLiteral("^SCAN (f|p|files|presets)\\b(?! USING (COVERING )?INDEX files_(unreadable|backups)\\b)"));
    for (const QString &step : plan)
        QVERIFY2(!everyRow.match(step).hasMatch(), qPrintable(plan.join(QStringLiteral(" | "))));
    QVERIFY(!LibrarySearch::run(fixture_->db(), query).rows.empty());
}

// Whatever the column and the way, a search's keys are its rows, sorted by
// the column and turned round for descending, its first rows are their
// first, and the rows read by key are the rows. The same from an index
// filled at once, whose search indexes were made at the end.
void TestLibrary::pagesAgreeWithTheWholeSearch()
{
    QTemporaryDir tmp;
    makeFixture(tmp.path());
    Index bulk(tmp.filePath(QStringLiteral("index.sqlite")),
               {tmp.filePath(QStringLiteral("data")), tmp.filePath(QStringLiteral("backups")), {}}, 1);
    LibraryScanner::Plan plan = bulk.scanner->planAll();
    bulk.scanner->apply(plan, 3);
    QVERIFY(LibraryIndexFile::searchIndexesDeferred(bulk.db()));
    // Meanwhile words are looked for in every row.
    QCOMPARE(names(bulk.search(QStringLiteral("warm"))), names(fixture_->search(QStringLiteral("warm"))));
    while (!plan.done())
        bulk.scanner->apply(plan, 3);
    QVERIFY(!LibraryIndexFile::searchIndexesDeferred(bulk.db()));

    using C = LibraryColumns;
    for (const Index *index : {fixture_.get(), &bulk}) {
        for (const QString &query : {QString(), QStringLiteral("lead"), QStringLiteral("gain>=17"),
                                     QStringLiteral("-bank"), QStringLiteral("übung")}) {
            const std::vector<LibraryEntry> all = index->search(query).rows;
            for (int c = 0; c < C::Count; ++c) {
                const auto column = C::Column(c);
                std::vector<LibrarySearch::Key> turned;
                for (bool descending : {false, true}) {
                    const QString what =
                        QStringLiteral("%1 by %2%3")
                            .arg(query, C::header(column), descending ? QStringLiteral(" descending") : QString());
                    QString error;
                    const auto keys = LibrarySearch::keys(
                        index->db(), query, column, descending, [] { return false; }, &error);
                    QVERIFY2(error.isEmpty(), qPrintable(error));
                    const std::vector<LibraryEntry> rows = LibrarySearch::rows(index->db(), keys);
                    QSet<QString> expected, got;
                    for (const LibraryEntry &e : all)
                        expected << e.name() + e.path;
                    for (const LibraryEntry &e : rows)
                        got << e.name() + e.path;
                    QVERIFY2(got == expected && rows.size() == all.size(), qPrintable(what));
                    LibrarySearch::Result first = LibrarySearch::first(index->db(), query, column, descending, 4);
                    LibrarySearch::Result paged{rows, {}, {}};
                    QCOMPARE(names(first), names(paged).mid(0, 4));
                    // In the column's order (texts as sortKey puts them).
                    const bool numeric = column == C::Gain || column == C::Delay || column == C::Reverb ||
                                         column == C::Date || column == C::Favourite;
                    auto key = [&](const LibraryEntry &e) {
                        return numeric ? QByteArray::number(C::numberKey(e, column) + 1).rightJustified(20, '0')
                                       : presetcolumns::sortKey(column == C::Name ? e.fileName : C::text(e, column));
                    };
                    for (std::size_t i = 1; !descending && column != C::Tags && column != C::Note && i < rows.size();
                         ++i)
                        QVERIFY2(key(rows[i - 1]) <= key(rows[i]),
                                 qPrintable(what + QStringLiteral(": ") + rows[i].name()));
                    if (!descending)
                        turned.assign(keys.rbegin(), keys.rend());
                    else
                        QVERIFY2(keys == turned, qPrintable(what));
                }
            }
        }
    }
}

void TestLibrary::namesSortAsPeopleReadThem()
{
    struct Row {
        const char *a, *b;
        int order; // a before b: -1; the same place: 0
    };
    const Row rows[] = {
        {"Take 9", "Take 10", -1}, {"take 10", "TAKE 9", 1}, {"x2.syx", "x10.syx", -1}, {"A 007", "a 7", 0},
        {"Lead", "lead", 0},       {"Etude", "Étude", -1},   {"Étude", "Etudes", -1},   {"Ábaco", "Zebra", -1},
        {"ÜBUNG", "übung", 0},     {"a b", "ab", -1},        {"9 lives", "Alpha", -1},
    };
    for (const Row &r : rows) {
        const QByteArray a = presetcolumns::sortKey(QString::fromUtf8(r.a)),
                         b = presetcolumns::sortKey(QString::fromUtf8(r.b));
        QVERIFY2((a < b ? -1 : b < a ? 1 : 0) == r.order, r.a);
    }
}

void TestLibrary::compareAndDuplicates()
{
    const Record a = record(0, 0, 17);
    Record b = a;
    b[Mid] = 30;
    b[DLScale] = 25; // changes the delay time shown as well
    const auto lines = PresetCompare::compare(a, b);
    QStringList differing;
    for (const auto &l : lines)
        if (l.differs)
            differing << presetparams::name(*l.parameter) + QLatin1Char('=') + l.a + QLatin1Char('/') + l.b;
    QCOMPARE(differing, (QStringList{QStringLiteral("Mid=17/30"), QStringLiteral("Scale=13/25"),
                                     QStringLiteral("Time=380 ms/570 ms")}));
    QCOMPARE(PresetCompare::differences(a, b), 2);
    QCOMPARE(PresetCompare::differenceNames(a, b), QStringLiteral("Mid, Scale"));

    // a ~ b (2 apart), b ~ c (1 apart), a and c 3 apart: a group holds only
    // presets near every other member, so a is left out at 2.
    Record c = b;
    c[High] = 3;
    const Record far = record(9, 9, 1);
    const QStringList label{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("far"),
                            QStringLiteral("twice")};
    const std::vector<DuplicateFinder::Record> records{
        {0, a, 1}, {1, b, 1}, {2, c, 3}, {3, far, 1}, {4, record(5, 5, 5), 2}};
    auto groups = [&](int n) {
        QStringList out;
        for (const auto &g : DuplicateFinder::find(records, n)) {
            QStringList members;
            for (int m : g.members)
                members << label[int(records[std::size_t(m)].hash)];
            out << members.join(QLatin1Char('+'));
        }
        return out;
    };
    QCOMPARE(groups(0), (QStringList{QStringLiteral("c"), QStringLiteral("twice")}));
    QCOMPARE(groups(1), (QStringList{QStringLiteral("c+b"), QStringLiteral("twice")}));
    QCOMPARE(groups(2), (QStringList{QStringLiteral("c+b"), QStringLiteral("twice")}));

    // A chain of six, each one step from the next: pairs at 1, never one group.
    std::vector<DuplicateFinder::Record> chain;
    Record step = record(0, 0, 10);
    for (int i = 0; i < 6; ++i) {
        step[std::size_t(i % 2 ? High : Low)] = std::uint8_t(10 + (i + 1) / 2);
        chain.push_back({i, step, 1});
    }
    const auto pairs = DuplicateFinder::find(chain, 1);
    QCOMPARE(int(pairs.size()), 3);
    for (const auto &g : pairs)
        QCOMPARE(int(g.members.size()), 2);
}

void TestLibrary::valuesAreListedAsTheEditorShowsThem()
{
    // A file holding values the Amp does not take is listed as the editor
    // opens it: made valid by the same rule, so the gain column says 33,
    // not 250, and what the library plays or imports is valid.
    QTemporaryDir dir;
    Record wild = record(1, 1, 250);
    wild[ModTone] = 0xEF; // modulation type 15
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
    files::writeSingleFile(dir.filePath(QStringLiteral("data/wild.syx")), wild);
    const QString path = dir.filePath(QStringLiteral("index.sqlite"));
    {
        // Listed raw by the version before, its stamps still those of the file.
        Index index(path, LibraryRoots{dir.filePath(QStringLiteral("data")), {}, {}});
        index.update();
        QSqlDatabase db = index.db();
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("UPDATE presets SET gain = 250")));
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 4")));
    }
    Index index(path, LibraryRoots{dir.filePath(QStringLiteral("data")), {}, {}});
    index.update();
    QCOMPARE(names(index.search(QStringLiteral("gain=33"))), QStringList{QStringLiteral("wild.syx")});
    QCOMPARE(names(index.search(QStringLiteral("gain>33"))), QStringList());
    const LibraryEntry entry = index.search(QString()).rows.at(0);
    QCOMPARE(entry.record[PreGain], 33);
    QCOMPARE(entry.record[ModTone], 0xE5);
}

void TestLibrary::morph_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("gain");     // a knob: 10 at A, 30 at B
    QTest::addColumn<int>("model");    // a list: A's below the middle, B's from it
    QTest::addColumn<int>("messages"); // from A's record to the step's
    QTest::newRow("A") << 0 << 10 << 1 << 0;
    QTest::newRow("a quarter") << 25 << 15 << 1 << 2; // gain and mid
    QTest::newRow("just before the middle") << 49 << 20 << 1 << 2;
    QTest::newRow("the middle") << 50 << 20 << 4 << 1; // the model changes: one whole record
    QTest::newRow("B") << 100 << 30 << 4 << 1;
    QTest::newRow("past B") << 130 << 30 << 4 << 1;
}

void TestLibrary::morph()
{
    QFETCH(int, step);
    QFETCH(int, gain);
    QFETCH(int, model);
    QFETCH(int, messages);
    const Record a = record(1, 1, 10);
    Record b = record(4, 1, 30);
    b[Mid] = 5;
    const Record r = presetmorph::between(a, b, step);
    QCOMPARE(int(r[PreGain]), gain);
    QCOMPARE(int(r[AmpCab] & 0x0F), model);
    const std::vector<amp::Bytes> sent = presetmorph::messages(a, r);
    QCOMPARE(int(sent.size()), messages);
    if (messages == 1)
        QCOMPARE(sent[0], amp::singlePreset(r));
    else if (messages == 2)
        QCOMPARE(sent[0], amp::parameterSet(PreGain, std::uint8_t(gain)));
    if (step >= presetmorph::Steps)
        QCOMPARE(r, b); // the end of the slider is B exactly
}

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
