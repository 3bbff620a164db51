// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/presetfile.h"
#include "library/libraryindexfile.h"
#include "library/libraryscanner.h"
#include "library/presetcolumns.h"
#include "library/setlist.h"
#include "model/quorvexerror.h"
#include "syx/syxtool.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace preset;

namespace {

Record withGain(int gain)
{
    Record r = DefaultRecord;
    r[PreGain] = std::uint8_t(gain);
    return r;
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

struct Run {
    int status;
    QString out, err;
};

Run syx(const QStringList &arguments)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = SyxTool(o, e).run(arguments);
    o.flush();
    e.flush();
    return {status, out, err};
}

} // namespace

class TestSetlist : public QObject {
    Q_OBJECT

private slots:
    void roundTrip();
    void badFiles_data();
    void badFiles();
    void entriesAreFoundByPathThenHash_data();
    void entriesAreFoundByPathThenHash();
    void commandLine();

private:
    QTemporaryDir tmp_;
};

void TestSetlist::roundTrip()
{
    Setlist list;
    list.entries.push_back({QStringLiteral("Clean.syx"), -1, 0x0123456789abcdefLL, QStringLiteral("Intro"), {}});
    list.entries.push_back(
        {QStringLiteral("sub/Band.syx"), 5, -2, QStringLiteral("Ünïcode \"song\""), QStringLiteral("capo 2")});
    list.entries.push_back({QStringLiteral("Clean.syx"), -1, std::nullopt, {}, {}}); // the same preset twice
    const QString path = tmp_.filePath(QStringLiteral("gig.qvset"));
    setlistfile::write(path, list);
    const setlistfile::Read back = setlistfile::read(path);
    QVERIFY2(back.problems.isEmpty(), qPrintable(back.problems.join(QLatin1Char('\n'))));
    QCOMPARE(back.list, list);
    // Slots are written as the Amp's panel names them.
    QVERIFY(setlistfile::toJson(list).contains("\"slot\": \"B2\""));
}

void TestSetlist::badFiles_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");   // the whole file refused with this, or
    QTest::addColumn<int>("entries");     // this many entries read,
    QTest::addColumn<QString>("problem"); // the first problem told

    const QByteArray good = R"({"file": "a.syx", "hash": "0000000000000001"})";
    QTest::newRow("not JSON") << QByteArray("version 1\na.syx\n") << "Not a setlist (not JSON" << 0 << "";
    QTest::newRow("truncated") << QByteArray(R"({"version": 1, "entries": [)") + good << "Not a setlist (not JSON" << 0
                               << "";
    QTest::newRow("no entries") << QByteArray(R"({"version": 1})") << "Not a setlist (no list of entries)" << 0 << "";
    QTest::newRow("no version") << QByteArray(R"({"entries": []})") << "Not a setlist (no version)" << 0 << "";
    QTest::newRow("newer") << QByteArray(R"({"version": 7, "entries": []})")
                           << "A setlist of a newer version of Quorvex (7, this one reads 1)" << 0 << "";
    QTest::newRow("bad slot") << QByteArray(R"({"version": 1, "entries": [)") + good +
                                     R"(, {"file": "g.syx", "slot": "E9"}]})"
                              << "" << 1 << "Entry 2: \"E9\" is not a slot A1..D4; left out";
    QTest::newRow("bad hash") << QByteArray(R"({"version": 1, "entries": [{"file": "a.syx", "hash": "xyz"}]})") << ""
                              << 1 << "Entry 1: \"xyz\" is not a preset's hash; found by its path alone";
    QTest::newRow("names nothing") << QByteArray(R"({"version": 1, "entries": [7, {"song": "x"}]})") << "" << 0
                                   << "Entry 1: names no preset; left out";
    QByteArray many = R"({"version": 1, "entries": [)";
    for (int i = 0; i < Setlist::MaxEntries + 5; ++i)
        many += (i ? "," : "") + good;
    QTest::newRow("too many")
        << many + "]}"
        << "" << Setlist::MaxEntries
        << "Entry 10001 and the 4 after it: a setlist holds at most 10000 entries; they are left out";
}

