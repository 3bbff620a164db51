// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <functional>

// Runs the event loop from start (delivered as an event) until done() holds
// or timeoutNs has passed. A 1 ms timer notes every stretch the loop spends
// away from it: the longest is the longest time the window could not answer
// the user.
struct StallProbe {
    qint64 longestNs = 0;
    qint64 elapsedMs = 0;
    bool finished = false;

    StallProbe(const std::function<bool()> &done, qint64 timeoutNs, const std::function<void()> &start = {})
    {
        QEventLoop loop;
        QElapsedTimer clock;
        qint64 last = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestNs = std::max(longestNs, now - last);
            last = now;
            finished = done();
            if (finished || now > timeoutNs)
                loop.quit();
        });
        clock.start();
        probe.start();
        if (start)
            QTimer::singleShot(0, &loop, start);
        loop.exec();
        elapsedMs = clock.elapsed();
    }
};
