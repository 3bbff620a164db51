// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/caretrest.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

CaretRest::CaretRest(QObject *parent) : QObject(parent), flashTime_(QGuiApplication::styleHints()->cursorFlashTime())
{
    timer_.setSingleShot(true);
    timer_.setInterval(RestMs);
    connect(&timer_, &QTimer::timeout, this, &CaretRest::rest);
    QCoreApplication::instance()->installEventFilter(this);
    timer_.start();
}

CaretRest::~CaretRest()
{
    if (resting_)
        QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
}

void CaretRest::rest()
{
    // Line edits follow the style hint at once: their blink timers stop.
    timer_.stop();
    resting_ = true;
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretRest::wake()
{
    if (resting_) {
        resting_ = false;
        QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
    }
    timer_.start();
}

bool CaretRest::eventFilter(QObject *watched, QEvent *event)
{
    // What a user does on purpose; the mouse passing over a window is not.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TabletPress: wake(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}
