#pragma once

#include "midi/midibackend.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// Receives short messages and SysEx from one input device and raises an
// event for each, always on the UI thread.
class TMidiIn {
public:
    static constexpr int MaxDevices = 12;

    using ShortEvent = std::function<void(TMidiIn *sender, std::uint8_t status, std::uint8_t first, std::uint8_t second)>;
    using SysExEvent = std::function<void(TMidiIn *sender, const std::uint8_t *sysExAdd, int msgSize)>;

    explicit TMidiIn(MidiBackend &backend);
    ~TMidiIn();
    TMidiIn(const TMidiIn &) = delete;
    TMidiIn &operator=(const TMidiIn &) = delete;

    bool Using() const { return using_; }
    // Opening sets Using even when the open failed; the caller checks
    // openResult() and sets Using false again.
    void setUsing(bool on);

    int Port() const { return port_; }
    // Ignored when not below NumDevs; an open device is reopened on the new one.
    void setPort(int n);

    int NumDevs() const { return int(names_.size()); }
    QString deviceName(int i) const { return i >= 0 && i < NumDevs() ? names_[i] : QString(); }
    QStringList deviceNames() const { return names_; }

    bool UseShort = true;
    bool UseSysEx = true;
    ShortEvent OnShort;
    SysExEvent OnSysEx;

    int openResult() const { return openResult_; }
    int closeResult() const { return closeResult_; }

private:
    void open();
    void close();

    MidiBackend &backend_;
    QStringList names_;
    bool using_ = false;
    int port_ = 0;
    int openResult_ = 0;
    int closeResult_ = 0;
};
