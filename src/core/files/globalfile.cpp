// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/globalfile.h"

#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"

#include <QCoreApplication>

namespace files {

GlobalRecord decodeGlobalFile(std::span<const std::uint8_t> bytes, const QString &path)
{
    if (bytes.size() <= std::size_t(amp::CommandPos) || !amp::hasAmpHeader(bytes.data(), bytes.size()) ||
        bytes[amp::CommandPos] != amp::Globals)
        throw QuorvexError(aboutFile(QCoreApplication::translate("files", "Not a Quorvatron Global File"), path));
    if (bytes.size() < std::size_t(GlobalFileSize))
        throw QuorvexError(aboutFile(QCoreApplication::translate("files", "Incorrect File Format"), path));
    GlobalRecord record{};
    amp::decodeNibbles(bytes.data() + amp::CommandPos + 1, record.size(), record.data());
    return record;
}

GlobalRecord readGlobalFile(const QString &path)
{
    const QString clean = unquotedPath(path);
    return decodeGlobalFile(readWholeFile(clean), clean);
}

void writeGlobalFile(const QString &path, std::span<const std::uint8_t, preset::GlobalSize> record)
{
    writeWholeFile(path, amp::globals(record));
}

} // namespace files
