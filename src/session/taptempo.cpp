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
    TimerTap.setObjectName(QStringLiteral("TimerTap"));
    TimerTap.setSingleShot(true);
    TimerTap.setInterval(WaitMs);
    connect(&TimerTap, &QTimer::timeout, this, &TapTempo::TimerTapTimer);
}

std::optional<float> TapTempo::click()
{
    if (!armed_) {
        first_ = Clock();
        setArmed(true);
        TimerTap.start();
        return std::nullopt;
    }
    TimerTap.stop();
    setArmed(false);
    return delaytime::baseForTapInterval(Clock() - first_);
}

void TapTempo::TimerTapTimer()
{
    TimerTap.stop();
    setArmed(false);
}

void TapTempo::setArmed(bool on)
{
    if (on == armed_)
        return;
    armed_ = on;
    emit armedChanged(on);
}
