// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Marks the stack while input is being handled: MIDI delivery, a socket's
// slot, a timer's slot. A modal dialog opened there would run an event loop
// that delivers more input into handlers still on the stack, so questions
// are posted to the CommandQueue instead; the Prompter checks this.
// UI thread only.
class InputScope {
public:
    InputScope() { ++depth_; }
    ~InputScope() { --depth_; }
    InputScope(const InputScope &) = delete;
    InputScope &operator=(const InputScope &) = delete;

    static bool active() { return depth_ > 0; }

private:
    static inline int depth_ = 0;
};
