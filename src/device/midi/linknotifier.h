// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/linkevents.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QSocketNotifier;

// Tells the UI thread what changed on the MIDI link (see LinkEvents), so a
// status display follows the link without reading it on a timer. A change
// after a quiet spell is delivered at once; then deliveries are held back for
// HoldMs and whatever came meanwhile arrives merged, so a flood of traffic
// costs one delivery per HoldMs and nothing ticks while the link is quiet.
class LinkNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int HoldMs = 100;

    explicit LinkNotifier(QObject *parent = nullptr);
    ~LinkNotifier() override;

    // The posting end, for threads that may outlive this object.
    const std::shared_ptr<LinkEvents> &events() const { return events_; }
    // Any thread.
    void post(unsigned changes) { events_->post(changes); }

    // What the wake-up runs: delivers what was posted, unless held back.
    void deliver();
    // The hold's end (its timer runs it): delivers what came meanwhile and
    // holds again, or, when nothing came, lets the next change through at once.
    void holdEnded();
    const QTimer &holdTimer() const { return hold_; }

signals:
    // LinkEvents::Change values, or-ed.
    void changed(unsigned changes);

private:
    void take();

    std::shared_ptr<LinkEvents> events_;
    QSocketNotifier *notifier_ = nullptr;
    QTimer hold_;
};
