// Feeds arbitrary bytes to the session's SysEx handler as one buffer, in a
// state chosen by the first input byte.
#include "midi/loopbackbackend.h"
#include "session/ampsession.h"
#include "session/prompter.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Nothing here may ask the user anything.
struct NoUser : Prompter {
    Button question(const QString &, const QString &, const QList<Button> &, Icon) override { std::abort(); }
    void notice(const QString &, const QString &, Icon) override { std::abort(); }
    QString openFileName(const QString &, const QString &, const QString &) override { std::abort(); }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override { std::abort(); }
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
    static NoUser user;
    static AmpSession session(std::make_unique<LoopbackBackend>(), user);
    static bool connected = false;
    if (!connected) {
        connected = true;
        // Every window update must run under the loading guard.
        auto guarded = [] {
            if (!session.loading())
                std::abort();
        };
        QObject::connect(&session, &AmpSession::recordChanged, guarded);
        QObject::connect(&session, &AmpSession::byteChanged, [guarded](int index) {
            guarded();
            if (index < 0 || index >= preset::RecordSize)
                std::abort();
        });
        QObject::connect(&session, &AmpSession::globalRecordChanged, guarded);
        QObject::connect(&session, &AmpSession::globalCabinetReported, [guarded](bool, int cabinet) {
            guarded();
            if (cabinet < 0 || cabinet > 254) // b - 1 of a non-zero byte, or a four-bit field
                std::abort();
        });
    }

    const std::uint8_t mode = data[0];
    session.transfers().setState(TransferState(mode & 7));
    session.setView((mode & 8) ? AmpSession::View::Group : AmpSession::View::Single);
    session.selectSlotQuietly((mode >> 4) & 15);

    // An exact-size copy so the sanitizer sees any read past the message.
    std::vector<std::uint8_t> message(data + 1, data + size);
    session.MidiIn1SysEx(message.empty() ? nullptr : message.data(), int(message.size()));
    if (session.loading())
        std::abort(); // the guard must never stay set after a message
    return 0;
}