void TestSetlist::badFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QFETCH(int, entries);
    QFETCH(QString, problem);
    const QString path = tmp_.filePath(QStringLiteral("bad.qvset"));
    writeText(path, json);
    try {
        const setlistfile::Read read = setlistfile::read(path);
        QVERIFY2(error.isEmpty(), "read although it should have been refused");
        QCOMPARE(int(read.list.entries.size()), entries);
        QCOMPARE(read.problems.value(0), problem);
    } catch (const QuorvexError &e) {
        QVERIFY2(!error.isEmpty(), qPrintable(e.message()));
        QVERIFY2(QString(e.message()).startsWith(error), qPrintable(e.message()));
        QVERIFY(QString(e.message()).endsWith(path)); // names the file
    }
}

void TestSetlist::entriesAreFoundByPathThenHash_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("gain"); // the record the entry was made from; 0: no hash
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("foundIn"); // relative to the data folder
    QTest::addColumn<int>("foundGain");

    // data/Clean.syx gain 5, data/sub/Band.syx slot n gain 20 + n,
    // data/Moved.syx gain 9 (entries say "Old.syx"); the setlist is in lists/.
    QTest::newRow("at its path") << "../data/Clean.syx" << -1 << 5 << int(SetlistPlace::Found) << "Clean.syx" << 5;
    QTest::newRow("no hash") << "../data/Clean.syx" << -1 << 0 << int(SetlistPlace::Found) << "Clean.syx" << 5;
    QTest::newRow("group slot") << "../data/sub/Band.syx" << 5 << 25 << int(SetlistPlace::Found) << "sub/Band.syx"
                                << 25;
    QTest::newRow("renamed") << "../data/Old.syx" << -1 << 9 << int(SetlistPlace::Moved) << "Moved.syx" << 9;
    QTest::newRow("into a group") << "../data/Gone.syx" << -1 << 22 << int(SetlistPlace::Moved) << "sub/Band.syx" << 22;
    QTest::newRow("changed") << "../data/Clean.syx" << -1 << 77 << int(SetlistPlace::Changed) << "Clean.syx" << 5;
    QTest::newRow("gone") << "../data/Old.syx" << -1 << 78 << int(SetlistPlace::Missing) << "" << 0;
    QTest::newRow("group, no slot") << "../data/sub/Band.syx" << -1 << 0 << int(SetlistPlace::Missing) << "" << 0;
    QTest::newRow("single with slot") << "../data/Clean.syx" << 3 << 0 << int(SetlistPlace::Missing) << "" << 0;
    // Climbing out of every library folder: never read, found by hash still.
    QTest::newRow("climbs out") << "../../outside/Clean.syx" << -1 << 0 << int(SetlistPlace::Missing) << "" << 0;
    QTest::newRow("climbs out, hash") << "../../outside/Clean.syx" << -1 << 5 << int(SetlistPlace::Moved) << "Clean.syx"
                                      << 5;
}

