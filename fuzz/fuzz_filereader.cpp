// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes, as the contents of a file, to every file reader:
// preset and group files (opening and importing), global files and notes.
// Any exception but QuorvexError, and any result that breaks what the
// readers promise, aborts.
#include "files/globalfile.h"
#include "files/notefile.h"
#include "files/presetfile.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

std::uint8_t pair(std::span<const std::uint8_t> file, std::size_t k)
{
    return std::uint8_t(((file[7 + 2 * k] & 0x0F) << 4) | (file[8 + 2 * k] & 0x0F));
}

bool hasCommand(std::span<const std::uint8_t> file, std::uint8_t command)
{
    return file.size() > 6 && amp::hasAmpHeader(file.data(), file.size()) && file[6] == command;
}

void presetFile(std::span<const std::uint8_t> file, bool importing)
{
    const QString path = QStringLiteral("/fuzz/input.syx");
    std::optional<files::Kind> kind;
    try {
        kind = files::classify(file, path, importing);
    } catch (const QuorvexError &e) {
        // Refused only for a reason: a single preset file always classifies.
        check(!hasCommand(file, amp::SinglePreset));
        check(!e.message().isEmpty());
        return;
    }
    const std::uint8_t command = *kind == files::Kind::Group    ? amp::GroupDump
                                 : *kind == files::Kind::Single ? amp::SinglePreset
                                                                : amp::Globals;
    check(hasCommand(file, command));
    check(!importing || *kind != files::Kind::Group);

    const std::size_t needed = std::size_t(files::minimumFileSize(*kind));
    try {
        const files::Bytes data = files::decode(*kind, file);
        check(file.size() >= needed);
        check(data.size() == std::size_t(files::recordBytes(*kind)));
        for (std::size_t k = 0; k < data.size(); ++k)
            check(data[k] == pair(file, k));
    } catch (const QuorvexError &e) {
        check(file.size() < needed);
        check(e.message() == QStringLiteral("Incorrect File Format"));
    }
}

void globalFile(std::span<const std::uint8_t> file)
{
    try {
        const files::GlobalRecord record = files::decodeGlobalFile(file);
        check(hasCommand(file, amp::Globals) && file.size() >= std::size_t(files::GlobalFileSize));
        for (std::size_t k = 0; k < record.size(); ++k)
            check(record[k] == pair(file, k));
    } catch (const QuorvexError &) {
        check(!hasCommand(file, amp::Globals) || file.size() < std::size_t(files::GlobalFileSize));
    }
}

void note(std::span<const std::uint8_t> file)
{
    const QString text = files::decodeNote(file);
    check(!text.contains(QLatin1Char('\r')));
    // What is written reads back as the same text, and writes back as the
    // same bytes.
    const files::Bytes written = files::encodeNote(text);
    check(files::decodeNote(written) == text);
    check(files::encodeNote(files::decodeNote(written)) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An exact-size copy so the sanitizer sees any read past the file's end.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> file(bytes);
    try {
        presetFile(file, false);
        presetFile(file, true);
        globalFile(file);
        note(file);
    } catch (...) {
        std::abort(); // readers throw QuorvexError only, and the checks above catch it
    }
    return 0;
}
