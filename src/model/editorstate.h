#pragma once

#include <cstdint>

// Editor state kept beside the device image, one instance owned by the main window.
struct EditorState {
    enum class View { Single, Group };

    View view = View::Single;
    // Selected tab; forced to 0 in single view.
    int tabIndex = 0;
    // Presets changed since the last open, new or save.
    bool modified = false;
    // Cabinet of the slot most recently loaded into the panel; shown again
    // when the global cabinet override is switched off.
    std::uint8_t presetCabinetMemory = 0;
    // major * 16 + minor; 2.0 until an Amp reports its version.
    std::uint8_t firmwareVersion = 0x20;
    bool gVariant = false;
    bool ampFound = false;
    // While set, edit senders send nothing: controls changed from data must
    // not echo back to the Amp.
    bool loadingGuard = false;
    // While set, Amp echoes of the flanger bytes 21 and 22 are ignored.
    bool flangerHold = false;
    bool globalsWindowOpen = false;

    int currentSlot() const { return view == View::Group ? tabIndex : 0; }
    bool oldFirmware() const { return firmwareVersion <= 0x14; }
};

// Sets the loading guard for a scope and puts back what was there, so a
// reload nested inside another guarded step leaves the guard set.
class LoadingGuard {
public:
    explicit LoadingGuard(EditorState &state) : state_(state), previous_(state.loadingGuard)
    {
        state_.loadingGuard = true;
    }
    ~LoadingGuard() { state_.loadingGuard = previous_; }
    LoadingGuard(const LoadingGuard &) = delete;
    LoadingGuard &operator=(const LoadingGuard &) = delete;

private:
    EditorState &state_;
    bool previous_;
};
