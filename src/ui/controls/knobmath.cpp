// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/knobmath.h"

#include <QLocale>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace knobmath {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double RadPerDegree = 0.01745329251994;
// 3 pi / 2: straight down.
constexpr double ThreeHalvesPi = 4.712388980384689858;
// 1 / 320 degrees, in radians.
constexpr double PerRadian = 0.1790493109784;

int saturateToInt(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= double(INT_MAX))
        return INT_MAX;
    if (x <= double(INT_MIN))
        return INT_MIN;
    return int(x);
}

QLocale plain(const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l;
}

} // namespace

int roundTiesToEven(float x)
{
    if (std::isnan(x))
        return 0;
    const double d = x; // exact
    double r = std::floor(d);
    const double frac = d - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return saturateToInt(r);
}

int numTicksFor(float minValue, float maxValue, float increment)
{
    const float span = maxValue - minValue;
    const float steps = span / increment;
    const int n = roundTiesToEven(steps);
    return n == INT_MAX ? INT_MAX : n + 1;
}

float valueOfTick(int tick, float increment, float minValue)
{
    const float product = float(tick) * increment;
    return product + minValue;
}

std::optional<int> tickForValue(float x, float minValue, float maxValue, int numTicks)
{
    if (std::isnan(x))
        return std::nullopt;
    if (x > maxValue)
        x = maxValue;
    if (x < minValue)
        x = minValue;
    if (maxValue == minValue)
        return 0;
    // Each step is its own statement so nothing is kept in wider precision
    // or fused: the result must be that of 32-bit float arithmetic.
    const float span = maxValue - minValue;
    const float s = float(std::int64_t(numTicks) - 1) / span;
    const float o = -s * minValue;
    const float scaled = s * x;
    const float t = scaled + o;
    return roundTiesToEven(t);
}

int pageStep(int numTicks)
{
    return std::max(1, numTicks / 10);
}

double pointerAngle(int tick, int numTicks)
{
    if (numTicks < 2)
        return 250.0;
    return 250.0 - 320.0 * double(tick) / double(numTicks - 1);
}

QPoint pointerPoint(int tick, int numTicks, int h, double fraction)
{
    const double a = pointerAngle(tick, numTicks) * RadPerDegree;
    const double r = h - 3;
    const int x = h + saturateToInt(std::trunc(std::cos(a) * r * fraction));
    const int y = h - saturateToInt(std::trunc(std::sin(a) * r * fraction));
    return QPoint(x, y);
}

int tickFromPoint(QPoint p, int h, int numTicks)
{
    double dx = double(p.x()) - h;
    const double dy = double(h) - p.y();
    // A point straight below the centre belongs to the minimum's half of
    // the gap, so the nudge away from zero goes left there.
    if (std::abs(dx) < 0.00001)
        dx = dy < 0 ? -0.00001 : 0.00001;
    double a = std::atan(dy / dx);
    if (dx < 0)
        a += Pi;
    if (a < 0)
        a += 2 * Pi;
    const double f = a <= ThreeHalvesPi ? -PerRadian * a + 0.78125 : -PerRadian * a + 1.90625;
    return saturateToInt(std::trunc((double(numTicks) - 1) * f));
}

std::optional<QRect> confinementRect(int numTicks, int tick, int h, QPoint clientOrigin, const QRect &screen)
{
    if (numTicks < 7)
        return std::nullopt;
    const std::int64_t third = numTicks / 3;
    const std::int64_t twoThirds = 2 * std::int64_t(numTicks) / 3;
    const int rowY = clientOrigin.y() + h - 1;
    const int colX = clientOrigin.x() + h;
    QRect r;
    if (tick >= third && tick < twoThirds)
        r = QRect(screen.topLeft(), QPoint(screen.right(), rowY - 1));
    else if (tick < third)
        r = QRect(screen.topLeft(), QPoint(colX - 1, screen.bottom()));
    else
        r = QRect(QPoint(colX, screen.top()), screen.bottomRight());
    r = r.intersected(screen);
    if (r.isEmpty())
        return std::nullopt;
    return r;
}

QPoint confinePoint(QPoint p, const QRect &r)
{
    return QPoint(std::clamp(p.x(), r.left(), r.right()), std::clamp(p.y(), r.top(), r.bottom()));
}

int tickMenuColumnLength(int numTicks)
{
    if (numTicks <= 0)
        return 0;
    return 2 * int(std::sqrt(double(numTicks)));
}

bool tickMenuStartsColumn(int i, int columnLength)
{
    return columnLength > 0 && i != 0 && i % columnLength == 0;
}

static QString cutAt(const QString &s, int n)
{
    if (s.size() <= n)
        return s;
    if (s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n);
}

QString cutText(const QString &s)
{
    return cutAt(s, MaxText);
}

QString cutReadText(const QString &s)
{
    return cutAt(s, MaxReadText);
}

QString formatFixed(float value, int places, const QLocale &locale)
{
    const QLocale l = plain(locale);
    places = std::clamp(places, 0, 18);
    double v = value;
    if (!std::isfinite(v))
        return l.toString(v);
    // Whole numbers without decimals, as every knob on the panel shows them:
    // the integer conversion gives the same text for a fraction of the work.
    if (places == 0 && v == std::trunc(v) && std::fabs(v) < 1e6)
        return l.toString(qlonglong(v));
    // The exponent after rounding to 7 significant digits decides how many
    // of the requested decimals carry real digits; the rest are zeros.
    const QString e = QString::number(v, 'e', 6);
    const int exponent = e.mid(e.indexOf(QLatin1Char('e')) + 1).toInt();
    if (exponent >= 7)
        return l.toString(v, 'E', 6);
    const int keep = std::min(places, 6 - exponent);
    if (QString::number(v, 'f', keep).toDouble() == 0.0)
        v = 0.0; // no "-0"
    QString s = l.toString(v, 'f', keep);
    if (keep < places) {
        if (keep == 0)
            s += l.decimalPoint();
        s += QString(places - keep, l.zeroDigit().at(0));
    }
    return s;
}

QString formatGeneral(double value, const QLocale &locale)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    return plain(locale).toString(value, 'g', 15);
}

} // namespace knobmath
