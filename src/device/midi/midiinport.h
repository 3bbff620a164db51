// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"
#include "midi/mididevicechoice.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// Receives short messages and SysEx from one input device and raises an
// event for each, always on the UI thread. Tells the backend's link notifier
// of messages received and of changes to the port.
class MidiInPort {
public:
    static constexpr int MaxDevices = MidiDeviceChoice::MaxDevices;

    using ShortEvent =
        std::function<void(MidiInPort *sender, std::uint8_t status, std::uint8_t first, std::uint8_t second)>;
    using SysExEvent = std::function<void(MidiInPort *sender, const std::uint8_t *sysExAdd, int msgSize)>;

    explicit MidiInPort(MidiBackend &backend);
    ~MidiInPort();
    MidiInPort(const MidiInPort &) = delete;
    MidiInPort &operator=(const MidiInPort &) = delete;

    bool isEnabled() const { return using_; }
    // Opening sets Using even when the open failed; the caller checks
    // openResult() and sets Using false again.
    void setEnabled(bool on);

    int port() const { return devices_.port(); }
    // Ignored when not below deviceCount; an open device is reopened on the new one.
    void setPort(int n);

    int deviceCount() const { return devices_.count(); }
    QString deviceName(int i) const { return devices_.names().value(i); }
    QStringList deviceNames() const { return devices_.names(); }
    // Reads the device list again; the chosen device keeps its choice by name.
    void refreshDevices();
    // Remembers a chosen device that is absent now (see MidiDeviceChoice).
    void rememberDevice(int index, const QString &name);
    int storedPort() const { return devices_.storedPort(); }
    QString storedName() const { return devices_.storedName(); }

    // Read from any code without Qt; counts since creation.
    struct Stats {
        std::uint64_t received = 0;  // messages (SysEx pieces) handed to the events
        std::uint64_t overflows = 0; // dropped because they came faster than the UI took them
    };
    Stats stats() const { return {received_, backend_.inputOverflows()}; }

    bool UseShort = true;
    bool UseSysEx = true;
    ShortEvent OnShort;
    SysExEvent OnSysEx;

    int openResult() const { return openResult_; }
    int closeResult() const { return closeResult_; }

private:
    void open();
    void close();
    // A service that came back may list its devices in another order: the
    // list is read again, and the choice follows its device by name.
    void followService(unsigned changes);

    MidiBackend &backend_;
    MidiDeviceChoice devices_;
    std::uint64_t devicesEpoch_ = 0;
    QObject linkContext_; // ends the notifier's connection with the port
    bool using_ = false;
    std::uint64_t received_ = 0;
    int openResult_ = 0;
    int closeResult_ = 0;
};
