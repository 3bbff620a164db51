// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/globalfile.h"
#include "files/presetfile.h"
#include "library/libraryindexfile.h"
#include "library/libraryscanner.h"
#include "support/unprivileged.h"
#include "syx/syxtool.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

#include <optional>

using namespace preset;

namespace {

struct Run {
    int status;
    QString out, err;
};

Run syx(const QStringList &arguments)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    SyxTool tool(o, e);
    const int status = tool.run(arguments);
    o.flush();
    e.flush();
    return {status, out, err};
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSyx : public QObject {
    Q_OBJECT
private slots:
    void init();
    void splitAndJoinRoundTrip();
    void diffNamesWhatDiffers();
    void infoShowsParametersAsThePanel();
    void badFilesAndArguments_data();
    void badFilesAndArguments();
    void searchOverAFolderAndAnIndex();
    void duplicatesAsTheWindowGroupsThem();
    void theProgramItself();

private:
    // Each test function has a folder of its own (its _data function too).
    QString folder() const
    {
        const QString f = base_.filePath(QLatin1String(QTest::currentTestFunction()));
        QDir().mkpath(f);
        return f;
    }
    QString path(const QString &name) const { return folder() + QLatin1Char('/') + name; }
    QTemporaryDir base_;
    QString group_;
};

void TestSyx::init()
{
    // Every connection is gone before it is removed.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("removeDatabase")));
    std::array<std::uint8_t, GroupSize> group{};
    for (int s = 0; s < SlotCount; ++s) {
        Record r = DefaultRecord;
        r[PreGain] = std::uint8_t(s + 1);
        std::copy(r.begin(), r.end(), group.begin() + s * RecordSize);
    }
    group_ = path(QStringLiteral("Live Set.syx"));
    files::writeGroupFile(group_, group);
}

void TestSyx::splitAndJoinRoundTrip()
{
    const QString out = path(QStringLiteral("split"));
    Run r = syx({QStringLiteral("split"), group_, out});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 16);
    QVERIFY(r.out.startsWith(out + QStringLiteral("/Live Set A1.syx\n")));
    QVERIFY(r.out.endsWith(out + QStringLiteral("/Live Set D4.syx\n")));
    QCOMPARE(bytesOf(out + QStringLiteral("/Live Set B2.syx")).size(), 70);

    // Again: nothing is replaced without --force.
    r = syx({QStringLiteral("split"), group_, out});
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err, QStringLiteral("quorvex-syx: %1/Live Set A1.syx: exists; --force replaces it\n").arg(out));
    QCOMPARE(syx({QStringLiteral("--force"), QStringLiteral("split"), group_, out}).status, 0);

    QStringList singles;
    for (int s = 0; s < SlotCount; ++s)
        singles << out + QStringLiteral("/Live Set %1.syx").arg(slotName(s));
    const QString joined = path(QStringLiteral("Joined.syx"));
    r = syx(QStringList{QStringLiteral("join")} + singles + QStringList{joined});
    QCOMPARE(r.status, 0);
    QCOMPARE(bytesOf(joined), bytesOf(group_));
    QCOMPARE(syx({QStringLiteral("diff"), joined, group_}).status, 0);

    // The order given is the order of the slots.
    std::swap(singles[0], singles[15]);
    QCOMPARE(syx(QStringList{QStringLiteral("--force"), QStringLiteral("join")} + singles + QStringList{joined}).status,
             0);
    r = syx({QStringLiteral("diff"), joined, group_});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QStringLiteral("A1 Preamp (dual): PreGain                   16 | 1\n"
                                   "D4 Preamp (dual): PreGain                   1 | 16\n"));
}

