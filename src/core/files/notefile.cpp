// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/notefile.h"

#include "model/quorvexerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <iterator>

namespace files {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the upper half is Latin-1.
// The five unassigned bytes stand for the C1 control of the same number,
// as Windows itself converts them, so every byte has a character.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// -1 when the character has no Windows-1252 byte.
int cp1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    const auto it = std::find(std::begin(Cp1252High), std::end(Cp1252High), c);
    return it == std::end(Cp1252High) ? -1 : 0x80 + int(it - std::begin(Cp1252High));
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(std::span<const std::uint8_t> s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const std::uint8_t b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int more;
        std::uint8_t lo = 0x80, hi = 0xBF; // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (s.size() - i <= std::size_t(more))
            return false;
        if (s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (int k = 2; k <= more; ++k)
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        i += std::size_t(more) + 1;
    }
    return true;
}

} // namespace

QString noteFileName(const QString &presetPath)
{
    const QString txt = QStringLiteral(".txt");
    const qsizetype slash = presetPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = presetPath.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1 && presetPath.mid(dot).compare(txt, Qt::CaseInsensitive) != 0)
        return presetPath.left(dot) + txt;
    return presetPath + txt;
}

QString decodeNote(std::span<const std::uint8_t> bytes)
{
    QString text;
    if (isValidUtf8(bytes)) {
        // fromUtf8() would drop a byte order mark; keeping it writes it back.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    } else {
        text.reserve(qsizetype(bytes.size()));
        for (std::uint8_t b : bytes)
            text.append(QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b)));
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Bytes encodeNote(const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));

    Bytes out;
    out.reserve(std::size_t(crlf.size()));
    bool fits = true;
    bool ascii = true;
    for (QChar c : std::as_const(crlf)) {
        const int b = cp1252Byte(c.unicode());
        if (b < 0) {
            fits = false;
            break;
        }
        ascii = ascii && b < 0x80;
        out.push_back(std::uint8_t(b));
    }
    if (fits && (ascii || !isValidUtf8(out)))
        return out;
    const QByteArray utf8 = crlf.toUtf8();
    return Bytes(utf8.begin(), utf8.end());
}

QString readNote(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    QFile file;
    QString reason;
    if (!openRegularFile(file, path, &reason))
        throw QuorvexError(QCoreApplication::translate("files", "Can't read file:\n%1\n%2").arg(path, reason));
    return decodeNote(readOpenFile(file, path));
}

void writeNote(const QString &path, const QString &text)
{
    writeWholeFile(path, encodeNote(text));
}

} // namespace files
