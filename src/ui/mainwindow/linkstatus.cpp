// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/linkstatus.h"

#include "controls/elidedlabel.h"
#include "controls/led.h"
#include "midi/linknotifier.h"
#include "midi/midiinport.h"
#include "midi/midioutport.h"

#include <QHBoxLayout>
#include <QLabel>

// A steady flow of messages keeps a light lit: each delivery comes before
// the light's time is up. And traffic shows within a tenth of a second.
static_assert(LinkStatus::FlashMs > LinkNotifier::HoldMs);
static_assert(LinkNotifier::HoldMs <= 100);

namespace {

Led *activityLight(const QString &hint, QWidget *parent)
{
    auto *led = new Led(parent);
    led->SetOnColor(QColor(0, 128, 0)); // the green LED image
    led->SetOffColor(QColor(128, 128, 128));
    led->TurnOn(false);
    led->setToolTip(hint);
    // A squeezed bar shortens the names beside it, never the light.
    led->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return led;
}

} // namespace

LinkStatus::LinkStatus(MidiInPort &midiIn, MidiOutPort &midiOut, MidiBackend &backend, QWidget *parent)
    : QWidget(parent), midiIn_(midiIn), midiOut_(midiOut), backend_(backend)
{
    LEDIn = activityLight(tr("Flashes when a message arrives from the MIDI input"), this);
    // A squeezed window shortens the device names first; hovering tells them whole.
    auto nameLabel = [this] {
        auto *label = new ElidedLabel(Qt::ElideMiddle, this);
        label->setMaximumTextWidth(NameWidth);
        return label;
    };
    LabelIn = nameLabel();
    LEDOut = activityLight(tr("Flashes when a message leaves through the MIDI output"), this);
    LabelOut = nameLabel();
    LabelAmp = new QLabel(this);
    LabelAmp->setToolTip(tr("The firmware of the Amp that answered"));
    LabelAmp->hide();
    LabelFailures = new QLabel(this);
    LabelSync = new QLabel(QStringLiteral("<a href=\"sync\">%1</a>").arg(tr("Sync with Amp")), this);
    LabelSync->setObjectName(QStringLiteral("LabelSync"));
    LabelSync->setToolTip(tr("The Amp may hold other values than the editor shows: fetch its preset again"));
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

    for (QTimer *light : {&inLight_, &outLight_}) {
        light->setSingleShot(true);
        light->setInterval(FlashMs);
    }
    connect(&inLight_, &QTimer::timeout, this, &LinkStatus::inLightTimeout);
    connect(&outLight_, &QTimer::timeout, this, &LinkStatus::outLightTimeout);
    connect(&backend_.linkNotifier(), &LinkNotifier::changed, this, &LinkStatus::linkChanged);
    linkChanged(LinkEvents::Service | LinkEvents::Ports | LinkEvents::Failed);
}

void LinkStatus::setFirmware(const QString &text, const QString &hint)
{
    firmware_ = text;
    firmwareHint_ = hint;
    showAmp();
}

void LinkStatus::setSyncOffered(bool on)
{
    LabelSync->setVisible(on);
}

void LinkStatus::setVirtualAmp(bool inUse)
{
    if (inUse == virtual_)
        return;
    // The firmware shown came from the virtual Amp, which is gone now.
    if (virtual_) {
        firmware_.clear();
        firmwareHint_.clear();
    }
    virtual_ = inUse;
    showAmp();
}

void LinkStatus::showAmp()
{
    QString hint = firmwareHint_.isEmpty() ? tr("The firmware of the Amp that answered") : firmwareHint_;
    if (virtual_) {
        // "Amp 2.0" becomes "Virtual Amp 2.0".
        LabelAmp->setText(tr("Virtual %1").arg(firmware_.isEmpty() ? tr("Amp") : firmware_));
        hint = tr("The virtual Amp built into the program; no real Amp is connected") +
               (firmwareHint_.isEmpty() ? QString() : QLatin1Char('\n') + firmwareHint_);
    } else {
        LabelAmp->setText(firmware_);
    }
    LabelAmp->setToolTip(hint);
    LabelAmp->setVisible(!LabelAmp->text().isEmpty());
}

void LinkStatus::showPort(QLabel *label, const QString &direction, bool open, const QString &name)
{
    QString text;
    QString hint;
    if (!open) {
        text = tr("MIDI %1 off").arg(direction);
        hint = tr("The MIDI %1 port is closed; choose it with View, MIDI Port Select").arg(direction.toLower());
    } else {
        // Names such as "np-01:Quorvex Virtual Amp Out" differ at both
        // ends: the label shortens them in the middle.
        text = name;
        hint = tr("MIDI %1: %2").arg(direction, name);
        if (!backend_.linkUp()) {
            text += tr(" (waiting)");
            hint += tr("\nThe MIDI service is not running; the port reconnects when it is back.");
        }
    }
    label->setText(text);
    label->setToolTip(hint);
}

void LinkStatus::linkChanged(unsigned changes)
{
    // A waiting change that a newer value replaced is told of by the sends
    // that follow it.
    if ((changes & (LinkEvents::Service | LinkEvents::Ports)) ||
        ((changes & LinkEvents::Sent) && midiOut_.stats().replaced != shownReplaced_))
        showPorts();
    if (changes & LinkEvents::Failed)
        showFailures();
    if (changes & LinkEvents::Received)
        flash(LEDIn, inLight_);
    if (changes & LinkEvents::Sent)
        flash(LEDOut, outLight_);
}

void LinkStatus::flash(Led *led, QTimer &timer)
{
    // Lit already during a flow of messages: only the end moves.
    if (!led->LEDOn())
        led->TurnOn(true);
    timer.start();
}

void LinkStatus::inLightTimeout()
{
    LEDIn->TurnOn(false);
}

void LinkStatus::outLightTimeout()
{
    LEDOut->TurnOn(false);
}

void LinkStatus::showPorts()
{
    showPort(LabelIn, tr("In"), midiIn_.isEnabled(), midiIn_.storedName());
    showPort(LabelOut, tr("Out"), midiOut_.isEnabled(), midiOut_.storedName());
    shownReplaced_ = midiOut_.stats().replaced;
    if (shownReplaced_ > 0)
        LabelOut->setToolTip(
            LabelOut->toolTip() +
            tr("\n%1 changes replaced by a newer value while they waited for the cable").arg(shownReplaced_));
}

void LinkStatus::showFailures()
{
    const MidiInPort::Stats in = midiIn_.stats();
    const MidiOutPort::Stats out = midiOut_.stats();
    const std::uint64_t lost = backend_.outputLosses();
    failures_ = out.refused + out.dropped + lost + in.overflows;
    LabelFailures->setText(failures_ == 0 ? QString() : tr("Not delivered: %1").arg(failures_));
    LabelFailures->setVisible(failures_ != 0);
    LabelFailures->setToolTip(tr("Messages the program could not deliver or had to drop:\n"
                                 "%1 refused when sent (send queue full, or too long for the MIDI service)\n"
                                 "%2 dropped from the send queue (port closed, or MIDI service gone)\n"
                                 "%3 lost inside the MIDI service (it went away before sending them)\n"
                                 "%4 received but dropped (they came faster than the program could take them)")
                                  .arg(out.refused)
                                  .arg(out.dropped)
                                  .arg(lost)
                                  .arg(in.overflows));
}
