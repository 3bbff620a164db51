#include "midi/rtmidibackend.h"

// Filled in by the RtMidi work; until then the backend lists no devices.
struct RtMidiBackend::Impl {};

RtMidiBackend::RtMidiBackend(Api, const QString &) : d(std::make_unique<Impl>()) {}
RtMidiBackend::~RtMidiBackend() = default;
QString RtMidiBackend::apiName() const { return {}; }
QStringList RtMidiBackend::inputNames() { return {}; }
QStringList RtMidiBackend::outputNames() { return {}; }
int RtMidiBackend::openInput(int, ShortHandler, SysExHandler) { return BadDevice; }
int RtMidiBackend::closeInput() { return Ok; }
int RtMidiBackend::openOutput(int) { return BadDevice; }
int RtMidiBackend::closeOutput() { return Ok; }
int RtMidiBackend::sendSysEx(const std::uint8_t *, int) { return NotOpen; }
int RtMidiBackend::sendShort(std::uint32_t) { return NotOpen; }
