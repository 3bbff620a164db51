// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/globalfile.h"
#include "files/notefile.h"
#include "files/presetfile.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "support/sizelimit.h"

#include <QtTest>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using files::Bytes;
using files::Kind;

Q_DECLARE_METATYPE(files::Kind)

namespace {

Bytes fromHex(const char *hex)
{
    const QByteArray b = QByteArray::fromHex(hex);
    return Bytes(b.begin(), b.end());
}

// Header, command, the pairs of record and a closing byte: a file built by
// hand, not by the message builders the writer uses.
Bytes fileImage(std::uint8_t command, const Bytes &record, int closing = 0xF7)
{
    Bytes f{0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00, command};
    for (std::uint8_t b : record) {
        f.push_back(b >> 4);
        f.push_back(b & 0x0F);
    }
    if (closing >= 0)
        f.push_back(std::uint8_t(closing));
    return f;
}

Bytes utf8(const char *text)
{
    const std::string s(text);
    return Bytes(s.begin(), s.end());
}

Bytes pattern(int size, int seed = 0)
{
    Bytes r(std::size_t(size), 0);
    for (int i = 0; i < size; ++i)
        r[std::size_t(i)] = std::uint8_t(i * 37 + seed);
    return r;
}

Bytes resized(Bytes b, std::size_t size, std::uint8_t fill = 0)
{
    b.resize(size, fill);
    return b;
}

void writeRaw(const QString &path, const Bytes &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())), qint64(bytes.size()));
}

Bytes readRaw(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return Bytes(b.begin(), b.end());
}

