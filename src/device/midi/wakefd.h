// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A descriptor that an event loop watches and any thread makes readable: the
// way a MIDI service's thread (perhaps a realtime one) wakes the UI thread
// without a lock or an allocation. An eventfd where the system has one, else
// a pipe.
class WakeFd {
public:
    WakeFd();
    ~WakeFd();
    WakeFd(const WakeFd &) = delete;
    WakeFd &operator=(const WakeFd &) = delete;

    // Readable while a wake-up is pending; -1 when the system gave none.
    int fd() const { return readFd_; }
    // Any thread: one system call, never blocks.
    void signal();
    // The watching thread: no longer readable until the next signal().
    void clear();

private:
    int readFd_ = -1;
    int writeFd_ = -1; // the same descriptor where the system has eventfd
};
