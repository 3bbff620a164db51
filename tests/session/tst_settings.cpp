// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/apppaths.h"
#include "session/settings.h"
#include "support/sizelimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("quorvex.INI")); }
    void writeFile(const QByteArray &text)
    {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray fileText() const
    {
        if (!QFileInfo(ini()).isFile())
            return {}; // a FIFO would wait for a writer
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static FormSettings designDefaults()
    {
        FormSettings d;
        d.width = 750;
        d.height = 540;
        d.split = 219;
        return d;
    }

private slots:
    void init() { QFile::remove(ini()); }

    void noFileGivesDefaults()
    {
        const FormSettings s = Settings(ini()).read(designDefaults());
        QCOMPARE(s.viewToolBar, true);
        QCOMPARE(s.autoSplit, false);
        QCOMPARE(s.midiInPort, -1);
        QCOMPARE(s.midiOutPort, -1);
        QCOMPARE(s.state, 0);
        QCOMPARE(s.width, 750);
        QCOMPARE(s.height, 540);
        QCOMPARE(s.split, 219);
        QVERIFY(s.dataDir.isEmpty());
        QVERIFY(!QFile::exists(ini())); // reading creates nothing
    }

    void integersDecimalOrHex_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("640") << 640;
        QTest::newRow("negative") << QByteArray("-1") << -1;
        QTest::newRow("hex lower") << QByteArray("0x280") << 640;
        QTest::newRow("hex upper") << QByteArray("0X1F") << 31;
        QTest::newRow("spaces") << QByteArray("  700  ") << 700;
        // Not octal: a leading zero is still decimal.
        QTest::newRow("leading zero") << QByteArray("010") << 10;
        QTest::newRow("garbage") << QByteArray("wide") << 750;
        QTest::newRow("trailing junk") << QByteArray("700px") << 750;
        QTest::newRow("bad hex") << QByteArray("0xZZ") << 750;
        QTest::newRow("empty") << QByteArray("") << 750;
        QTest::newRow("too big") << QByteArray("99999999999") << 750;
    }
    void integersDecimalOrHex()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        writeFile("[Form]\nWidth=" + text + "\n");
        QCOMPARE(Settings(ini()).read(designDefaults()).width, expected);
    }

    void booleansAreIntegers()
    {
        writeFile("[Form]\nViewToolBar=0\nAutoSplit=2\n");
        FormSettings s = Settings(ini()).read(designDefaults());
        QCOMPARE(s.viewToolBar, false);
        QCOMPARE(s.autoSplit, true);
        // "true" is not a number: the default stays.
        writeFile("[Form]\nViewToolBar=false\nAutoSplit=true\n");
        s = Settings(ini()).read(designDefaults());
        QCOMPARE(s.viewToolBar, true);
        QCOMPARE(s.autoSplit, false);
        writeFile("[Form]\nAutoSplit=0x1\n");
        QCOMPARE(Settings(ini()).read(designDefaults()).autoSplit, true);
    }

    void outputRateNeverNegative()
    {
        QCOMPARE(Settings(ini()).read(designDefaults()).midiOutRate, 3125);
        writeFile("[Form]\nMIDIOutRate=0\n");
        QCOMPARE(Settings(ini()).read(designDefaults()).midiOutRate, 0);
        writeFile("[Form]\nMIDIOutRate=-5\n");
        QCOMPARE(Settings(ini()).read(designDefaults()).midiOutRate, 3125);
    }

    void writesKeysInOrderWithBooleansAsDigits()
    {
        FormSettings s = designDefaults();
        s.viewToolBar = false;
        s.autoSplit = true;
        s.midiInPort = 1;
        s.midiOutPort = 0;
        s.midiInName = QStringLiteral("USB MIDI 24:0");
        s.midiOutName = QStringLiteral("USB MIDI 24:0");
        s.dataDir = QStringLiteral("/home/me/amp presets");
        s.backupBeforeWrite = false;
        s.midiOutRate = 0;
        QVERIFY(Settings(ini()).write(s));
        QCOMPARE(fileText(), QByteArray("[Form]\n"
                                        "ViewToolBar=0\n"
                                        "AutoSplit=1\n"
                                        "MIDIInPort=1\n"
                                        "MIDIOutPort=0\n"
                                        "State=0\n"
                                        "Height=540\n"
                                        "Width=750\n"
                                        "Split=219\n"
                                        "DataDir=/home/me/amp presets\n"
                                        "MIDIInName=USB MIDI 24:0\n"
                                        "MIDIOutName=USB MIDI 24:0\n"
                                        "BackupBeforeWrite=0\n"
                                        "MIDIOutRate=0\n"));
        QVERIFY(!Settings(ini()).read(designDefaults()).backupBeforeWrite);
    }

    void rewritingAFileKeepsTheOrder()
    {
        // A hand-edited file in another order, another case and other sections.
        writeFile("; my settings\n[Other]\nx=1\n\n[form]\nDataDir=/tmp\nwidth=800\nViewToolBar=1\n");
        const Settings settings(ini());
        FormSettings s = settings.read(designDefaults());
        QCOMPARE(s.width, 800);
        QCOMPARE(s.dataDir, QStringLiteral("/tmp"));
        QVERIFY(settings.write(s));
        const QList<QByteArray> lines = fileText().split('\n');
        QCOMPARE(lines.value(0), QByteArray("[Form]"));
        QCOMPARE(lines.value(1), QByteArray("ViewToolBar=1"));
        QCOMPARE(lines.value(7), QByteArray("Width=800"));
        QCOMPARE(lines.value(9), QByteArray("DataDir=/tmp"));
        QVERIFY(fileText().contains("[Other]\nx=1\n"));
        QCOMPARE(fileText().count("Width="), 1);
    }

    void textIsLiteralAndLimited()
    {
        // Commas, quotes and backslashes are part of a path, not syntax.
        FormSettings s = designDefaults();
        s.dataDir = QStringLiteral("C:\\Amp, \"old\" presets\\=x");
        QVERIFY(Settings(ini()).write(s));
        QCOMPARE(Settings(ini()).read(designDefaults()).dataDir, s.dataDir);

        writeFile("[Form]\nDataDir=" + QByteArray(3000, 'a') + "\n");
        QCOMPARE(Settings(ini()).read(designDefaults()).dataDir.size(), Settings::MaxTextLength);
    }

    void unwritableFileFails()
    {
        // A line break cannot be stored; refuse rather than corrupt the file.
        FormSettings s = designDefaults();
        s.dataDir = QStringLiteral("/tmp/a\nState=2");
        QVERIFY(!Settings(ini()).write(s));
        QCOMPARE(Settings(ini()).read(designDefaults()).state, 0);

        // A path below a regular file cannot be created, even by root.
        writeFile("x");
        QVERIFY(!Settings(ini() + QStringLiteral("/quorvex.INI")).write(designDefaults()));
    }

    // Whatever is in the file's place, starting waits for nothing and gives
    // the defaults; closing tells of the failure and leaves it as it was.
    void whatCannotBeWrittenStaysAsItWas_data()
    {
        QTest::addColumn<QString>("inPlace");
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a full disk") << "size limit";
    }
    void whatCannotBeWrittenStaysAsItWas()
    {
        QFETCH(QString, inPlace);
        const Settings settings(ini());
        FormSettings stored = designDefaults();
        if (inPlace == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(ini()).constData(), 0600), 0);
        } else if (inPlace == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(ini()));
        } else {
            stored.width = 800;
            stored.dataDir = QStringLiteral("/home/me/amp presets");
            QVERIFY(settings.write(stored));
        }
        const QByteArray before = fileText();
        QCOMPARE(settings.read(designDefaults()).width, stored.width);

        FormSettings changed = stored;
        changed.width = 900;
        changed.dataDir = QStringLiteral("/a/much/longer/folder/name/than/before");
        if (inPlace == QLatin1String("size limit")) {
            // Room for less than the old file: the write stops half way.
            const auto written = underFileSizeLimit(QFileInfo(ini()).size() / 2, [&] {
                return QByteArray(settings.write(changed) ? "written" : "refused");
            });
            QCOMPARE(written, std::optional<QByteArray>("refused"));
        } else {
            QVERIFY(!settings.write(changed));
        }
        QCOMPARE(fileText(), before);
        QCOMPARE(settings.read(designDefaults()).width, stored.width);
        QCOMPARE(QFileInfo(ini()).isDir(), inPlace == QLatin1String("folder"));
        const QStringList left =
            QDir(dir.path())
                .entryList({QStringLiteral("quorvex.INI*")}, QDir::AllEntries | QDir::System | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("quorvex.INI")});
        QDir(ini()).removeRecursively();
        QFile::remove(ini());
    }

    void location()
    {
        QTemporaryDir programDir;
        const QString program = programDir.filePath(QStringLiteral("quorvex"));
        const QString user = dir.filePath(QStringLiteral("config"));
        QCOMPARE(Settings::pathFor(program, user), programDir.filePath(QStringLiteral("quorvex.INI")));
        QCOMPARE(Settings::pathFor(programDir.filePath(QStringLiteral("quorvex.exe")), user),
                 programDir.filePath(QStringLiteral("quorvex.INI")));
        // A folder the program cannot write to: the per-user folder.
        QCOMPARE(Settings::pathFor(QStringLiteral("/nonexistent/bin/quorvex"), user),
                 user + QStringLiteral("/quorvex.INI"));
    }

    // An installed tree: <prefix>/bin/quorvex beside the desktop entry. Root
    // may write to /usr/bin, yet nothing of the user's belongs there.
    static QString makeInstalledTree(const QTemporaryDir &prefix)
    {
        QDir(prefix.path()).mkpath(QStringLiteral("bin"));
        QDir(prefix.path()).mkpath(QStringLiteral("share/applications"));
        QFile entry(prefix.filePath(QStringLiteral("share/applications/%1.desktop").arg(AppPaths::DesktopId)));
        if (!entry.open(QIODevice::WriteOnly))
            return {};
        return prefix.filePath(QStringLiteral("bin/quorvex"));
    }

    void installedProgramKeepsNothingBesideItself()
    {
        QTemporaryDir prefix;
        const QString program = makeInstalledTree(prefix);
        QVERIFY(!program.isEmpty());
        QVERIFY(QFileInfo(prefix.filePath(QStringLiteral("bin"))).isWritable());
        const QString user = dir.filePath(QStringLiteral("config"));
        QCOMPARE(Settings::pathFor(program, user), user + QStringLiteral("/quorvex.INI"));

        // The file list's first folder: today's working folder in a
        // development tree, the user's documents when started from "/" or
        // from the installed program's own folder.
        const QByteArray home = qgetenv("HOME"), configHome = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            if (!configHome.isNull())
                qputenv("XDG_CONFIG_HOME", configHome);
        });
        qputenv("HOME", dir.path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        const QString documents = dir.filePath(QStringLiteral("Documents/Quorvex"));
        const QString work = dir.filePath(QStringLiteral("work"));
        QVERIFY(QDir().mkpath(work));
        QCOMPARE(AppPaths::startFolder(work, program), work);
        QCOMPARE(AppPaths::startFolder(QStringLiteral("/"), program), documents);
        QVERIFY(QFileInfo(documents).isDir());
        QCOMPARE(AppPaths::startFolder(prefix.filePath(QStringLiteral("bin")), program), documents);
        QTemporaryDir buildDir;
        QCOMPARE(AppPaths::startFolder(buildDir.path(), buildDir.filePath(QStringLiteral("quorvex"))), buildDir.path());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