// The message a call throws; nullopt when it throws nothing.
template <typename F>
std::optional<QString> errorOf(F &&f)
{
    try {
        f();
    } catch (const QuorvexError &e) {
        return e.message();
    }
    return std::nullopt;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// What a failed save must say: the file, then the system's reason.
void checkSaveMessage(const std::optional<QString> &message, const QString &path)
{
    QVERIFY2(message, "the write did not fail");
    const QString head = QStringLiteral("Can't save file:\n") + path + QLatin1Char('\n');
    QVERIFY2(message->startsWith(head), qPrintable(*message));
    QVERIFY2(message->size() > head.size(), "no reason given");
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void presetFileErrors_data();
    void presetFileErrors();
    void presetFileContents_data();
    void presetFileContents();
    void globalFileDecoding_data();
    void globalFileDecoding();
    void writtenFilesReadBack();
    void failedWritesChangeNothing();
    void writeOverSizeLimitKeepsTheOldFile();
    void leftTemporariesGoAtTheNextSave();
    void noteFileNames_data();
    void noteFileNames();
    void noteBytes_data();
    void noteBytes();
    void noteEncoding_data();
    void noteEncoding();
    void noteFiles();
    void aFileSwappedForAFifoNeverHolds_data();
    void aFileSwappedForAFifoNeverHolds();
};

// ---- Reading preset and group files

enum class Setup { File, Missing, Directory, Fifo };
Q_DECLARE_METATYPE(Setup)

namespace {

Bytes withByte(Bytes b, std::size_t index, std::uint8_t value)
{
    b[index] = value;
    return b;
}

// Makes what a row asks for in dir and returns its path.
QString prepare(const QTemporaryDir &dir, Setup setup, const QString &name, const Bytes &content)
{
    const QString path = dir.filePath(name);
    switch (setup) {
    case Setup::File: writeRaw(path, content); break;
    case Setup::Missing: break;
    case Setup::Directory: QDir(dir.path()).mkdir(name); break;
    case Setup::Fifo: ::mkfifo(QFile::encodeName(path).constData(), 0600); break;
    }
    return path;
}

const int NoKind = -1;

} // namespace

void TestFiles::presetFileErrors_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("name"); // in the temporary folder
    QTest::addColumn<Bytes>("content");
    QTest::addColumn<bool>("quoted"); // the path handed over in double quotes
    QTest::addColumn<bool>("importing");
    QTest::addColumn<int>("kindSeen");     // the kind reported before the length check
    QTest::addColumn<QString>("expected"); // %1: the path without quotes

    const QString cantOpen = QStringLiteral("Can't open file:\n%1");
    const QString format = QStringLiteral("Incorrect File Format:\n%1");
    const QString notSingle = QStringLiteral("Not a single preset file:\n%1");
    const Bytes group = fileImage(0x05, pattern(496));
    const Bytes single = fileImage(0x09, pattern(31));
    const Bytes global = fileImage(0x13, pattern(14));
    const QString nonAscii = QStringLiteral("Grüße – 日本.syx");

    QTest::newRow("missing") << Setup::Missing << "gone.syx" << Bytes{} << false << false << NoKind << cantOpen;
    QTest::newRow("missing, quoted") << Setup::Missing << "gone.syx" << Bytes{} << true << false << NoKind << cantOpen;
    QTest::newRow("missing, non-ASCII") << Setup::Missing << nonAscii << Bytes{} << false << false << NoKind
                                        << cantOpen;
    QTest::newRow("missing, quote inside")
        << Setup::Missing << "12\" cab.syx" << Bytes{} << false << false << NoKind << cantOpen;
    QTest::newRow("directory") << Setup::Directory << "x.syx" << Bytes{} << false << false << NoKind << cantOpen;
    QTest::newRow("fifo") << Setup::Fifo << "pipe.syx" << Bytes{} << false << false << NoKind << cantOpen;
    QTest::newRow("over 1 MiB") << Setup::File << "huge.syx" << resized(group, files::MaxReadSize + 1) << false << false
                                << NoKind << QStringLiteral("File too large (over 1 MiB):\n%1");

    QTest::newRow("header byte 5") << Setup::File << "a.syx" << withByte(single, 5, 0x01) << false << false << NoKind
                                   << QStringLiteral("Incorrect Header:\nF0 00 20 4F 10 01 09\n%1");
    QTest::newRow("text file, non-ASCII name")
        << Setup::File << nonAscii << Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'} << false << false << NoKind
        << QStringLiteral("Incorrect Header:\n61 62 63 64 65 66 67\n%1");
    QTest::newRow("header wrong, quoted") << Setup::File << "q.syx" << withByte(group, 2, 0x7F) << true << false
                                          << NoKind << QStringLiteral("Incorrect Header:\nF0 00 7F 4F 10 00 05\n%1");
    QTest::newRow("three bytes, wrong") << Setup::File << "b.syx" << fromHex("f00021") << false << false << NoKind
                                        << QStringLiteral("Incorrect Header:\nF0 00 21\n%1");
    QTest::newRow("three bytes of the header")
        << Setup::File << "c.syx" << fromHex("f00020") << false << false << NoKind << format;
    QTest::newRow("zero bytes") << Setup::File << "d.syx" << Bytes{} << false << false << NoKind << format;
    QTest::newRow("the header alone") << Setup::File << "e.syx" << fromHex("f000204f1000") << false << false << NoKind
                                      << format;

    QTest::newRow("command 07") << Setup::File << "f.syx" << withByte(group, 6, 0x07) << false << false << NoKind
                                << QStringLiteral("Incorrect File Header:\n%1");
    QTest::newRow("command 00, importing") << Setup::File << "g.syx" << withByte(single, 6, 0x00) << false << true
                                           << NoKind << QStringLiteral("Incorrect File Header:\n%1");
    QTest::newRow("group, importing") << Setup::File << "h.syx" << group << false << true << NoKind << notSingle;

    QTest::newRow("group of 999 bytes") << Setup::File << "j.syx" << resized(group, 999) << false << false
                                        << int(Kind::Group) << format;
    QTest::newRow("single of 69 bytes, importing")
        << Setup::File << "k.syx" << resized(single, 69) << false << true << int(Kind::Single) << format;
    QTest::newRow("single, header and command only")
        << Setup::File << "l.syx" << resized(single, 7) << false << false << int(Kind::Single) << format;
    QTest::newRow("global of 35 bytes") << Setup::File << "m.syx" << resized(global, 35) << false << false
                                        << int(Kind::Global) << format;
}

