// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/presetcolumns.h"

#include "model/delaytime.h"

#include <algorithm>

namespace presetcolumns {

namespace {

using Record = std::span<const std::uint8_t, preset::RecordSize>;

int field(Record r, Field f)
{
    return bitfield::read(r[std::size_t(f.index)], f.shift, f.width);
}

// The byte a dual knob plays: the normal one, or the Alt one after it.
template <int Byte, preset::Dual Section>
int active(Record r)
{
    return r[std::size_t(Byte + field(r, preset::dualSection(Section).flag))];
}

using preset::Dual;
const Column listColumns[] = {
    {"model", [](Record r) { return field(r, preset::AmpModel); }},
    {"cabinet", [](Record r) { return field(r, preset::Cabinet); }},
    {"modulation", [](Record r) { return field(r, preset::ModType); }},
};
static_assert(1 << preset::AmpModel.width == ListValues && 1 << preset::Cabinet.width == ListValues &&
              1 << preset::ModType.width == ListValues);

const Column numberColumns[] = {
    {"gain", active<preset::PreGain, Dual::Preamp>},
    {"low", active<preset::Low, Dual::Preamp>},
    {"mid", active<preset::Mid, Dual::Preamp>},
    {"high", active<preset::High, Dual::Preamp>},
    {"post", active<preset::PostGain, Dual::Preamp>},
    {"midfreq", [](Record r) { return int(r[preset::MidFreq]); }},
    {"reverb", active<preset::ReverbLevel, Dual::Reverb>},
    {"delay", active<preset::DLLevel, Dual::Delay>},
    {"feedback", active<preset::DLFeedback, Dual::Delay>},
    {"rate", active<preset::ModRate, Dual::Modulation>},
    {"depth", active<preset::ModDepth, Dual::Modulation>},
    {"time", [](Record r) { return delaytime::milliseconds(r[preset::DLTime], r[preset::DLScale]); }},
};

} // namespace

std::span<const Column> lists()
{
    return listColumns;
}
std::span<const Column> numbers()
{
    return numberColumns;
}

const Column *number(const QString &name)
{
    for (const Column &c : numberColumns)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

qint64 hashOf(Record record)
{
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : record) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return qint64(h);
}

QString hashText(qint64 hash)
{
    return QStringLiteral("%1").arg(quint64(hash), 16, 16, QLatin1Char('0'));
}

QString folded(const QString &text)
{
    return text.toCaseFolded();
}

namespace {

// A run of digits (any script's) from text[i]: its value, written so that
// a longer number sorts after a shorter one: '0' (below every letter), the
// count of digits without leading zeros, the digits.
void appendNumber(QByteArray &key, const QString &text, qsizetype &i)
{
    QByteArray digits;
    for (; i < text.size() && text[i].isDigit(); ++i)
        if (!(digits.isEmpty() && text[i].digitValue() == 0))
            digits += char('0' + text[i].digitValue());
    if (digits.isEmpty())
        digits = "0";
    key += '0';
    key += char(std::min<qsizetype>(digits.size(), 255));
    key += digits;
}

// The text folded (without accents when `plain`), numbers by value.
void appendLevel(QByteArray &key, const QString &text, bool plain)
{
    QString letters;
    letters.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].isDigit()) {
            key += letters.toUtf8();
            letters.clear();
            appendNumber(key, text, i);
            continue;
        }
        if (!(plain && text[i].isMark()))
            letters += text[i];
        ++i;
    }
    key += letters.toUtf8();
}

} // namespace

QByteArray sortKey(const QString &text)
{
    const QString foldedText = folded(text);
    // Most names are plain ASCII: no accents to take off.
    bool ascii = true;
    for (QChar c : foldedText)
        ascii = ascii && c.unicode() < 0x80;
    const QString plain = ascii ? foldedText : foldedText.normalized(QString::NormalizationForm_D);
    QByteArray key, accents;
    key.reserve(foldedText.size() + 2);
    appendLevel(key, plain, true);
    // Equal without accents: with them, after the same text without any.
    appendLevel(accents, foldedText, false);
    if (accents != key) {
        key += '\0';
        key += accents;
    }
    return key;
}

QString words(const QString &name, const QString &note, const QString &error)
{
    QString text;
    text.reserve(name.size() + note.size() + error.size() + 2);
    text += name;
    text += QLatin1Char('\n');
    text += note;
    text += QLatin1Char('\n');
    text += error;
    return folded(text);
}

} // namespace presetcolumns
