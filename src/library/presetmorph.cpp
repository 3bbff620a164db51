// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/presetmorph.h"

#include "model/bitfield.h"
#include "model/presetparams.h"

#include <algorithm>
#include <cmath>

namespace presetmorph {

namespace {

void put(preset::Record &record, const presetparams::Parameter &p, int value)
{
    std::uint8_t &byte = record[std::size_t(p.field.index)];
    byte = p.wholeByte() ? std::uint8_t(value) : bitfield::write(byte, p.field.shift, p.field.width, value);
}

} // namespace

preset::Record between(const preset::Record &a, const preset::Record &b, int step)
{
    step = std::clamp(step, 0, Steps);
    // Bytes no parameter names (and switches, lists) go over at the midpoint.
    preset::Record out = 2 * step < Steps ? a : b;
    for (const presetparams::Parameter &p : presetparams::all()) {
        if (p.kind != presetparams::Kind::Knob)
            continue;
        const int va = presetparams::value(p, a), vb = presetparams::value(p, b);
        put(out, p, int(std::lround(va + double(vb - va) * step / Steps)));
    }
    return out;
}

std::vector<amp::Bytes> messages(const preset::Record &from, const preset::Record &to)
{
    std::vector<amp::Bytes> out;
    for (const presetparams::Parameter &p : presetparams::all()) {
        if (!presetparams::differs(p, from, to))
            continue;
        if (p.kind != presetparams::Kind::Knob)
            return {amp::singlePreset(to)};
        const int v = presetparams::value(p, to);
        // Separation is kept in seven bits but travels in six, as the
        // editor sends it.
        const Field f = p.field == preset::DLSeparationBits ? preset::DLSeparation : p.field;
        out.push_back(p.wholeByte() ? amp::parameterSet(f.index, std::uint8_t(v))
                                    : amp::bitField(f.index, f.shift, f.width, std::uint8_t(v)));
    }
    // A byte no parameter names that differs: only a whole record carries it.
    for (std::size_t i = 0; i < preset::RecordSize; ++i) {
        bool named = false;
        for (const presetparams::Parameter &p : presetparams::all())
            named = named || (p.kind != presetparams::Kind::Time && std::size_t(p.field.index) == i);
        if (!named && from[i] != to[i])
            return {amp::singlePreset(to)};
    }
    return out;
}

} // namespace presetmorph