void TestFiles::presetFileErrors()
{
    QFETCH(Setup, setup);
    QFETCH(QString, name);
    QFETCH(Bytes, content);
    QFETCH(bool, quoted);
    QFETCH(bool, importing);
    QFETCH(int, kindSeen);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = prepare(dir, setup, name, content);
    const QString given = quoted ? QLatin1Char('"') + path + QLatin1Char('"') : path;
    if (expected.contains(QLatin1String("%1")))
        expected = expected.arg(path);

    int seen = NoKind;
    const auto message = errorOf([&] { files::readPresetFile(given, importing, [&](Kind k) { seen = int(k); }); });
    QCOMPARE(message, std::optional<QString>(expected));
    QCOMPARE(seen, kindSeen);
}

void TestFiles::presetFileContents_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Bytes>("content");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<bool>("importing");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Bytes>("data");

    const Bytes group = pattern(496, 5); // every byte value
    const Bytes record = pattern(31, 11);
    const Bytes globals = pattern(14, 200);

    // Nibble bytes count only by their low four bits.
    Bytes masked = fileImage(0x09, record);
    masked[7] = 0x1A;
    masked[8] = 0x2B;
    masked[9] = 0xF3;
    masked[10] = 0x7C;
    Bytes maskedRecord = record;
    maskedRecord[0] = 0xAB;
    maskedRecord[1] = 0x3C;

    QTest::newRow("group") << "g.syx" << fileImage(0x05, group) << false << false << Kind::Group << group;
    QTest::newRow("group without F7") << "g.syx" << fileImage(0x05, group, 0x00) << false << false << Kind::Group
                                      << group;
    QTest::newRow("group with bytes after it")
        << "g.syx" << resized(fileImage(0x05, group), 1300, 0xF7) << false << false << Kind::Group << group;
    QTest::newRow("single") << "s.syx" << fileImage(0x09, record) << false << false << Kind::Single << record;
    QTest::newRow("single, importing") << "s.syx" << fileImage(0x09, record, 0x42) << false << true << Kind::Single
                                       << record;
    QTest::newRow("single, masked nibbles") << "s.syx" << masked << false << false << Kind::Single << maskedRecord;
    QTest::newRow("single, quoted path") << "s p.syx" << fileImage(0x09, record) << true << false << Kind::Single
                                         << record;
    QTest::newRow("single, non-ASCII name")
        << QStringLiteral("Ré – 日本.syx") << fileImage(0x09, record) << false << false << Kind::Single << record;
    QTest::newRow("global") << "settings.syx" << fileImage(0x13, globals) << false << false << Kind::Global << globals;
    // Not refused when importing: the caller asks whether to open it.
    QTest::newRow("global, importing") << "settings.syx" << fileImage(0x13, globals) << false << true << Kind::Global
                                       << globals;
}

void TestFiles::presetFileContents()
{
    QFETCH(QString, name);
    QFETCH(Bytes, content);
    QFETCH(bool, quoted);
    QFETCH(bool, importing);
    QFETCH(Kind, kind);
    QFETCH(Bytes, data);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = prepare(dir, Setup::File, name, content);
    const QString given = quoted ? QLatin1Char('"') + path + QLatin1Char('"') : path;

    int hooks = 0;
    const files::PresetFile file = files::readPresetFile(given, importing, [&](Kind k) {
        ++hooks;
        QCOMPARE(k, kind);
    });
    QCOMPARE(hooks, 1);
    QCOMPARE(file.path, path);
    QCOMPARE(file.kind, kind);
    QCOMPARE(file.data, data);
    // The two steps alone give the same.
    QCOMPARE(files::classify(content, path, importing), kind);
    QCOMPARE(files::decode(kind, content), data);
}

// ---- Global files

