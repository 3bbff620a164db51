// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

// Text carets stop blinking (and stay shown) once keyboard and mouse have
// been left alone for RestMs, and blink again from the next key or click. A
// blinking caret wakes the program twice a second for as long as a window
// waits with a text field in focus, as the port window does at start.
class CaretRest : public QObject {
    Q_OBJECT
public:
    static constexpr int RestMs = 10000;

    // Watches the application's input from now on; the application must exist.
    explicit CaretRest(QObject *parent = nullptr);
    // Carets blink as before.
    ~CaretRest() override;

    // The timer's handler: the carets stand still.
    void rest();
    bool resting() const { return resting_; }
    const QTimer &restTimer() const { return timer_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wake();

    QTimer timer_;
    int flashTime_; // the platform's, restored on input
    bool resting_ = false;
};
