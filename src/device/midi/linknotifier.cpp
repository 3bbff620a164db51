// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/linknotifier.h"

#include "midi/midilog.h"

#include <QSocketNotifier>

LinkNotifier::LinkNotifier(QObject *parent) : QObject(parent), events_(std::make_shared<LinkEvents>())
{
    hold_.setSingleShot(true);
    hold_.setInterval(HoldMs);
    connect(&hold_, &QTimer::timeout, this, &LinkNotifier::holdEnded);
    if (events_->wake_.fd() >= 0) {
        notifier_ = new QSocketNotifier(qintptr(events_->wake_.fd()), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &LinkNotifier::deliver);
    } else {
        qCWarning(lcMidi, "No wake-up descriptor; the MIDI link's status is not shown.");
    }
}

LinkNotifier::~LinkNotifier() = default;

void LinkNotifier::deliver()
{
    events_->wake_.clear();
    // Nothing posted during a hold wakes this thread; the hold's end takes it.
    if (!hold_.isActive())
        take();
}

void LinkNotifier::holdEnded()
{
    take();
}

void LinkNotifier::take()
{
    std::atomic<unsigned> &pending = events_->pending_;
    for (;;) {
        // Holding stays set, so what is posted from now on is only merged.
        const unsigned changes =
            pending.exchange(LinkEvents::Holding, std::memory_order_acq_rel) & ~LinkEvents::Holding;
        if (changes != 0) {
            hold_.start();
            emit changed(changes);
            return;
        }
        // Quiet: the next change wakes this thread again, unless one came
        // just now, which is then taken here.
        unsigned expected = LinkEvents::Holding;
        if (pending.compare_exchange_strong(expected, 0, std::memory_order_acq_rel)) {
            hold_.stop();
            return;
        }
    }
}