void TestFiles::globalFileDecoding_data()
{
    QTest::addColumn<Bytes>("content");
    QTest::addColumn<QString>("error"); // empty: decodes to record
    QTest::addColumn<Bytes>("record");

    const Bytes globals = pattern(14, 90);
    const Bytes file = fileImage(0x13, globals);
    const QString notGlobal = QStringLiteral("Not a Quorvatron Global File");
    const QString format = QStringLiteral("Incorrect File Format");
    Bytes masked = withByte(withByte(file, 7, 0x5E), 8, 0xA1); // high 0xE, low 0x1
    Bytes maskedRecord = withByte(globals, 0, 0xE1);

    QTest::newRow("36 bytes") << file << QString() << globals;
    QTest::newRow("without F7") << withByte(file, 35, 0x00) << QString() << globals;
    QTest::newRow("bytes after it") << resized(file, 60, 0x33) << QString() << globals;
    QTest::newRow("masked nibbles") << masked << QString() << maskedRecord;
    QTest::newRow("35 bytes") << resized(file, 35) << format << Bytes{};
    QTest::newRow("header and command only") << resized(file, 7) << format << Bytes{};
    QTest::newRow("zero bytes") << Bytes{} << notGlobal << Bytes{};
    QTest::newRow("the header alone") << resized(file, 6) << notGlobal << Bytes{};
    QTest::newRow("a single preset file") << fileImage(0x09, pattern(31)) << notGlobal << Bytes{};
    QTest::newRow("header byte 3") << withByte(file, 3, 0x4E) << notGlobal << Bytes{};
}

void TestFiles::globalFileDecoding()
{
    QFETCH(Bytes, content);
    QFETCH(QString, error);
    QFETCH(Bytes, record);

    files::GlobalRecord decoded{};
    const auto message = errorOf([&] { decoded = files::decodeGlobalFile(content); });
    if (!error.isEmpty()) {
        QCOMPARE(message, std::optional<QString>(error));
        return;
    }
    QCOMPARE(message, std::nullopt);
    QCOMPARE(Bytes(decoded.begin(), decoded.end()), record);
}

// ---- Writing

void TestFiles::writtenFilesReadBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Bytes groupBytes = pattern(496, 3);
    const Bytes recordBytes = pattern(31, 77);
    const Bytes globalBytes = pattern(14, 240);
    std::array<std::uint8_t, preset::GroupSize> group{};
    std::array<std::uint8_t, preset::RecordSize> record{};
    files::GlobalRecord globals{};
    std::copy(groupBytes.begin(), groupBytes.end(), group.begin());
    std::copy(recordBytes.begin(), recordBytes.end(), record.begin());
    std::copy(globalBytes.begin(), globalBytes.end(), globals.begin());

    // Each written over a longer file, which must not leave a tail behind.
    const QString groupPath = dir.filePath(QStringLiteral("Bänke.syx"));
    const QString singlePath = dir.filePath(QStringLiteral("one.syx"));
    const QString globalPath = dir.filePath(QStringLiteral("global.syx"));
    for (const QString &p : {groupPath, singlePath, globalPath})
        writeRaw(p, Bytes(3000, 0x55));

    files::writeGroupFile(groupPath, group);
    files::writeSingleFile(singlePath, record);
    files::writeGlobalFile(globalPath, globals);

    QCOMPARE(readRaw(groupPath), fileImage(0x05, groupBytes));
    QCOMPARE(readRaw(singlePath), fileImage(0x09, recordBytes));
    QCOMPARE(readRaw(globalPath), fileImage(0x13, globalBytes));
    QCOMPARE(readRaw(groupPath).size(), std::size_t(1000));
    QCOMPARE(readRaw(singlePath).size(), std::size_t(70));
    QCOMPARE(readRaw(globalPath).size(), std::size_t(36));

    const files::PresetFile g = files::readPresetFile(groupPath, false);
    QCOMPARE(g.kind, Kind::Group);
    QCOMPARE(g.data, groupBytes);
    const files::PresetFile s = files::readPresetFile(singlePath, true);
    QCOMPARE(s.kind, Kind::Single);
    QCOMPARE(s.data, recordBytes);
    QCOMPARE(files::readGlobalFile(QLatin1Char('"') + globalPath + QLatin1Char('"')), globals);

    QCOMPARE(entries(dir.path()),
             (QStringList{QStringLiteral("Bänke.syx"), QStringLiteral("global.syx"), QStringLiteral("one.syx")}));

    const QString missing = dir.filePath(QStringLiteral("none.syx"));
    QCOMPARE(errorOf([&] { files::readGlobalFile(missing); }),
             std::optional<QString>(QStringLiteral("Can't open file:\n") + missing));
}

