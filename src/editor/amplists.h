#pragma once

#include <QStringList>

// The entries of the panel's lists. The index of an entry is the number the
// Amp uses; entries marked " (2.0)" exist only on firmware 1.8 and later.
namespace amplists {

inline constexpr int NewerEntries = 4;      // the last four amp models and cabinets
inline constexpr int FirstNewerModel = 12;
inline constexpr int NewerFirmware = 0x18;

QStringList ampModels();
// Cabinet n is the one that belongs to amp model n.
QStringList cabinets();

} // namespace amplists