void TestSetlist::entriesAreFoundByPathThenHash()
{
    QFETCH(QString, file);
    QFETCH(int, slot);
    QFETCH(int, gain);
    QFETCH(int, state);
    QFETCH(QString, foundIn);
    QFETCH(int, foundGain);

    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/sub")) && QDir().mkpath(dir.filePath(QStringLiteral("lists"))) &&
            QDir().mkpath(dir.filePath(QStringLiteral("outside"))));
    files::writeSingleFile(data + QStringLiteral("/Clean.syx"), withGain(5));
    files::writeSingleFile(data + QStringLiteral("/Moved.syx"), withGain(9));
    files::writeSingleFile(dir.filePath(QStringLiteral("outside/Clean.syx")), withGain(40));
    std::array<std::uint8_t, GroupSize> group{};
    for (int s = 0; s < SlotCount; ++s) {
        const Record r = withGain(20 + s);
        std::copy(r.begin(), r.end(), group.begin() + s * RecordSize);
    }
    files::writeGroupFile(data + QStringLiteral("/sub/Band.syx"), group);

    const QString connection = QStringLiteral("setlist");
    QVERIFY(LibraryIndexFile::open(dir.filePath(QStringLiteral("index.sqlite")), connection).ok);
    {
        LibraryScanner scanner(connection);
        const LibraryRoots roots{data, {}, {}};
        scanner.setRoots(roots);
        LibraryScanner::Plan plan = scanner.planAll();
        while (!plan.done())
            scanner.apply(plan, 100);

        SetlistEntry entry{file, slot, std::nullopt, {}, {}};
        if (gain)
            entry.hash = presetcolumns::hashOf(withGain(gain));
        const SetlistPlace place = SetlistResolver(QSqlDatabase::database(connection), roots)
                                       .resolve(entry, dir.filePath(QStringLiteral("lists")));
        QCOMPARE(int(place.state), state);
        QCOMPARE(place.path, foundIn.isEmpty() ? QString() : data + QLatin1Char('/') + foundIn);
        if (!foundIn.isEmpty())
            QCOMPARE(int(place.record[PreGain]), foundGain);
        QCOMPARE(place.why.isEmpty(), state == SetlistPlace::Found || state == SetlistPlace::Moved);
    }
    LibraryIndexFile::close(connection);
}

void TestSetlist::commandLine()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data));
    files::writeSingleFile(data + QStringLiteral("/Clean.syx"), withGain(5));
    files::writeSingleFile(data + QStringLiteral("/Lead.syx"), withGain(30));
    Setlist list;
    list.entries.push_back(SetlistResolver::entryFor(data + QStringLiteral("/Clean.syx"), -1, withGain(5),
                                                     data + QStringLiteral("/gig.qvset")));
    list.entries.back().song = QStringLiteral("Intro: slow/soft");
    QCOMPARE(list.entries.back().file, QStringLiteral("Clean.syx"));
    list.entries.push_back({QStringLiteral("Lead.syx"), -1, std::nullopt, QStringLiteral("Solo"), {}});
    const QString gig = data + QStringLiteral("/gig.qvset");
    setlistfile::write(gig, list);
    const QString index = dir.filePath(QStringLiteral("none.sqlite"));

    // Everything found (by path: --dir scans the folder); then one missing.
    Run run = syx({QStringLiteral("setlist"), QStringLiteral("check"), QStringLiteral("--dir"), data, gig});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QVERIFY(run.out.startsWith(QStringLiteral("1 Intro: slow/soft: found ") + data + QStringLiteral("/Clean.syx\n")));
    QVERIFY(QFile::remove(data + QStringLiteral("/Lead.syx")));
    run = syx({QStringLiteral("setlist"), QStringLiteral("check"), QStringLiteral("--json"), QStringLiteral("--dir"),
               data, gig});
    QCOMPARE(run.status, 1);
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("missing")).toInt(), 1);

    // Export writes what it found, named so a file system takes it.
    const QString out = dir.filePath(QStringLiteral("export"));
    run = syx({QStringLiteral("setlist"), QStringLiteral("export"), QStringLiteral("--dir"), data, gig, out});
    QCOMPARE(run.status, 1);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("01 Intro_ slow_soft.syx")});
    QCOMPARE(files::readPresetFile(out + QStringLiteral("/01 Intro_ slow_soft.syx"), false).data[PreGain], 5);
    run = syx({QStringLiteral("setlist"), QStringLiteral("export"), QStringLiteral("--dir"), data, gig, out});
    QCOMPARE(run.status, 2); // not replaced without --force
    QVERIFY(run.err.contains(QStringLiteral("--force")));

    // A file that is not a setlist, and one that is not there: named, status 2.
    for (const QString &bad : {data + QStringLiteral("/Clean.syx"), dir.filePath(QStringLiteral("nothing.qvset"))}) {
        run = syx({QStringLiteral("setlist"), QStringLiteral("check"), QStringLiteral("--index"), index, bad});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(bad), qPrintable(run.err));
    }
    QCOMPARE(syx({QStringLiteral("setlist"), QStringLiteral("play"), gig}).status, 2);
}

QTEST_GUILESS_MAIN(TestSetlist)
#include "tst_setlist.moc"