void TestFiles::failedWritesChangeNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::array<std::uint8_t, preset::RecordSize> record{};

    const QString inMissingFolder = dir.filePath(QStringLiteral("no folder/a.syx"));
    checkSaveMessage(errorOf([&] { files::writeSingleFile(inMissingFolder, record); }), inMissingFolder);
    checkSaveMessage(errorOf([&] { files::writeNote(inMissingFolder, QStringLiteral("x")); }), inMissingFolder);

    // A folder where the file should be stays a folder, with its content.
    const QString folder = dir.filePath(QStringLiteral("x.syx"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.syx")));
    writeRaw(folder + QStringLiteral("/inside"), Bytes{1, 2, 3});
    checkSaveMessage(errorOf([&] { files::writeSingleFile(folder, record); }), folder);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(readRaw(folder + QStringLiteral("/inside")), (Bytes{1, 2, 3}));

    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("x.syx")});
}

// Root ignores permission bits, so the failing write comes from a file size
// limit, set in a child process so that nothing else in the test feels it.
void TestFiles::writeOverSizeLimitKeepsTheOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Grüße.syx"));
    const Bytes old = fileImage(0x09, pattern(31, 1));
    writeRaw(path, old);
    std::array<std::uint8_t, preset::GroupSize> group{};
    group.fill(0x66);

    const auto text = underFileSizeLimit(500, [&] { // half the 1000-byte group file
        try {
            files::writeGroupFile(path, group);
            return QByteArray("written");
        } catch (const QuorvexError &e) {
            return e.message().toUtf8();
        }
    });
    QVERIFY(text);
    QCOMPARE(QString::fromUtf8(*text),
             QStringLiteral("Can't save file:\n") + path + QLatin1Char('\n') + qt_error_string(EFBIG));
    QCOMPARE(readRaw(path), old);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("Grüße.syx")});
}

// A save killed after its temporary file was complete leaves it beside the
// target; the next save of that file puts it in the trash, and nothing else.
void TestFiles::leftTemporariesGoAtTheNextSave()
{
    QTemporaryDir dir, trash;
    QVERIFY(dir.isValid() && trash.isValid());
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", dataHome); });
    qputenv("XDG_DATA_HOME", QFile::encodeName(trash.path()));

    const QStringList left{QStringLiteral("Grüße.syx.OLFQxP"), QStringLiteral("Grüße.syx.aBcdef")};
    const QStringList others{QStringLiteral("Grüße.syx.backup"),  QStringLiteral("Grüße.syx.BACKUP"),
                             QStringLiteral("Grüße.syx.Ab1dEf"),  QStringLiteral("Grüße.syx.AbCdE"),
                             QStringLiteral("Grüße.syx.AbCdEfG"), QStringLiteral("Other.syx.OLFQxP"),
                             QStringLiteral("Grüße.syxxOLFQxP")};
    for (const QString &name : left + others)
        writeRaw(dir.filePath(name), fileImage(0x09, pattern(31)));
    const std::array<std::uint8_t, preset::RecordSize> record{};
    files::writeSingleFile(dir.filePath(QStringLiteral("Grüße.syx")), record);

    QStringList expected = others;
    expected << QStringLiteral("Grüße.syx");
    expected.sort();
    QStringList kept = entries(dir.path());
    kept.sort();
    QCOMPARE(kept, expected);
    QStringList trashed = entries(trash.filePath(QStringLiteral("Trash/files")));
    trashed.sort();
    QCOMPARE(trashed, left);
}

// ---- Notes

