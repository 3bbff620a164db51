// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/parseunitvalue.h"

#include "controls/converterror.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool HasUnitDigits(const QString &text)
{
    return std::any_of(text.begin(), text.end(), isAsciiDigit);
}

float ParseUnitValue(const QString &text)
{
    int last = -1;
    for (int i = int(text.size()) - 1; i >= 0; --i) {
        if (isAsciiDigit(text.at(i))) {
            last = i;
            break;
        }
    }
    if (last < 0)
        return NoUnitValue;

    const QString number = text.left(last + 1);
    QLocale locale;
    // A thousands separator is not part of a typed number.
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = locale.toDouble(number.trimmed(), &ok);
    if (!ok)
        throw ConvertError(QCoreApplication::translate("Knob", "'%1' is not a valid floating point value").arg(number));

    int i = last + 1;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    if (i < text.size()) {
        const QChar unit = text.at(i);
        if (unit == QLatin1Char('k') || unit == QLatin1Char('K'))
            value *= 1000.0;
        else if (unit == QLatin1Char('m'))
            value /= 1000.0;
    }
    return float(value);
}
