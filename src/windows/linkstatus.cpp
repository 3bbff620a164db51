// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/linkstatus.h"

#include "controls/tledimage.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

namespace {

// A flash lasts a few polls, so a single message is seen.
constexpr int FlashMs = 3 * LinkStatus::PollMs;

TLEDImage *activityLight(const QString &hint, QWidget *parent)
{
    auto *led = new TLEDImage(parent);
    led->SetOnColor(QColor(0, 128, 0)); // the green LED image
    led->SetOffColor(QColor(128, 128, 128));
    led->SetExtinguishTimeout(FlashMs);
    led->TurnOn(false);
    led->setToolTip(hint);
    return led;
}

} // namespace

LinkStatus::LinkStatus(TMidiIn &midiIn, TMidiOut &midiOut, MidiBackend &backend, QWidget *parent)
    : QWidget(parent), midiIn_(midiIn), midiOut_(midiOut), backend_(backend)
{
    LEDIn = activityLight(QStringLiteral("Flashes when a message arrives from the MIDI input"), this);
    LabelIn = new QLabel(this);
    LEDOut = activityLight(QStringLiteral("Flashes when a message leaves through the MIDI output"), this);
    LabelOut = new QLabel(this);
    LabelAmp = new QLabel(this);
    LabelAmp->setToolTip(QStringLiteral("The firmware of the Amp that answered"));
    LabelAmp->hide();
    LabelFailures = new QLabel(this);
    LabelSync = new QLabel(QStringLiteral("<a href=\"sync\">Sync with Amp</a>"), this);
    LabelSync->setObjectName(QStringLiteral("LabelSync"));
    LabelSync->setToolTip(QStringLiteral("The Amp may hold other values than the editor shows: fetch its preset again"));
    LabelSync->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    LabelSync->hide();
    connect(LabelSync, &QLabel::linkActivated, this, [this] { emit syncRequested(); });
    setObjectName(QStringLiteral("StatusLink"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(LEDIn);
    layout->addWidget(LabelIn);
    layout->addSpacing(8);
    layout->addWidget(LEDOut);
    layout->addWidget(LabelOut);
    layout->addSpacing(8);
    layout->addWidget(LabelAmp);
    layout->addSpacing(8);
    layout->addWidget(LabelFailures);
    layout->addSpacing(8);
    layout->addWidget(LabelSync);
    layout->addStretch(1); // the parts keep together at the left

    TimerPoll.setObjectName(QStringLiteral("TimerPoll"));
    TimerPoll.setInterval(PollMs);
    connect(&TimerPoll, &QTimer::timeout, this, &LinkStatus::TimerPollTimer);
    TimerPoll.start();
    TimerPollTimer();
}

void LinkStatus::setFirmware(const QString &text, const QString &hint)
{
    LabelAmp->setText(text);
    LabelAmp->setVisible(!text.isEmpty());
    LabelAmp->setToolTip(hint.isEmpty() ? QStringLiteral("The firmware of the Amp that answered") : hint);
}

void LinkStatus::setSyncOffered(bool on)
{
    LabelSync->setVisible(on);
}

void LinkStatus::showPort(QLabel *label, const QString &direction, bool open, const QString &name)
{
    QString text;
    QString hint;
    if (!open) {
        text = QStringLiteral("MIDI %1 off").arg(direction);
        hint = QStringLiteral("The MIDI %1 port is closed; choose it with View, MIDI Port Select").arg(direction.toLower());
    } else {
        // Names such as "MidiOut Client:AmpStandIn Out" differ at the end.
        text = QFontMetrics(label->font()).elidedText(name, Qt::ElideLeft, NameWidth);
        hint = QStringLiteral("MIDI %1: %2").arg(direction, name);
        if (!backend_.linkUp()) {
            text += QStringLiteral(" (waiting)");
            hint += QStringLiteral("\nThe MIDI service is not running; the port reconnects when it is back.");
        }
    }
    label->setText(text);
    label->setToolTip(hint);
}

void LinkStatus::TimerPollTimer()
{
    // A service that came back may list its devices in another order.
    if (const std::uint64_t epoch = backend_.devicesEpoch(); epoch != lastEpoch_) {
        lastEpoch_ = epoch;
        midiIn_.refreshDevices();
        midiOut_.refreshDevices();
    }
    if (const bool up = backend_.linkUp(); up != lastUp_) {
        lastUp_ = up;
        if (up)
            emit serviceReturned();
    }
    showPort(LabelIn, QStringLiteral("In"), midiIn_.Using(), midiIn_.storedName());
    showPort(LabelOut, QStringLiteral("Out"), midiOut_.Using(), midiOut_.storedName());

    const TMidiIn::Stats in = midiIn_.stats();
    const TMidiOut::Stats out = midiOut_.stats();
    if (in.received != lastReceived_) {
        LEDIn->TurnOn(true);
        lastReceived_ = in.received;
    } else {
        LEDIn->ShouldExtinguish();
    }
    if (out.sent != lastSent_) {
        LEDOut->TurnOn(true);
        lastSent_ = out.sent;
    } else {
        LEDOut->ShouldExtinguish();
    }

    const std::uint64_t lost = backend_.outputLosses();
    failures_ = out.refused + out.dropped + lost + in.overflows;
    LabelFailures->setText(failures_ == 0 ? QString() : QStringLiteral("Not delivered: %1").arg(failures_));
    LabelFailures->setVisible(failures_ != 0);
    LabelFailures->setToolTip(QStringLiteral("Messages the program could not deliver or had to drop:\n"
                                             "%1 refused when sent (send queue full, or too long for the MIDI service)\n"
                                             "%2 dropped from the send queue (port closed, or MIDI service gone)\n"
                                             "%3 lost inside the MIDI service (it went away before sending them)\n"
                                             "%4 received but dropped (they came faster than the program could take them)")
                                  .arg(out.refused)
                                  .arg(out.dropped)
                                  .arg(lost)
                                  .arg(in.overflows));
}
