// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The names of the Amp's amp models, cabinets, modulation types and tap
// functions. The index of an entry is the number the Amp uses; entries marked
// " (2.0)" exist only on firmware 1.8 and later.
namespace amplists {

inline constexpr int NewerEntries = 4; // the last four amp models and cabinets
inline constexpr int FirstNewerModel = 12;

QStringList ampModels();
// Cabinet n is the one that belongs to amp model n.
QStringList cabinets();
// The last one, the octaver, needs firmware 1.8 as well.
QStringList modulationTypes();
// What the tap footswitch does; combinations of sections have as index the
// sum of 1 (Boost), 2 (Mod), 4 (Delay) and 8 (Reverb), as in the Alt flags.
QStringList tapFunctions();

// The entries as the user reads them, in the program's language; the lists
// above stay in English for files, queries and scripts.
QStringList shown(const QStringList &entries);

} // namespace amplists