void TestSyx::diffNamesWhatDiffers()
{
    Record a = DefaultRecord, b = DefaultRecord;
    b[Mid] = 30;
    b[ModTone] = std::uint8_t((b[ModTone] & 0xF0) | 1);
    b[DLScale] = 25;
    files::writeSingleFile(path(QStringLiteral("a.syx")), a);
    files::writeSingleFile(path(QStringLiteral("b.syx")), b);
    Run r = syx({QStringLiteral("diff"), path(QStringLiteral("a.syx")), path(QStringLiteral("b.syx"))});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QStringLiteral("Preamp (dual): Mid                          17 | 30\n"
                                   "Modulation Type: Type                       Chorus | Flanger\n"
                                   "Delay Time / Tone: Scale                    13 | 25\n"
                                   "Delay Time / Tone: Time                     380 ms | 570 ms\n"));
    r = syx({QStringLiteral("--json"), QStringLiteral("diff"), path(QStringLiteral("a.syx")),
             path(QStringLiteral("b.syx"))});
    QCOMPARE(r.status, 1);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(json[QStringLiteral("same")].toBool(), false);
    const QJsonObject first = json[QStringLiteral("differences")].toArray().at(0).toObject();
    QCOMPARE(first[QStringLiteral("key")].toString(), QStringLiteral("Mid"));
    QCOMPARE(first[QStringLiteral("b")].toObject()[QStringLiteral("value")].toInt(), 30);
    QCOMPARE(syx({QStringLiteral("diff"), path(QStringLiteral("a.syx")), path(QStringLiteral("a.syx"))}).out,
             QString());
}

void TestSyx::infoShowsParametersAsThePanel()
{
    Record r = DefaultRecord;
    r[AmpCab] = 0x22; // Classic Lead, 4x12 Closed
    r[PreGain] = 0;   // shown clamped
    files::writeSingleFile(path(QStringLiteral("one.syx")), r);
    files::writeGlobalFile(path(QStringLiteral("globals.syx")), files::GlobalRecord{});
    const Run run =
        syx({QStringLiteral("info"), path(QStringLiteral("one.syx")), group_, path(QStringLiteral("globals.syx"))});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    QCOMPARE(lines[0], path(QStringLiteral("one.syx")) + QStringLiteral(": single preset"));
    QCOMPARE(lines[1], QStringLiteral("  Model: Amp Model                            Classic Lead"));
    QCOMPARE(lines[2], QStringLiteral("  Model: Cabinet                              4x12 Closed"));
    QVERIFY(lines.contains(QStringLiteral("  Preamp (dual): PreGain                      1 (stored 0)")));
    QVERIFY(run.out.contains(group_ + QStringLiteral(": group of 16 presets\nA1\n")));
    QVERIFY(run.out.contains(QStringLiteral("\nD4\n")));
    QVERIFY(run.out.endsWith(QStringLiteral("globals.syx: global settings, no presets\n")));

    const QJsonObject json =
        QJsonDocument::fromJson(syx({QStringLiteral("--json"), QStringLiteral("info"), group_}).out.toUtf8()).object();
    const QJsonArray presets =
        json[QStringLiteral("files")].toArray().at(0).toObject()[QStringLiteral("presets")].toArray();
    QCOMPARE(presets.size(), 16);
    QCOMPARE(presets.at(15).toObject()[QStringLiteral("slot")].toString(), QStringLiteral("D4"));
}

