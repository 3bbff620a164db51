// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

#include <cstdint>

class MidiBackend;
class QLabel;
class Led;
class MidiInPort;
class MidiOutPort;

// The MIDI link at a glance, for the main window's status bar: which input
// and output device is in use (or that a port is off), a light for each
// direction that flashes as messages pass, the Amp's firmware once it is
// found (and that the Amp is the built-in virtual one while it is in use),
// and how many messages could not be delivered or had to be dropped.
// It follows the backend's link notifier, so nothing runs while the link is
// quiet; hovering explains each part.
class LinkStatus : public QWidget {
    Q_OBJECT
public:
    // How long a light stays lit after the last traffic it was told of;
    // longer than the notifier's hold, so a steady flow keeps it lit.
    static constexpr int FlashMs = 300;
    static constexpr int NameWidth = 190; // pixels of a device name shown

    LinkStatus(MidiInPort &midiIn, MidiOutPort &midiOut, MidiBackend &backend, QWidget *parent = nullptr);

    // "Amp 2.0" and the like; empty while no Amp has answered.
    void setFirmware(const QString &text, const QString &hint = QString());
    // Offers a sync (a link in the bar) when what the editor shows may no
    // longer be what the Amp holds.
    void setSyncOffered(bool on);
    // The built-in virtual Amp is in use: the Amp part says "Virtual Amp"
    // (with the firmware once it answered), so nobody takes it for the real
    // one. When it goes out of use, the firmware it reported goes too.
    void setVirtualAmp(bool inUse);
    // Messages not delivered or dropped, in either direction.
    std::uint64_t failures() const { return failures_; }

    // What the link notifier runs: LinkEvents::Change values, or-ed.
    void linkChanged(unsigned changes);
    // The lights' timers run these: the light goes out.
    void inLightTimeout();
    void outLightTimeout();
    const QTimer &inLightTimer() const { return inLight_; }
    const QTimer &outLightTimer() const { return outLight_; }

    QLabel *LabelIn;
    Led *LEDIn;
    QLabel *LabelOut;
    Led *LEDOut;
    QLabel *LabelAmp;
    QLabel *LabelFailures;
    QLabel *LabelSync;

signals:
    void syncRequested();

private:
    void showPorts();
    void showPort(QLabel *label, const QString &direction, bool open, const QString &name);
    void showAmp();
    void showFailures();
    static void flash(Led *led, QTimer &timer);

    MidiInPort &midiIn_;
    MidiOutPort &midiOut_;
    MidiBackend &backend_;
    std::uint64_t failures_ = 0;
    std::uint64_t shownReplaced_ = 0; // in the output's hover text
    QString firmware_;
    QString firmwareHint_;
    bool virtual_ = false;
    QTimer inLight_;
    QTimer outLight_;
};
