// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/presetcolumns.h"

#include "model/amplists.h"
#include "model/delaytime.h"

#include <QCryptographicHash>

namespace presetcolumns {

namespace {

using Record = std::span<const std::uint8_t, preset::RecordSize>;

int field(Record r, Field f) { return bitfield::read(r[std::size_t(f.index)], f.shift, f.width); }

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

std::span<const Column> lists() { return listColumns; }
std::span<const Column> numbers() { return numberColumns; }

const Column *number(const QString &name)
{
    for (const Column &c : numberColumns)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString hashOf(Record record)
{
    const QByteArray bytes(reinterpret_cast<const char *>(record.data()), qsizetype(record.size()));
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

QString words(const QString &name, const QString &note, Record record)
{
    static const QStringList models = amplists::ampModels();
    static const QStringList cabinets = amplists::cabinets();
    static const QStringList modulations = amplists::modulationTypes();
    QString text = name;
    text += QLatin1Char('\n') + note;
    text += QLatin1Char('\n') + models.value(field(record, preset::AmpModel));
    text += QLatin1Char('\n') + cabinets.value(field(record, preset::Cabinet));
    text += QLatin1Char('\n') + modulations.value(field(record, preset::ModType));
    return text.toLower();
}

} // namespace presetcolumns
