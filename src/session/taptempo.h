// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

// The "Tap" button's measurement: two clicks within 2000 ms give the base
// delay time; a first click left alone is forgotten when the time is up.
class TapTempo : public QObject {
    Q_OBJECT
public:
    static constexpr int WaitMs = 2000;

    explicit TapTempo(QObject *parent = nullptr);

    // Milliseconds from a monotonic clock; tests set their own.
    std::function<qint64()> Clock;

    // The first click arms; the second returns the base delay knob value for
    // the time between them.
    std::optional<float> click();
    bool armed() const { return armed_; }

    const QTimer &timer() const { return tapTimer_; }
    void disarm();

signals:
    void armedChanged(bool armed);

private:
    void setArmed(bool on);

    QTimer tapTimer_;
    bool armed_ = false;
    qint64 first_ = 0;
};
