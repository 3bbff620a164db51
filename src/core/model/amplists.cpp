// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/amplists.h"

namespace amplists {

QStringList ampModels()
{
    return {
        QStringLiteral("Glass Clean"),
        QStringLiteral("Bright Crunch"),
        QStringLiteral("Classic Lead"),
        QStringLiteral("Heavy Lead"),
        QStringLiteral("Warm Clean"),
        QStringLiteral("Vintage Drive"),
        QStringLiteral("Chime"),
        QStringLiteral("Modern Metal"),
        QStringLiteral("Smooth Overdrive"),
        QStringLiteral("Sparkle Clean"),
        QStringLiteral("Thick Fuzz"),
        QStringLiteral("Blues Crunch"),
        QStringLiteral("Studio Clean (2.0)"),
        QStringLiteral("Hot Drive (2.0)"),
        QStringLiteral("Extreme Gain (2.0)"),
        QStringLiteral("Acoustic (2.0)"),
    };
}

QStringList cabinets()
{
    return {
        QStringLiteral("1x12 Open"),         QStringLiteral("2x12 Open"),      QStringLiteral("4x12 Closed"),
        QStringLiteral("4x12 Vintage"),      QStringLiteral("1x15 Open"),      QStringLiteral("1x10 Combo"),
        QStringLiteral("2x12 Alnico"),       QStringLiteral("4x12 Modern"),    QStringLiteral("2x12 Closed"),
        QStringLiteral("2x10 Open"),         QStringLiteral("4x10 Closed"),    QStringLiteral("1x12 Closed"),
        QStringLiteral("2x12 Studio (2.0)"), QStringLiteral("4x12 Hot (2.0)"), QStringLiteral("4x12 Extreme (2.0)"),
        QStringLiteral("Acoustic (2.0)"),
    };
}

QStringList modulationTypes()
{
    return {QStringLiteral("Chorus"),  QStringLiteral("Flanger"), QStringLiteral("Phaser"),
            QStringLiteral("Tremolo"), QStringLiteral("Rotary"),  QStringLiteral("Octaver (2.0)")};
}

QStringList tapFunctions()
{
    return {QStringLiteral("Tap Tempo"),
            QStringLiteral("EFX Reset"),
            QStringLiteral("2/3 BPM Tap (2.0)"),
            QStringLiteral("Boost + Mod"),
            QStringLiteral("3/4 BPM Tap (2.0)"),
            QStringLiteral("Boost + Delay"),
            QStringLiteral("Mod + Delay"),
            QStringLiteral("Boost + Mod + Delay"),
            QStringLiteral("1.5 BPM Tap (2.0)"),
            QStringLiteral("Boost + Reverb"),
            QStringLiteral("Mod + Reverb"),
            QStringLiteral("Boost + Mod + Reverb"),
            QStringLiteral("Delay + Reverb"),
            QStringLiteral("Boost + Delay + Reverb"),
            QStringLiteral("Mod + Delay + Reverb"),
            QStringLiteral("All (Boost/Mod/Delay/Reverb)")};
}

} // namespace amplists
