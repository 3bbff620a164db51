// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/presetparams.h"

#include "model/amplists.h"
#include "model/delaytime.h"

#include <QCoreApplication>

#include <algorithm>

namespace presetparams {

namespace {

using namespace preset;

// The user's language; the keys and the tables stay English.
QString translated(const char *english)
{
    return QCoreApplication::translate("presetparams", english);
}

constexpr Field whole(int index)
{
    return Field{index, 0, 8};
}

Parameter knob(const char *key, Section s, const char *caption, int byte, bool alt = false)
{
    return {key, s, caption, Kind::Knob, whole(byte), alt};
}
Parameter check(const char *key, Section s, const char *caption, Field f, bool inverted = false)
{
    return {key, s, caption, Kind::Check, f, false, inverted};
}
Parameter list(const char *key, Section s, const char *caption, Field f, List l)
{
    Parameter p{key, s, caption, Kind::List, f};
    p.list = l;
    return p;
}
Parameter radio(const char *key, const char *caption, Field f, Radio r)
{
    Parameter p{key, Section::Model, caption, Kind::Radio, f};
    p.radio = r;
    return p;
}

std::vector<Parameter> build()
{
    const Section M = Section::Model, P = Section::Preamp, R = Section::Reverb, T = Section::ModType,
                  Mo = Section::Modulation, D = Section::Delay, DT = Section::DelayTime;
    return {
        list("AmpModel", M, QT_TRANSLATE_NOOP("presetparams", "Amp Model"), AmpModel, List::AmpModel),
        list("Cabinet", M, QT_TRANSLATE_NOOP("presetparams", "Cabinet"), Cabinet, List::Cabinet),
        check("PadOff", M, QT_TRANSLATE_NOOP("presetparams", "Pad"), PadOff, true),
        check("Bright", M, QT_TRANSLATE_NOOP("presetparams", "Bright"), Bright),
        radio("PreampLows", QT_TRANSLATE_NOOP("presetparams", "Preamp Lows"), PreampLows, Radio::PreampLows),
        radio("Presence", QT_TRANSLATE_NOOP("presetparams", "Presence"), Presence, Radio::Presence),
        radio("Resonance", QT_TRANSLATE_NOOP("presetparams", "Resonance"), Resonance, Radio::Resonance),
        knob("MidFreq", M, QT_TRANSLATE_NOOP("presetparams", "Mid Freq."), MidFreq),
        knob("PreGain", P, QT_TRANSLATE_NOOP("presetparams", "PreGain"), PreGain),
        knob("PreGainAlt", P, QT_TRANSLATE_NOOP("presetparams", "PreGain"), PreGainAlt, true),
        knob("Low", P, QT_TRANSLATE_NOOP("presetparams", "Low"), Low),
        knob("LowAlt", P, QT_TRANSLATE_NOOP("presetparams", "Low"), LowAlt, true),
        knob("Mid", P, QT_TRANSLATE_NOOP("presetparams", "Mid"), Mid),
        knob("MidAlt", P, QT_TRANSLATE_NOOP("presetparams", "Mid"), MidAlt, true),
        knob("High", P, QT_TRANSLATE_NOOP("presetparams", "High"), High),
        knob("HighAlt", P, QT_TRANSLATE_NOOP("presetparams", "High"), HighAlt, true),
        knob("PostGain", P, QT_TRANSLATE_NOOP("presetparams", "PostGain"), PostGain),
        knob("PostGainAlt", P, QT_TRANSLATE_NOOP("presetparams", "PostGain"), PostGainAlt, true),
        check("BoostAlt", P, QT_TRANSLATE_NOOP("presetparams", "Alt. (Boost)"), BoostAlt),
        knob("ReverbLevel", R, QT_TRANSLATE_NOOP("presetparams", "Level/Off"), ReverbLevel),
        knob("ReverbLevelAlt", R, QT_TRANSLATE_NOOP("presetparams", "Level/Off"), ReverbLevelAlt, true),
        check("ReverbAlt", R, QT_TRANSLATE_NOOP("presetparams", "Alt. (Active)"), ReverbAlt),
        list("ModType", T, QT_TRANSLATE_NOOP("presetparams", "Type"), ModType, List::Modulation),
        knob("FlangerDT", T, QT_TRANSLATE_NOOP("presetparams", "FL Del Time"), FlangerDT),
        knob("FlangerFB", T, QT_TRANSLATE_NOOP("presetparams", "FL FdBack"), FlangerFB),
        knob("ModRate", Mo, QT_TRANSLATE_NOOP("presetparams", "Rate"), ModRate),
        knob("ModRateAlt", Mo, QT_TRANSLATE_NOOP("presetparams", "Rate"), ModRateAlt, true),
        knob("ModDepth", Mo, QT_TRANSLATE_NOOP("presetparams", "Depth/Off"), ModDepth),
        knob("ModDepthAlt", Mo, QT_TRANSLATE_NOOP("presetparams", "Depth/Off"), ModDepthAlt, true),
        check("ModAlt", Mo, QT_TRANSLATE_NOOP("presetparams", "Alt. (Active)"), ModAlt),
        knob("DLFeedback", D, QT_TRANSLATE_NOOP("presetparams", "Feedback"), DLFeedback),
        knob("DLFeedbackAlt", D, QT_TRANSLATE_NOOP("presetparams", "Feedback"), DLFeedbackAlt, true),
        knob("DLLevel", D, QT_TRANSLATE_NOOP("presetparams", "Level/Off"), DLLevel),
        knob("DLLevelAlt", D, QT_TRANSLATE_NOOP("presetparams", "Level/Off"), DLLevelAlt, true),
        check("DelayAlt", D, QT_TRANSLATE_NOOP("presetparams", "Alt. (Active)"), DelayAlt),
        knob("DLTime", DT, QT_TRANSLATE_NOOP("presetparams", "Base"), DLTime),
        knob("DLScale", DT, QT_TRANSLATE_NOOP("presetparams", "Scale"), DLScale),
        {"DLSeparation", DT, QT_TRANSLATE_NOOP("presetparams", "Separation"), Kind::Knob, DLSeparationBits},
        check("Dark", DT, QT_TRANSLATE_NOOP("presetparams", "Dark"), Dark),
        {"DelayTime", DT, QT_TRANSLATE_NOOP("presetparams", "Time"), Kind::Time, whole(DLTime)},
        list("TapFunction", Section::TapFunction, QT_TRANSLATE_NOOP("presetparams", "Stompbar TapTempo Function"),
             TapFunction, List::TapFunction),
        {"ModelCode", Section::Other, QT_TRANSLATE_NOOP("presetparams", "Model Code"), Kind::Number, ModelCode},
        {"Reserved16", Section::Other, QT_TRANSLATE_NOOP("presetparams", "Byte 16"), Kind::Number, whole(Reserved16)},
    };
}

int raw(const Parameter &p, std::span<const std::uint8_t, RecordSize> r)
{
    const std::uint8_t byte = r[std::size_t(p.field.index)];
    return p.wholeByte() ? byte : bitfield::read(byte, p.field.shift, p.field.width);
}

Range rangeOf(const Parameter &p)
{
    return p.wholeByte() ? knobRange(p.field.index) : fieldRange(p.field);
}

} // namespace

QString sectionCaption(Section s)
{
    switch (s) {
    case Section::Model: return translated(QT_TRANSLATE_NOOP("presetparams", "Model"));
    case Section::Preamp: return translated(QT_TRANSLATE_NOOP("presetparams", "Preamp (dual)"));
    case Section::Reverb: return translated(QT_TRANSLATE_NOOP("presetparams", "Reverb (dual)"));
    case Section::ModType: return translated(QT_TRANSLATE_NOOP("presetparams", "Modulation Type"));
    case Section::Modulation: return translated(QT_TRANSLATE_NOOP("presetparams", "Modulation (dual)"));
    case Section::Delay: return translated(QT_TRANSLATE_NOOP("presetparams", "Delay (dual)"));
    case Section::DelayTime: return translated(QT_TRANSLATE_NOOP("presetparams", "Delay Time / Tone"));
    case Section::TapFunction: return translated(QT_TRANSLATE_NOOP("presetparams", "Footswitch Tap"));
    case Section::Other: return translated(QT_TRANSLATE_NOOP("presetparams", "Not on the panel"));
    }
    return {};
}

Section sectionOf(Dual d)
{
    switch (d) {
    case Dual::Preamp: return Section::Preamp;
    case Dual::Modulation: return Section::Modulation;
    case Dual::Delay: return Section::Delay;
    case Dual::Reverb: return Section::Reverb;
    }
    return Section::Preamp;
}

const std::vector<Parameter> &all()
{
    static const std::vector<Parameter> table = build();
    return table;
}

namespace {

// The first parameter that passes, or nullptr.
template <class Pred>
const Parameter *findIf(Pred pred)
{
    const auto it = std::find_if(all().begin(), all().end(), pred);
    return it == all().end() ? nullptr : &*it;
}

QString captionOf(const Parameter *p)
{
    return p ? translated(p->caption) : QString();
}

} // namespace

const Parameter *find(const QString &key)
{
    return findIf([&](const Parameter &p) { return key == QLatin1String(p.key); });
}

QString name(const Parameter &p)
{
    const QString caption = translated(p.caption);
    return p.alt ? translated(QT_TRANSLATE_NOOP("presetparams", "%1 (Alt)")).arg(caption) : caption;
}

QString fullName(const Parameter &p)
{
    return sectionCaption(p.section) + QStringLiteral(": ") + name(p);
}

QString distinctName(const Parameter &p)
{
    const bool shared = findIf([&](const Parameter &o) {
                            return o.section != p.section && QLatin1String(o.caption) == QLatin1String(p.caption);
                        }) != nullptr;
    if (!shared)
        return name(p);
    return sectionCaption(p.section).section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ') + name(p);
}

int value(const Parameter &p, std::span<const std::uint8_t, RecordSize> record)
{
    if (p.kind == Kind::Time)
        return delaytime::milliseconds(record[DLTime], record[DLScale]);
    return raw(p, record);
}

QString valueText(const Parameter &p, std::span<const std::uint8_t, RecordSize> record)
{
    const int v = value(p, record);
    switch (p.kind) {
    case Kind::Knob: {
        const Range range = rangeOf(p);
        const int shown = std::clamp(v, range.min, range.max);
        return shown == v ? QString::number(v)
                          : translated(QT_TRANSLATE_NOOP("presetparams", "%1 (stored %2)")).arg(shown).arg(v);
    }
    case Kind::List: {
        const QStringList entries = amplists::shown(listEntries(p.list));
        return v < entries.size() ? entries[v] : translated(QT_TRANSLATE_NOOP("presetparams", "Unknown (%1)")).arg(v);
    }
    case Kind::Check:
        return (v == 1) != p.inverted ? translated(QT_TRANSLATE_NOOP("presetparams", "On"))
                                      : translated(QT_TRANSLATE_NOOP("presetparams", "Off"));
    case Kind::Radio: {
        const int item = radioItem(p.radio, v);
        return item < 0 ? translated(QT_TRANSLATE_NOOP("presetparams", "None")) : radioItems(p.radio)[item];
    }
    case Kind::Number: return QString::number(v);
    case Kind::Time: return translated(QT_TRANSLATE_NOOP("presetparams", "%1 ms")).arg(v);
    }
    return {};
}

bool differs(const Parameter &p, std::span<const std::uint8_t, RecordSize> a,
             std::span<const std::uint8_t, RecordSize> b)
{
    return p.kind != Kind::Time && raw(p, a) != raw(p, b);
}

std::vector<Correction> makeValid(std::span<std::uint8_t, RecordSize> record)
{
    std::vector<Correction> changed;
    for (const Parameter &p : all()) {
        int last = 0;
        if (p.kind == Kind::Knob) {
            last = rangeOf(p).max;
        } else if (p.kind == Kind::List) {
            last = int(listEntries(p.list).size()) - 1;
        } else {
            continue; // every value of a switch, a radio group or a raw number is one the Amp takes
        }
        const int first = p.kind == Kind::Knob ? rangeOf(p).min : 0;
        const int v = raw(p, record);
        const int valid = std::clamp(v, first, last);
        if (valid == v)
            continue;
        std::uint8_t &byte = record[std::size_t(p.field.index)];
        byte = p.wholeByte() ? std::uint8_t(valid) : bitfield::write(byte, p.field.shift, p.field.width, valid);
        changed.push_back({&p, v, valid});
    }
    return changed;
}

QString describe(const Correction &c)
{
    auto text = [&](int v) {
        if (c.param->kind != Kind::List)
            return QString::number(v);
        const QStringList entries = amplists::shown(listEntries(c.param->list));
        return v >= 0 && v < entries.size() ? entries[v]
                                            : translated(QT_TRANSLATE_NOOP("presetparams", "Unknown (%1)")).arg(v);
    };
    return QStringLiteral("%1 %2 \u2192 %3").arg(name(*c.param), text(c.before), text(c.after));
}

QString knobCaption(int byte)
{
    return captionOf(
        findIf([&](const Parameter &p) { return p.kind == Kind::Knob && p.field.index == byte && !p.alt; }));
}

QString checkCaption(Field f)
{
    return captionOf(findIf([&](const Parameter &p) { return p.kind == Kind::Check && p.field == f; }));
}

QStringList radioItems(Radio r)
{
    if (r == Radio::PreampLows)
        return {translated(QT_TRANSLATE_NOOP("presetparams", "Most (sloppy)")),
                translated(QT_TRANSLATE_NOOP("presetparams", "More")),
                translated(QT_TRANSLATE_NOOP("presetparams", "Less")),
                translated(QT_TRANSLATE_NOOP("presetparams", "Least (tight)"))};
    return {translated(QT_TRANSLATE_NOOP("presetparams", "High")),
            translated(QT_TRANSLATE_NOOP("presetparams", "Medium")),
            translated(QT_TRANSLATE_NOOP("presetparams", "Low"))};
}

QString radioCaption(Radio r)
{
    return captionOf(findIf([&](const Parameter &p) { return p.kind == Kind::Radio && p.radio == r; }));
}

QString listCaption(List l)
{
    return captionOf(findIf([&](const Parameter &p) { return p.kind == Kind::List && p.list == l; }));
}

QStringList listEntries(List l)
{
    switch (l) {
    case List::AmpModel: return amplists::ampModels();
    case List::Cabinet: return amplists::cabinets();
    case List::Modulation: return amplists::modulationTypes();
    case List::TapFunction: return amplists::tapFunctions();
    }
    return {};
}

} // namespace presetparams