void TestSyx::badFilesAndArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message"); // what err says after "quorvex-syx: "

    auto bad = [this](const char *name, const QByteArray &bytes) {
        QFile f(path(QLatin1String(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    const QString empty = bad("empty.syx", {});
    const QString header = bad("header.syx", QByteArray("\xF0\x00\x20\x4F\x10\x01\x09", 7));
    const QString shortGroup = bad("short.syx", QByteArray("\xF0\x00\x20\x4F\x10\x00\x05", 7) + QByteArray(100, 0));
    const QString missing = path(QStringLiteral("missing.syx"));
    QStringList fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen << group_;

    QTest::newRow("empty") << QStringList{QStringLiteral("info"), empty}
                           << QStringLiteral("Incorrect File Format: ") + empty;
    QTest::newRow("header") << QStringList{QStringLiteral("info"), header}
                            << QStringLiteral("Incorrect Header: F0 00 20 4F 10 01 09 ") + header;
    QTest::newRow("short group") << QStringList{QStringLiteral("diff"), shortGroup, group_}
                                 << QStringLiteral("Incorrect File Format: ") + shortGroup;
    QTest::newRow("missing") << QStringList{QStringLiteral("info"), missing}
                             << QStringLiteral("Can't open file: ") + missing;
    QTest::newRow("group into a group") << QStringList{QStringLiteral("join")} + fifteen + QStringList{group_, missing}
                                        << QStringLiteral("Not a single preset file: ") + group_;
    QTest::newRow("split a single") << QStringList{QStringLiteral("split"), empty, folder()}
                                    << QStringLiteral("Incorrect File Format: ") + empty;
    QTest::newRow("fifteen") << QStringList{QStringLiteral("join")} + fifteen
                             << QStringLiteral("usage: quorvex-syx join FILE... GROUP (sixteen files)");
    QTest::newRow("no command") << QStringList{QStringLiteral("--json")}
                                << QStringLiteral("no command given; see --help");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast"), QStringLiteral("info")}
                                    << QStringLiteral("unknown option --fast; see --help");
    QTest::newRow("dir without value") << QStringList{QStringLiteral("search"), QStringLiteral("x"),
                                                      QStringLiteral("--dir")}
                                       << QStringLiteral("--dir needs a value; see --help");
    QTest::newRow("query") << QStringList{QStringLiteral("search"), QStringLiteral("gain>"), QStringLiteral("--dir"),
                                          folder()}
                           << QStringLiteral("\"gain>\" needs a value after it.");
    QTest::newRow("no index")
        << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--index"), missing}
        << missing + QStringLiteral(": no library index here; Quorvex makes it as it runs, or use --dir DIR");

    // Indexes that are not this version's: made here by plain SQL.
    auto index = [this](const char *name, int version, const char *table) {
        const QString file = path(QLatin1String(name));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            db.setDatabaseName(file);
            if (db.open()) {
                if (version > 0)
                    LibraryIndexFile::migrate(db, 0, version);
                if (table)
                    QSqlQuery(db).exec(QLatin1String(table));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
        return QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--index"), file};
    };
    auto search = [](const QStringList &arguments) { return arguments.last(); };
    const QStringList zeroBytes = index("zero.sqlite", 0, nullptr);
    QTest::newRow("0-byte index") << zeroBytes
                                  << search(zeroBytes) +
                                         QStringLiteral(": the library index is empty; Quorvex fills it "
                                                        "as it runs, or use --dir DIR");
    const QStringList older = index("older.sqlite", 1, nullptr);
    QTest::newRow("older index") << older
                                 << search(older) + QStringLiteral(": a library index of an older version of Quorvex "
                                                                   "(1, this one reads %1); Quorvex brings it up to "
                                                                   "date as it starts")
                                                        .arg(LibraryIndexFile::Version);
    const QStringList tables = index("tables.sqlite", 0, "CREATE TABLE other(x)");
    QTest::newRow("another program's database")
        << tables
        << search(tables) + QStringLiteral(": not a library index, or a damaged one; Quorvex rebuilds it as "
                                           "it starts");
    const QStringList dropped = index("dropped.sqlite", LibraryIndexFile::Version, "DROP TABLE presets");
    QTest::newRow("this version's number, a table missing")
        << dropped
        << search(dropped) + QStringLiteral(": not a library index, or a damaged one; Quorvex rebuilds it "
                                            "as it starts");
}

void TestSyx::badFilesAndArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run r = syx(arguments);
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err, QStringLiteral("quorvex-syx: ") + message + QLatin1Char('\n'));
}

void TestSyx::duplicatesAsTheWindowGroupsThem()
{
    // A chain: a ~ b ~ c one parameter apart, a and c two; two copies of d.
    Record a = DefaultRecord, d = DefaultRecord;
    a[PreGain] = 5;
    Record b = a, c = a;
    b[Low] = 3;
    c[Low] = 3;
    c[High] = 3;
    d[PreGain] = 30;
    d[Mid] = 30;
    d[High] = 30;
    const QList<std::pair<QString, Record>> presets{
        {"a.syx", a}, {"b.syx", b}, {"c.syx", c}, {"d.syx", d}, {"d copy.syx", d}};
    QVERIFY(QDir().mkpath(path(QStringLiteral("dups"))));
    for (const auto &[name, record] : presets)
        files::writeSingleFile(path(QStringLiteral("dups/") + name), record);
    const Run r = syx({QStringLiteral("duplicates"), QStringLiteral("--within"), QStringLiteral("1"),
                       QStringLiteral("--json"), QStringLiteral("--dir"), path(QStringLiteral("dups"))});
    QCOMPARE(r.status, 0);
    QStringList groups;
    for (const QJsonValue g : QJsonDocument::fromJson(r.out.toUtf8()).object()[QStringLiteral("groups")].toArray()) {
        QStringList names;
        for (const QJsonValue p : g.toObject()[QStringLiteral("presets")].toArray())
            names << p.toObject()[QStringLiteral("name")].toString();
        names.sort();
        groups << (g.toObject()[QStringLiteral("identical")].toBool() ? QStringLiteral("= ") : QStringLiteral("~ ")) +
                      names.join(QLatin1Char(' '));
    }
    QCOMPARE(groups, (QStringList{QStringLiteral("~ a.syx b.syx"), QStringLiteral("= d copy.syx d.syx")}));
    QCOMPARE(syx({QStringLiteral("duplicates"), QStringLiteral("--within"), QStringLiteral("11")}).status, 2);
}

void TestSyx::searchOverAFolderAndAnIndex()
{
    Record clean = DefaultRecord;
    clean[PreGain] = 30;
    files::writeSingleFile(path(QStringLiteral("Hot.syx")), clean);
    QFile(path(QStringLiteral("broken.syx"))).open(QIODevice::WriteOnly);
    Run r = syx({QStringLiteral("search"), QStringLiteral("gain>25"), QStringLiteral("--dir"), folder()});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, path(QStringLiteral("Hot.syx")) + QStringLiteral(": Glass Clean, 1x12 Open, Chorus, gain 30\n"));
    r = syx({QStringLiteral("search"), QStringLiteral("is:unreadable"), QStringLiteral("--dir"), folder()});
    QCOMPARE(r.out, path(QStringLiteral("broken.syx")) + QStringLiteral(": cannot be read: Incorrect File Format\n"));

    // Quorvex's index, as it left it.
    const QString index = path(QStringLiteral("library.sqlite"));
    {
        QVERIFY(LibraryIndexFile::open(index, QStringLiteral("write")).ok);
        LibraryScanner scanner(QStringLiteral("write"));
        scanner.setRoots({folder(), {}, {}});
        LibraryScanner::Plan plan = scanner.planAll();
        while (!plan.done())
            scanner.apply(plan, 100);
    }
    LibraryIndexFile::close(QStringLiteral("write"));
    r = syx({QStringLiteral("--json"), QStringLiteral("search"), QStringLiteral("\"live set\" gain<3"),
             QStringLiteral("--index"), index});
    QCOMPARE(r.status, 0);
    const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).object()[QStringLiteral("rows")].toArray();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).toObject()[QStringLiteral("slot")].toString(), QStringLiteral("A2"));
    QCOMPARE(rows.at(1).toObject()[QStringLiteral("gain")].toInt(), 2);

    // The same index in a folder this user may only read: searched as it
    // is, not called damaged.
    std::optional<Unprivileged> user;
    if (::geteuid() == 0) {
        user.emplace(base_.path());
        if (!user->ok())
            QSKIP("root without the right to act as another user: nothing is read-only to it");
    }
    const QFile::Permissions was = QFile::permissions(folder());
    QVERIFY(QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner));
    r = syx({QStringLiteral("search"), QStringLiteral("\"live set\" gain<3"), QStringLiteral("--index"), index});
    QFile::setPermissions(folder(), was);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 2);
}

void TestSyx::theProgramItself()
{
    QProcess p;
    p.start(QStringLiteral(QUORVEX_SYX), {QStringLiteral("--help")});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), SyxTool::helpText());
    p.start(QStringLiteral(QUORVEX_SYX), {QStringLiteral("info"), path(QStringLiteral("missing.syx"))});
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().startsWith("quorvex-syx: Can't open file: "));
}

QTEST_GUILESS_MAIN(TestSyx)
#include "tst_syx.moc"
