// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ampsim/virtualamp.h"
#include "ampsim/virtualampdriver.h"
#include "midi/midibackend.h"
#include "midi/midiinbox.h"

#include <QObject>
#include <QString>

#include <memory>

class MidiInPort;
class MidiOutPort;

// The system's MIDI devices plus one more, listed last in both lists: a
// virtual Amp inside the program, so the editor can be tried at once on a
// machine with no Amp and no MIDI service. Whatever is sent to it reaches
// the Amp as from a cable; its replies arrive through an inbox on the UI
// thread, in order and never inside the send, as from a real input port.
class BuiltInAmpBackend : public QObject, public MidiBackend {
    Q_OBJECT
public:
    static QString deviceName() { return QStringLiteral("Quorvex Virtual Amp (built in)"); }

    // system: the platform's MIDI service, whose devices come first.
    explicit BuiltInAmpBackend(std::unique_ptr<MidiBackend> system, QObject *parent = nullptr);
    ~BuiltInAmpBackend() override;

    VirtualAmp &amp() { return amp_; }
    VirtualAmpDriver &driver() { return driver_; }

    bool inputInUse() const { return builtInInput_; }
    bool outputInUse() const { return builtInOutput_; }
    bool inUse() const { return builtInInput_ && builtInOutput_; }

    // At the first start, with no device of the system listed, a port with
    // nothing chosen (or remembered) is set to the built-in Amp and opened.
    void preselectWhenAlone(MidiInPort &in, MidiOutPort &out);

    QStringList inputNames() override;
    QStringList outputNames() override;
    int openInput(int index, ShortHandler onShort, SysExHandler onSysEx) override;
    int closeInput() override;
    int openOutput(int index) override;
    int closeOutput() override;
    int sendSysEx(const std::uint8_t *data, int size) override;
    int sendShort(std::uint32_t packed) override;
    int resetOutput() override;
    // The built-in Amp reads no faster than a real one: its cable is paced too.
    bool needsPacing() const override { return true; }
    int maxMessageSize() const override;
    bool linkUp() const override;
    std::uint64_t devicesEpoch() const override { return system_->devicesEpoch(); }
    std::uint64_t inputOverflows() const override;
    std::uint64_t outputLosses() const override { return system_->outputLosses(); }

signals:
    // The built-in device was opened or closed, in either direction.
    void usageChanged();

private:
    void fromAmp(const amp::Bytes &message);

    std::unique_ptr<MidiBackend> system_;
    VirtualAmp amp_;
    VirtualAmpDriver driver_;
    MidiInbox inbox_;
    // Devices of the system in the last lists read; the built-in one follows.
    int systemInputs_ = 0;
    int systemOutputs_ = 0;
    bool builtInInput_ = false;
    bool builtInOutput_ = false;
    bool systemInput_ = false;
    bool systemOutput_ = false;
};
