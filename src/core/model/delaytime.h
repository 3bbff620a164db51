// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The delay time the Amp plays: the base time (4 ms per step) scaled by
// 1 + (scale - 13) / 24, at most 1020 ms. Computed in single precision and
// rounded half up, as the Amp's own display does.
namespace delaytime {

inline constexpr int MaxMs = 1020;
inline constexpr int UnitScale = 13; // factor 1

int milliseconds(int baseSteps, int scale);
QString label(int baseSteps, int scale);
// The label before anything was computed.
QString emptyLabel();

// The base-time knob value for two taps d milliseconds apart.
float baseForTapInterval(long long d);

} // namespace delaytime
