// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/presetcompare.h"

#include <QStringList>

std::vector<PresetCompare::Line> PresetCompare::compare(RecordView a, RecordView b)
{
    std::vector<Line> lines;
    for (const presetparams::Parameter &p : presetparams::all()) {
        const QString ta = presetparams::valueText(p, a);
        const QString tb = presetparams::valueText(p, b);
        // The delay time is marked when it shows differently; its base and
        // scale carry the difference.
        const bool differs = p.kind == presetparams::Kind::Time ? ta != tb : presetparams::differs(p, a, b);
        lines.push_back(Line{&p, ta, tb, differs});
    }
    return lines;
}

int PresetCompare::differences(RecordView a, RecordView b, int limit)
{
    int n = 0;
    for (const presetparams::Parameter &p : presetparams::all())
        if (presetparams::differs(p, a, b) && ++n > limit)
            break;
    return n;
}

QString PresetCompare::differenceNames(RecordView a, RecordView b)
{
    QStringList names;
    for (const presetparams::Parameter &p : presetparams::all())
        if (presetparams::differs(p, a, b))
            names << presetparams::name(p);
    return names.join(QStringLiteral(", "));
}
