// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/setlistplayer.h"

#include "midi/midibackend.h"

#include <QStringList>

#include <algorithm>

QString SetlistPlayer::Trigger::text() const
{
    switch (kind) {
    case Control: return SetlistPlayer::tr("CC %1, channel %2").arg(number).arg(channel + 1);
    case Program: return SetlistPlayer::tr("Program Change %1, channel %2").arg(number).arg(channel + 1);
    case None: break;
    }
    return {};
}

QString SetlistPlayer::Trigger::key() const
{
    if (kind == None)
        return {};
    return QStringLiteral("%1:%2:%3")
        .arg(kind == Control ? QStringLiteral("cc") : QStringLiteral("pc"))
        .arg(channel)
        .arg(number);
}

SetlistPlayer::Trigger SetlistPlayer::Trigger::fromKey(const QString &key)
{
    const QStringList parts = key.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return {};
    bool okChannel = false, okNumber = false;
    const int channel = parts[1].toInt(&okChannel), number = parts[2].toInt(&okNumber);
    if (!okChannel || !okNumber || channel < 0 || channel > 15 || number < 0 || number > 127)
        return {};
    if (parts[0] == QLatin1String("cc"))
        return {Control, channel, number};
    if (parts[0] == QLatin1String("pc"))
        return {Program, channel, number};
    return {};
}

SetlistPlayer::SetlistPlayer(Show show, QObject *parent) : QObject(parent), show_(std::move(show))
{
    pace_.setSingleShot(true);
    pace_.setInterval(StepIntervalMs);
    connect(&pace_, &QTimer::timeout, this, &SetlistPlayer::cableFree);
}

SetlistPlayer::~SetlistPlayer()
{
    *alive_ = false;
    if (foot_)
        foot_->closeInput();
}

void SetlistPlayer::start(std::vector<SetlistPlace> places, int at)
{
    places_ = std::move(places);
    playing_ = true;
    asked_ = false;
    shownAt_ = -1;
    position_ = places_.empty() ? 0 : std::clamp(at, 0, int(places_.size()) - 1);
    emit positionChanged(position_);
}

void SetlistPlayer::stop()
{
    playing_ = false;
    pace_.stop();
}

const SetlistPlace *SetlistPlayer::place(int index) const
{
    return index >= 0 && index < int(places_.size()) ? &places_[std::size_t(index)] : nullptr;
}

void SetlistPlayer::step(int by)
{
    if (playing_ && !places_.empty())
        go(position_ + by);
}

void SetlistPlayer::go(int index)
{
    if (!playing_ || places_.empty())
        return;
    index = std::clamp(index, 0, int(places_.size()) - 1);
    if (index != position_) {
        position_ = index;
        emit positionChanged(position_);
    }
    showTarget();
}

void SetlistPlayer::cableFree()
{
    pace_.stop();
    showTarget();
}

void SetlistPlayer::showTarget()
{
    // While the last step is still on the cable, or its question is open,
    // steps only move the target: the last one is shown when it is free.
    if (!playing_ || showing_ || pace_.isActive() || position_ == shownAt_)
        return;
    const int at = position_;
    const SetlistPlace &p = places_[std::size_t(at)];
    if (p.state == SetlistPlace::Missing) {
        shownAt_ = at; // nothing to send: the Amp keeps what it plays
        return;
    }
    showing_ = true;
    show_(p, !asked_, [this, alive = alive_, at](bool shown, bool asked) {
        if (!*alive)
            return;
        showing_ = false;
        if (shown) {
            asked_ = asked_ || asked;
            shownAt_ = at;
            emit this->shown(at);
            pace_.start();
        } else if (shownAt_ >= 0 && position_ != shownAt_) {
            // The user kept his work: the setlist stays where the Amp is.
            position_ = shownAt_;
            emit positionChanged(position_);
        }
    });
}

bool SetlistPlayer::listen(std::unique_ptr<MidiBackend> backend, int port, QString *why)
{
    if (foot_)
        foot_->closeInput();
    foot_.reset();
    if (!backend)
        return true;
    const int result = backend->openInput(
        port,
        [this, alive = alive_](std::uint8_t status, std::uint8_t first, std::uint8_t second) {
            if (*alive)
                footMessage(status, first, second);
        },
        [](const std::uint8_t *, int) {});
    if (result != MidiBackend::Ok) {
        if (why)
            *why = tr("The port cannot be opened (error %1).").arg(result);
        return false;
    }
    foot_ = std::move(backend);
    return true;
}

void SetlistPlayer::learn(Learning what)
{
    learning_ = what;
}

void SetlistPlayer::setTriggers(Trigger next, Trigger previous)
{
    next_ = next;
    previous_ = previous;
}

void SetlistPlayer::footMessage(std::uint8_t status, std::uint8_t first, std::uint8_t second)
{
    const int kind = status & 0xF0;
    if (kind != 0xB0 && kind != 0xC0)
        return;
    // A switch sends a control change when pressed (127) and when let go
    // (0): only the press steps.
    if (kind == 0xB0 && second < 64)
        return;
    const Trigger got{kind == 0xB0 ? Trigger::Control : Trigger::Program, status & 0x0F, first & 0x7F};
    if (learning_ != Learning::Nothing) {
        const Learning what = std::exchange(learning_, Learning::Nothing);
        (what == Learning::Next ? next_ : previous_) = got;
        emit learned(what, got);
        return;
    }
    if (got == next_)
        step(1);
    else if (got == previous_)
        step(-1);
}
