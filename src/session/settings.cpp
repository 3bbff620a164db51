// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/settings.h"

#include "files/safefile.h"
#include "model/quorvexerror.h"
#include "session/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <QStringList>

#include <climits>

namespace {

const QString Section = QStringLiteral("Form");

// The keys of section Form in the order they are written; the device names
// come last so the older keys keep their places.
const QStringList &keyOrder()
{
    static const QStringList keys{
        QStringLiteral("ViewToolBar"), QStringLiteral("AutoSplit"),   QStringLiteral("MIDIInPort"),
        QStringLiteral("MIDIOutPort"), QStringLiteral("State"),       QStringLiteral("Height"),
        QStringLiteral("Width"),       QStringLiteral("Split"),       QStringLiteral("DataDir"),
        QStringLiteral("MIDIInName"),  QStringLiteral("MIDIOutName"), QStringLiteral("BackupBeforeWrite"),
        QStringLiteral("MIDIOutRate"),
    };
    return keys;
}

// "Section/Key" -> value, as read from the file; keys outside a section
// have no "Section/".
using IniMap = QMap<QString, QString>;

// The plain key=value text that the file has always had: values literal,
// keys of Form in a fixed order, other sections kept as they were.
IniMap parseIni(const QString &text)
{
    IniMap map;
    QString section;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            if (section.compare(Section, Qt::CaseInsensitive) == 0)
                section = Section;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        QString key = line.left(eq).trimmed();
        if (section == Section) {
            // Hand-edited files may spell a key in another case, as the
            // platform's own INI reader allows.
            for (const QString &known : keyOrder())
                if (key.compare(known, Qt::CaseInsensitive) == 0)
                    key = known;
        }
        const QString fullKey = section.isEmpty() ? key : section + QLatin1Char('/') + key;
        // The first of two equal keys counts, as with the platform's reader.
        if (!map.contains(fullKey))
            map.insert(fullKey, line.mid(eq + 1).trimmed());
    }
    return map;
}

QByteArray iniText(const IniMap &map)
{
    // Sections in the order: no section, Form, the others alphabetically.
    QStringList sections;
    QMap<QString, QStringList> keysOf;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        if (!keysOf.contains(section))
            sections << section;
        keysOf[section] << it.key().mid(slash + 1);
    }
    std::sort(sections.begin(), sections.end(), [](const QString &a, const QString &b) {
        auto rank = [](const QString &s) { return s.isEmpty() ? 0 : s == Section ? 1 : 2; };
        return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
    });

    QByteArray out;
    for (const QString &section : sections) {
        QStringList keys = keysOf.value(section);
        if (section == Section) {
            std::stable_sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) {
                const qsizetype ia = keyOrder().indexOf(a), ib = keyOrder().indexOf(b);
                return (ia < 0 ? INT_MAX : ia) < (ib < 0 ? INT_MAX : ib);
            });
        }
        if (!section.isEmpty()) {
            if (!out.isEmpty())
                out += '\n';
            out += '[' + section.toUtf8() + "]\n";
        }
        for (const QString &key : keys)
            out += key.toUtf8() + '=' + map.value(section.isEmpty() ? key : section + QLatin1Char('/') + key).toUtf8() +
                   '\n';
    }
    return out;
}

