// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/taptempo.h"

#include "model/delaytime.h"

#include <QElapsedTimer>

namespace {

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

TapTempo::TapTempo(QObject *parent) : QObject(parent), Clock(monotonicMs)
{
    tapTimer_.setObjectName(QStringLiteral("TimerTap"));
    tapTimer_.setSingleShot(true);
    tapTimer_.setInterval(WaitMs);
    connect(&tapTimer_, &QTimer::timeout, this, &TapTempo::disarm);
}

std::optional<float> TapTempo::click()
{
    if (!armed_) {
        first_ = Clock();
        setArmed(true);
        tapTimer_.start();
        return std::nullopt;
    }
    tapTimer_.stop();
    setArmed(false);
    return delaytime::baseForTapInterval(Clock() - first_);
}

void TapTempo::disarm()
{
    tapTimer_.stop();
    setArmed(false);
}

void TapTempo::setArmed(bool on)
{
    if (on == armed_)
        return;
    armed_ = on;
    emit armedChanged(on);
}
