#pragma once

#include <QObject>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// Bytes of a short message with this status byte, status included: 1 to 3,
// or 0 when the byte starts no short message (a data byte, F0 or F7).
int midiShortLength(std::uint8_t status);

// What the MIDI port components need of a MIDI service: device lists,
// open/close by index, sending, and received messages delivered on the
// UI thread. One backend serves one input and one output device at a time.
class MidiBackend {
public:
    using ShortHandler = std::function<void(std::uint8_t status, std::uint8_t first, std::uint8_t second)>;
    // The bytes are valid only during the call.
    using SysExHandler = std::function<void(const std::uint8_t *data, int size)>;

    // Result codes. Zero is success; anything else is a failed operation.
    static constexpr int Ok = 0;
    static constexpr int BadDevice = 2;       // no such device index
    static constexpr int NotAvailable = 4;    // device exists but cannot be opened
    static constexpr int NotOpen = 5;
    static constexpr int TooLong = 6;         // the service cannot deliver the message whole
    static constexpr int InvalidMessage = 11; // sendShort() given no short message's status byte
    static constexpr int StillPlaying = 65; // close refused, try again

    virtual ~MidiBackend() = default;

    virtual QStringList inputNames() = 0;
    virtual QStringList outputNames() = 0;

    // Received messages reach the handlers on the UI thread, one at a time and
    // in arrival order, from a successful open until closeInput() returns;
    // anything still queued at close is dropped.
    virtual int openInput(int index, ShortHandler onShort, SysExHandler onSysEx) = 0;
    virtual int closeInput() = 0;

    virtual int openOutput(int index) = 0;
    virtual int closeOutput() = 0;
    // Sends one complete SysEx message (F0 ... F7). Returns when the bytes
    // have been handed over; the caller may reuse its buffer at once.
    virtual int sendSysEx(const std::uint8_t *data, int size) = 0;
    // A short message packed as status + first * 256 + second * 65536.
    virtual int sendShort(std::uint32_t packed) = 0;
    virtual int resetOutput() { return Ok; }
};

// Carries received messages from whatever thread the MIDI service uses to the
// thread this object lives in (the UI thread), as owned copies, in order.
// A message posted before close() (or before a later open()) is dropped: that
// stands in for buffers handed back while a device closes.
class MidiInbox : public QObject {
    Q_OBJECT
public:
    // Longest piece handed to the SysEx handler at once; longer messages
    // arrive as several pieces, only the first starting with F0.
    static constexpr int SysExBufferSize = 16000;

    explicit MidiInbox(QObject *parent = nullptr);

    void open(MidiBackend::ShortHandler onShort, MidiBackend::SysExHandler onSysEx); // UI thread
    void close();                                                                      // UI thread
    bool isOpen() const { return open_; }

    // Any thread. Takes one whole message as the service reported it.
    void post(std::vector<std::uint8_t> message);

private:
    void deliver(unsigned generation, const std::vector<std::uint8_t> &message);

    std::atomic<unsigned> generation_{0};
    bool open_ = false;
    MidiBackend::ShortHandler onShort_;
    MidiBackend::SysExHandler onSysEx_;
};
