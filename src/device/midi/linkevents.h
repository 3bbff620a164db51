// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/wakefd.h"

#include <atomic>

// What changed on the MIDI link, posted from whichever thread saw it (a
// MIDI service's realtime thread too) for the UI thread's LinkNotifier.
// Posting takes no lock and allocates nothing; changes posted before the UI
// thread looks are merged, and only the first of them wakes it.
class LinkEvents {
public:
    enum Change : unsigned {
        Received = 1u << 0, // a message came in
        Sent = 1u << 1,     // a message left
        Failed = 1u << 2,   // a message was refused, dropped or lost
        Ports = 1u << 3,    // a port opened, closed or chose another device
        Service = 1u << 4,  // the MIDI service came or went, or its devices changed
    };

    // Any thread.
    void post(unsigned changes)
    {
        if (changes != 0 && pending_.fetch_or(changes, std::memory_order_acq_rel) == 0)
            wake_.signal();
    }

private:
    friend class LinkNotifier;
    // Set while the notifier holds deliveries back: changes are only merged.
    static constexpr unsigned Holding = 1u << 31;

    std::atomic<unsigned> pending_{0};
    WakeFd wake_;
};
