// Feeds arbitrary bytes to the receive dispatcher as one SysEx buffer, in
// an editor state chosen by the first input byte.
#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/amptransfers.h"
#include "protocol/sysexdispatcher.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Views : PanelView, GlobalsView, TunerView {
    EditorState *state = nullptr;
    void check() const
    {
        if (!state->loadingGuard)
            std::abort(); // every window update must run under the loading guard
    }
    void reloadFromCurrentSlot() override { check(); }
    void showGlobalCabinet(bool, int item) override
    {
        check();
        if (item < 0 || item > 254) // b - 1 of a non-zero byte
            std::abort();
    }
    void reloadFromGlobalRecord() override
    {
        check();
        state->loadingGuard = false;
    }
    void tunerData(std::uint8_t, std::uint8_t) override {}
    void showEbChromatic(bool, bool) override { check(); }
    void showTunerLevel(int) override { check(); }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // QTimer wants an application object
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static DeviceImage image;
    static EditorState state;
    static AmpTransfers transfers(image, state);
    static Views views;
    static SysExDispatcher dispatcher(image, state, transfers, AmpViews{&views, &views, &views});
    views.state = &state;

    const std::uint8_t mode = data[0];
    transfers.TransferState = mode & 7;
    state.flangerHold = mode & 8;
    state.view = (mode & 16) ? EditorState::View::Group : EditorState::View::Single;
    state.tabIndex = (mode >> 4) & 15; // only 0..15 can ever be selected
    state.globalsWindowOpen = mode & 32;
    state.loadingGuard = false;

    // An exact-size copy so the sanitizer sees any read past the message.
    std::vector<std::uint8_t> message(data + 1, data + size);
    dispatcher.MidiIn1SysEx(message.empty() ? nullptr : message.data(), int(message.size()));
    if (state.loadingGuard)
        std::abort(); // the guard must never stay set after a message
    return 0;
}