// The file's entries; false when there is something at path that cannot be
// read as a settings file (a FIFO, a folder, no permission, too large).
bool readIni(const QString &path, IniMap &map)
{
    map.clear();
    if (!QFileInfo::exists(path))
        return true;
    try {
        const files::Bytes bytes = files::readWholeFile(path);
        map = parseIni(QString::fromUtf8(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
        return true;
    } catch (const QuorvexError &) {
        return false;
    }
}

QString key(const char *name)
{
    return Section + QLatin1Char('/') + QLatin1String(name);
}

void readBool(const IniMap &s, const char *name, bool &value)
{
    int n = 0;
    if (Settings::parseInteger(s.value(key(name)), n))
        value = n != 0;
}

void readInt(const IniMap &s, const char *name, int &value)
{
    int n = 0;
    if (Settings::parseInteger(s.value(key(name)), n))
        value = n;
}

void readText(const IniMap &s, const char *name, QString &value)
{
    const auto v = s.constFind(key(name));
    if (v != s.cend())
        value = v->left(Settings::MaxTextLength);
}

} // namespace

Settings::Settings(QString path) : path_(std::move(path)) {}

bool Settings::parseInteger(const QString &text, int &value)
{
    const QString t = text.trimmed();
    bool ok = false;
    qlonglong n = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        n = t.mid(2).toLongLong(&ok, 16);
    else
        n = t.toLongLong(&ok, 10);
    if (!ok || n < INT_MIN || n > INT_MAX)
        return false;
    value = int(n);
    return true;
}

FormSettings Settings::read(const FormSettings &defaults) const
{
    FormSettings v = defaults;
    IniMap s;
    readIni(path_, s); // what cannot be read gives the defaults
    readBool(s, "ViewToolBar", v.viewToolBar);
    readBool(s, "AutoSplit", v.autoSplit);
    readInt(s, "MIDIInPort", v.midiInPort);
    readInt(s, "MIDIOutPort", v.midiOutPort);
    readInt(s, "Height", v.height);
    readInt(s, "Width", v.width);
    readInt(s, "State", v.state);
    readInt(s, "Split", v.split);
    readText(s, "DataDir", v.dataDir);
    readText(s, "MIDIInName", v.midiInName);
    readText(s, "MIDIOutName", v.midiOutName);
    readBool(s, "BackupBeforeWrite", v.backupBeforeWrite);
    int rate = v.midiOutRate;
    readInt(s, "MIDIOutRate", rate);
    // A negative rate means nothing; keep the default.
    if (rate >= 0)
        v.midiOutRate = rate;
    return v;
}

bool Settings::write(const FormSettings &v) const
{
    // The other sections and keys of the file are kept; a file that cannot
    // be read is not replaced by one without them.
    IniMap s;
    if (!readIni(path_, s))
        return false;
    auto number = [](int n) { return QString::number(n); };
    s.insert(key("ViewToolBar"), number(v.viewToolBar ? 1 : 0));
    s.insert(key("AutoSplit"), number(v.autoSplit ? 1 : 0));
    s.insert(key("MIDIInPort"), number(v.midiInPort));
    s.insert(key("MIDIOutPort"), number(v.midiOutPort));
    s.insert(key("State"), number(v.state));
    s.insert(key("Height"), number(v.height));
    s.insert(key("Width"), number(v.width));
    s.insert(key("Split"), number(v.split));
    s.insert(key("DataDir"), v.dataDir);
    s.insert(key("MIDIInName"), v.midiInName);
    s.insert(key("MIDIOutName"), v.midiOutName);
    s.insert(key("BackupBeforeWrite"), number(v.backupBeforeWrite ? 1 : 0));
    s.insert(key("MIDIOutRate"), number(v.midiOutRate));
    // A line break cannot be stored in this format; refuse rather than
    // write a file that reads back differently.
    for (const QString &value : std::as_const(s))
        if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
            return false;
    const QByteArray text = iniText(s);
    try {
        // Complete on disk before it replaces the old file, which stays as
        // it was on any failure. A file beside the program in a folder the
        // user cannot write to is rewritten in place.
        files::writeWholeFile(
            path_, std::span(reinterpret_cast<const std::uint8_t *>(text.constData()), std::size_t(text.size())),
            files::InPlace::WhenFolderIsReadOnly);
    } catch (const QuorvexError &) {
        return false;
    }
    return true;
}

QString Settings::pathFor(const QString &programFile, const QString &userConfigDir)
{
    const QFileInfo program(programFile);
    const QString name = program.completeBaseName() + QStringLiteral(".INI");
    const QString beside = program.dir().filePath(name);
    const bool writable = QFileInfo(program.absolutePath()).isWritable() && !AppPaths::isInstalled(programFile);
    if (QFileInfo::exists(beside) || writable)
        return beside;
    return QDir(userConfigDir).filePath(name);
}

QString Settings::defaultPath()
{
    return pathFor(QCoreApplication::applicationFilePath(),
                   QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
