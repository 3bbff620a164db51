// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Reads a number with an optional unit: the text up to its last digit is the
// number (locale decimal separator, blanks around it allowed); a following
// 'k' or 'K' multiplies by 1000, a lower-case 'm' divides by 1000.
// Text without any digit gives -32000. Throws ConvertError when the part up
// to the last digit is not a number.
float ParseUnitValue(const QString &text);

// The value ParseUnitValue gives for a text without digits.
inline constexpr float NoUnitValue = -32000.0f;

// True when text has a digit, that is when ParseUnitValue reads it (or
// throws) rather than giving NoUnitValue.
bool HasUnitDigits(const QString &text);
