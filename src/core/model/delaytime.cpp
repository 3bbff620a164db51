// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/delaytime.h"

#include <QCoreApplication>

namespace delaytime {

int milliseconds(int baseSteps, int scale)
{
    const float base = float(baseSteps) * 4.0f;
    float t = (float(scale - UnitScale) * (1.0f / 24.0f) + 1.0f) * base;
    if (t > float(MaxMs))
        t = float(MaxMs);
    return int(t + 0.5f);
}

QString label(int baseSteps, int scale)
{
    return QCoreApplication::translate("delaytime", "Time = %1 ms.").arg(milliseconds(baseSteps, scale));
}

QString emptyLabel()
{
    return QCoreApplication::translate("delaytime", "Time = ms.");
}

float baseForTapInterval(long long d)
{
    return d <= MaxMs ? float(d) * 0.25f : 255.0f;
}

} // namespace delaytime
