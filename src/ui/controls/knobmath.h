// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class QLocale;

// The arithmetic of the knob family, free of widgets so it can be checked
// on its own: tick/value mapping, pointer geometry, drag angle, cursor
// bands, menu columns and the text formats.
namespace knobmath {

// Longest text the family writes into an edit or compares.
inline constexpr int MaxText = 79;
// Longest text read from an edit.
inline constexpr int MaxReadText = 255;

// Nearest integer, ties to the even one. Saturates instead of overflowing;
// NaN gives 0.
int roundTiesToEven(float x);

// NumTicks of a number knob: ((max - min) / inc) rounded, ties to even, + 1,
// all in 32-bit float. inc must not be 0.
int numTicksFor(float minValue, float maxValue, float increment);

// The value of tick t: t * inc + min, in 32-bit float.
float valueOfTick(int tick, float increment, float minValue);

// The tick a value selects: clamp to the range, then scale in 32-bit float
// and round ties to even. A range with max == min selects tick 0 rather
// than dividing by zero. NaN gives no tick.
std::optional<int> tickForValue(float x, float minValue, float maxValue, int numTicks);

// Page Up / Page Down step: NumTicks / 10, at least 1.
int pageStep(int numTicks);

// Pointer angle in degrees, counter-clockwise from 3 o'clock: 250 at tick 0,
// -70 at the last tick. A knob with fewer than 2 ticks points at 250.
double pointerAngle(int tick, int numTicks);

// A point of the pointer at fraction f of the radius h - 3 (0.5 = start,
// 0.9 = tip), in client coordinates about the centre (h, h).
QPoint pointerPoint(int tick, int numTicks, int h, double fraction);

// The tick a client point selects during a drag, unclamped (the caller's
// SetTick clamps it). h is the centre coordinate of the last full paint.
int tickFromPoint(QPoint p, int h, int numTicks);

// The screen band the cursor is held in while dragging, or nothing when the
// knob has fewer than 7 ticks (or the band would be empty). clientOrigin is
// the screen position of client point (0, 0); screen is the desktop.
std::optional<QRect> confinementRect(int numTicks, int tick, int h, QPoint clientOrigin, const QRect &screen);

// p moved to the nearest point of r.
QPoint confinePoint(QPoint p, const QRect &r);

// Items per column of the tick menu: 2 * trunc(sqrt(NumTicks)).
int tickMenuColumnLength(int numTicks);
// True when item i of the tick menu starts a new column.
bool tickMenuStartsColumn(int i, int columnLength);

// s cut to MaxText characters (never between the halves of a surrogate pair).
QString cutText(const QString &s);
// s cut to MaxReadText characters.
QString cutReadText(const QString &s);

// Fixed-point with `places` decimals at 7 significant digits; scientific when
// the integer part needs more than 7 digits. Uses the locale's separator.
QString formatFixed(float value, int places, const QLocale &locale);
// Shortest general format: up to 15 significant digits, no trailing zeros.
QString formatGeneral(double value, const QLocale &locale);

} // namespace knobmath