void TestFiles::noteFileNames_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("note");
    QTest::newRow("syx") << "/d/name.syx"
                         << "/d/name.txt";
    QTest::newRow("upper case") << "name.SYX"
                                << "name.txt";
    QTest::newRow("last extension only") << "/d/a.tar.syx"
                                         << "/d/a.tar.txt";
    QTest::newRow("no extension") << "/d/name"
                                  << "/d/name.txt";
    QTest::newRow("dot in the folder") << "/d.e/name"
                                       << "/d.e/name.txt";
    QTest::newRow("trailing dot") << "/d/name."
                                  << "/d/name.txt";
    QTest::newRow("leading dot") << "/d/.syx"
                                 << "/d/.syx.txt";
    QTest::newRow("a txt file") << "/d/name.txt"
                                << "/d/name.txt.txt";
    QTest::newRow("a TXT file") << "/d/NAME.TXT"
                                << "/d/NAME.TXT.txt";
    QTest::newRow("non-ASCII") << QStringLiteral("/d/Grüße.syx") << QStringLiteral("/d/Grüße.txt");
}

void TestFiles::noteFileNames()
{
    QFETCH(QString, preset);
    QFETCH(QString, note);
    QCOMPARE(files::noteFileName(preset), note);
}

void TestFiles::noteBytes_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("writtenBack"); // encodeNote(text) gives the bytes again

    QTest::newRow("empty") << Bytes{} << QString() << true;
    QTest::newRow("ASCII, CR LF") << fromHex("6c310d0a6c320d0a") << "l1\nl2\n" << true;
    QTest::newRow("Windows-1252 accents")
        << fromHex("636166e92064e96ae02076750d0a80203520936f6b94") << QStringLiteral("café déjà vu\n€ 5 “ok”") << true;
    QTest::newRow("Windows-1252 unassigned bytes")
        << fromHex("818d8f909de9") << QStringLiteral("\u0081\u008D\u008F\u0090\u009Dé") << true;
    QTest::newRow("UTF-8 beyond Windows-1252") << utf8("Grüße 日本\r\n€") << QStringLiteral("Grüße 日本\n€") << true;
    QTest::newRow("UTF-8 within Windows-1252") << fromHex("4772c3bcc39f65") << QStringLiteral("Grüße") << false;
    QTest::newRow("UTF-8 byte order mark") << fromHex("efbbbf6869e282ac") << QStringLiteral("\uFEFFhi€") << true;
    QTest::newRow("bare LF") << fromHex("610a62") << "a\nb" << false;
    QTest::newRow("bare CR") << fromHex("610d62") << "a\nb" << false;
    QTest::newRow("mixed breaks") << fromHex("610d0a0d0a620a0d63") << "a\n\nb\n\nc" << false;
    QTest::newRow("NUL") << fromHex("610062") << QString::fromUtf8("a\0b", 3) << true;
    // Not UTF-8 after all: Windows-1252.
    QTest::newRow("overlong form") << fromHex("c0af") << QStringLiteral("À¯") << true;
    QTest::newRow("encoded surrogate") << fromHex("eda080") << QStringLiteral("í\u00A0€") << true;
    QTest::newRow("cut sequence") << fromHex("41e282") << QStringLiteral("Aâ‚") << true;
    QTest::newRow("past U+10FFFF") << fromHex("f4908080") << QStringLiteral("ô\u0090€€") << true;
    // Text whose Windows-1252 bytes would read back as UTF-8 stays UTF-8.
    QTest::newRow("looks like UTF-8") << fromHex("c383c2a9") << QStringLiteral("Ã©") << true;
}

void TestFiles::noteBytes()
{
    QFETCH(Bytes, bytes);
    QFETCH(QString, text);
    QFETCH(bool, writtenBack);

    QCOMPARE(files::decodeNote(bytes), text);
    QCOMPARE(files::decodeNote(files::encodeNote(text)), text);
    if (writtenBack)
        QCOMPARE(files::encodeNote(text), bytes);

    // Through real files: an unchanged note saves back byte for byte.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("note.txt"));
    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    writeRaw(path, bytes);
    QCOMPARE(files::readNote(path), text);
    files::writeNote(copy, files::readNote(path));
    QCOMPARE(readRaw(copy) == bytes, writtenBack);
}

