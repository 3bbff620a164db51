#pragma once

#include <cstdint>

// What the receive dispatcher may ask of the windows. Each window implements
// its own small interface; a window that does not exist yet is a null pointer.

class PanelView {
public:
    virtual ~PanelView() = default;
    // Reload every control from the current slot's record.
    virtual void reloadFromCurrentSlot() = 0;
    // Show the global cabinet override: when on, the box is ticked and the
    // cabinet list shows item; when off, the list shows item (the preset's own).
    // The Amp may report any byte, so item can lie beyond the list.
    virtual void showGlobalCabinet(bool on, int item) = 0;
};

class GlobalsView {
public:
    virtual ~GlobalsView() = default;
    virtual void reloadFromGlobalRecord() = 0;
};

class TunerView {
public:
    virtual ~TunerView() = default;
    // The two bytes of a tuner data message, whether or not the window shows.
    virtual void tunerData(std::uint8_t first, std::uint8_t second) = 0;
    virtual void showEbChromatic(bool eFlat, bool chromatic) = 0;
    virtual void showTunerLevel(int level) = 0;
};

struct AmpViews {
    PanelView *panel = nullptr;
    GlobalsView *globals = nullptr;
    TunerView *tuner = nullptr;
};
