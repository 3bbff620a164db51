// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/amplists.h"

#include <QCoreApplication>

namespace amplists {

QStringList ampModels()
{
    return {
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Glass Clean")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Bright Crunch")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Classic Lead")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Heavy Lead")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Warm Clean")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Vintage Drive")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Chime")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Modern Metal")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Smooth Overdrive")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Sparkle Clean")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Thick Fuzz")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Blues Crunch")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Studio Clean (2.0)")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Hot Drive (2.0)")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Extreme Gain (2.0)")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Acoustic (2.0)")),
    };
}

QStringList cabinets()
{
    return {
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "1x12 Open")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "2x12 Open")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "4x12 Closed")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "4x12 Vintage")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "1x15 Open")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "1x10 Combo")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "2x12 Alnico")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "4x12 Modern")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "2x12 Closed")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "2x10 Open")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "4x10 Closed")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "1x12 Closed")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "2x12 Studio (2.0)")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "4x12 Hot (2.0)")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "4x12 Extreme (2.0)")),
        QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Acoustic (2.0)")),
    };
}

QStringList modulationTypes()
{
    return {QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Chorus")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Flanger")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Phaser")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Tremolo")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Rotary")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Octaver (2.0)"))};
}

QStringList tapFunctions()
{
    return {QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Tap Tempo")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "EFX Reset")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "2/3 BPM Tap (2.0)")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Boost + Mod")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "3/4 BPM Tap (2.0)")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Boost + Delay")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Mod + Delay")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Boost + Mod + Delay")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "1.5 BPM Tap (2.0)")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Boost + Reverb")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Mod + Reverb")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Boost + Mod + Reverb")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Delay + Reverb")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Boost + Delay + Reverb")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "Mod + Delay + Reverb")),
            QStringLiteral(QT_TRANSLATE_NOOP("amplists", "All (Boost/Mod/Delay/Reverb)"))};
}

QStringList shown(const QStringList &entries)
{
    QStringList out;
    out.reserve(entries.size());
    for (const QString &e : entries)
        out << QCoreApplication::translate("amplists", e.toUtf8().constData());
    return out;
}

} // namespace amplists
