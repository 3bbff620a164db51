#pragma once

#include "midi/midibackend.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// Sends SysEx (and, if asked, short messages) to one output device.
class TMidiOut {
public:
    static constexpr int MaxDevices = 12;

    explicit TMidiOut(MidiBackend &backend);
    ~TMidiOut();
    TMidiOut(const TMidiOut &) = delete;
    TMidiOut &operator=(const TMidiOut &) = delete;

    bool Using() const { return using_; }
    void setUsing(bool on);

    int Port() const { return port_; }
    void setPort(int n);

    int NumDevs() const { return int(names_.size()); }
    QString deviceName(int i) const { return i >= 0 && i < NumDevs() ? names_[i] : QString(); }
    QStringList deviceNames() const { return names_; }

    // Sends one SysEx message; nothing when closed or for 2 bytes or fewer.
    // Returns false when a message was offered but the service refused it.
    bool SysEx(const std::uint8_t *data, int length);

    void Put1(std::uint8_t status);
    void Put2(std::uint8_t status, std::uint8_t first);
    void Put3(std::uint8_t status, std::uint8_t first, std::uint8_t second);
    void Put2Direct(std::uint32_t packed);
    void Reset();

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
