// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/presetfile.h"

#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"

#include <QCoreApplication>

#include <algorithm>

namespace files {

namespace {

const char *const IncorrectFormat = QT_TRANSLATE_NOOP("files", "Incorrect File Format");

QString hexBytes(std::span<const std::uint8_t> bytes)
{
    QString text;
    for (std::uint8_t b : bytes) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

} // namespace

int recordBytes(Kind kind)
{
    switch (kind) {
    case Kind::Group: return preset::GroupSize;
    case Kind::Single: return preset::RecordSize;
    case Kind::Global: return preset::GlobalSize;
    }
    return 0;
}

int minimumFileSize(Kind kind)
{
    return amp::CommandPos + 1 + 2 * recordBytes(kind) + 1;
}

Kind classify(std::span<const std::uint8_t> bytes, const QString &path, bool importing)
{
    const std::size_t present = std::min<std::size_t>(bytes.size(), amp::HeaderSize);
    for (std::size_t i = 0; i < present; ++i) {
        if (bytes[i] != amp::Header[i]) {
            const auto shown = bytes.first(std::min<std::size_t>(bytes.size(), amp::CommandPos + 1));
            throw QuorvexError(
                QCoreApplication::translate("files", "Incorrect Header:\n%1\n%2").arg(hexBytes(shown), path));
        }
    }
    if (bytes.size() <= std::size_t(amp::CommandPos))
        throw QuorvexError(aboutFile(QCoreApplication::translate("files", IncorrectFormat), path));

    Kind kind;
    switch (bytes[amp::CommandPos]) {
    case amp::GroupDump: kind = Kind::Group; break;
    case amp::SinglePreset: kind = Kind::Single; break;
    case amp::Globals: kind = Kind::Global; break;
    default: throw QuorvexError(aboutFile(QCoreApplication::translate("files", "Incorrect File Header"), path));
    }
    // A global file is not an error even when importing: the caller asks
    // whether to open it where global settings are shown.
    if (importing && kind == Kind::Group)
        throw QuorvexError(path.isEmpty()
                               ? QCoreApplication::translate("files", "Not a single preset file.")
                               : aboutFile(QCoreApplication::translate("files", "Not a single preset file"), path));
    return kind;
}

Bytes decode(Kind kind, std::span<const std::uint8_t> bytes, const QString &path)
{
    if (bytes.size() < std::size_t(minimumFileSize(kind)))
        throw QuorvexError(aboutFile(QCoreApplication::translate("files", IncorrectFormat), path));
    Bytes data(std::size_t(recordBytes(kind)));
    amp::decodeNibbles(bytes.data() + amp::CommandPos + 1, data.size(), data.data());
    return data;
}

PresetFile readPresetFile(const QString &path, bool importing, const std::function<void(Kind)> &onKind)
{
    PresetFile file{unquotedPath(path), Kind::Single, {}};
    const Bytes bytes = readWholeFile(file.path);
    file.kind = classify(bytes, file.path, importing);
    if (onKind)
        onKind(file.kind);
    file.data = decode(file.kind, bytes, file.path);
    return file;
}

void writeSingleFile(const QString &path, std::span<const std::uint8_t, preset::RecordSize> record)
{
    writeWholeFile(path, amp::singlePreset(record));
}

void writeGroupFile(const QString &path, std::span<const std::uint8_t, preset::GroupSize> group)
{
    writeWholeFile(path, amp::groupDump(group));
}

} // namespace files