void TestFiles::noteEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Bytes>("bytes");
    QTest::newRow("every break becomes CR LF") << "a\rb\nc\r\nd" << fromHex("610d0a620d0a630d0a64");
    QTest::newRow("lone LF") << "\n" << fromHex("0d0a");
    QTest::newRow("two CR") << "\r\r" << fromHex("0d0a0d0a");
    QTest::newRow("LF CR") << "\n\r" << fromHex("0d0a0d0a");
    QTest::newRow("Windows-1252") << QStringLiteral("€ “x” café") << fromHex("802093789420636166e9");
    QTest::newRow("U+0080 has no Windows-1252 byte") << QStringLiteral("\u0080") << fromHex("c280");
    QTest::newRow("one character outside") << QStringLiteral("é日") << fromHex("c3a9e697a5");
    QTest::newRow("outside the BMP") << QStringLiteral("🎸") << fromHex("f09f8eb8");
    QTest::newRow("lone byte that is no UTF-8") << QStringLiteral("Ã") << fromHex("c3");
}

void TestFiles::noteEncoding()
{
    QFETCH(QString, text);
    QFETCH(Bytes, bytes);
    QCOMPARE(files::encodeNote(text), bytes);
    QString lf = text;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QCOMPARE(files::decodeNote(bytes), lf);
}

void TestFiles::noteFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(files::readNote(dir.filePath(QStringLiteral("missing.txt"))), QString());

    const QString folder = dir.filePath(QStringLiteral("folder.txt"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    const auto message = errorOf([&] { files::readNote(folder); });
    const QString head = QStringLiteral("Can't read file:\n") + folder + QLatin1Char('\n');
    QVERIFY(message && message->startsWith(head) && message->size() > head.size());

    const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(errorOf([&] { files::readNote(fifo); }),
             std::optional<QString>(QStringLiteral("Can't read file:\n%1\nNot a regular file").arg(fifo)));

    const QString huge = dir.filePath(QStringLiteral("huge.txt"));
    writeRaw(huge, Bytes(files::MaxReadSize + 1, 'a'));
    QCOMPARE(errorOf([&] { files::readNote(huge); }),
             std::optional<QString>(QStringLiteral("File too large (over 1 MiB):\n") + huge));
}

// A file that another program keeps swapping for a FIFO (the two names
// exchanged in one step, so the path is always one of them): every read
// ends, with the file or with an error, and none waits for a writer.
void TestFiles::aFileSwappedForAFifoNeverHolds_data()
{
    QTest::addColumn<QString>("reader");
    QTest::newRow("preset") << QStringLiteral("preset");
    QTest::newRow("global") << QStringLiteral("global");
    QTest::newRow("note") << QStringLiteral("note");
}

void TestFiles::aFileSwappedForAFifoNeverHolds()
{
    QFETCH(QString, reader);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray target = QFile::encodeName(dir.filePath(QStringLiteral("target")));
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo")));
    writeRaw(QFile::decodeName(target),
             reader == QLatin1String("global") ? fileImage(0x13, pattern(14)) : fileImage(0x09, pattern(31)));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);

    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        while (!stop)
            ::renameat2(AT_FDCWD, target.constData(), AT_FDCWD, fifo.constData(), RENAME_EXCHANGE);
    });
    auto reads = std::async(std::launch::async, [&] {
        int whole = 0;
        for (int i = 0; i < 20000; ++i) {
            try {
                const QString path = QFile::decodeName(target);
                if (reader == QLatin1String("preset"))
                    files::readPresetFile(path, false);
                else if (reader == QLatin1String("global"))
                    files::readGlobalFile(path);
                else
                    files::readNote(path);
                ++whole;
            } catch (const QuorvexError &) {}
        }
        return whole;
    });
    // Only a reader that hangs meets this bound; a writer then lets it go.
    const bool ended = reads.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    stop = true;
    swapper.join();
    if (!ended) {
        for (const QByteArray &name : {target, fifo})
            if (const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd);
    }
    const int whole = reads.get();
    QVERIFY2(ended, "a read waited on the FIFO");
    QVERIFY(whole > 0);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
