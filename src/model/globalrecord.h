#pragma once

// Bytes of the GlobalRecord the editor itself reads or writes.
namespace globalrecord {

inline constexpr int MidiChannel = 3;  // the channel of the Amp's own Program Changes
inline constexpr int TunerOptions = 9; // bit 0 E-flat, bit 1 chromatic
inline constexpr int TunerLevel = 10;
// 0: every preset uses its own cabinet; n: cabinet n - 1 overrides them all.
inline constexpr int Cabinet = 13;
inline constexpr int CabinetShift = 0;
inline constexpr int CabinetWidth = 5;

} // namespace globalrecord
