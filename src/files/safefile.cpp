#include "files/safefile.h"

#include "model/quorvexerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace files {

QString unquotedPath(const QString &path)
{
    QString p = path;
    p.remove(QLatin1Char('"'));
    return p;
}

Bytes readWholeFile(const QString &path)
{
    const QString cantOpen = QStringLiteral("Can't open file:\n") + path;
    // Only regular files: opening a FIFO would block, a device may never end.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        throw QuorvexError(cantOpen);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuorvexError(cantOpen);
    return readOpenFile(file, path);
}

Bytes readOpenFile(QFile &file, const QString &path)
{
    const QString tooLarge = QStringLiteral("File too large (over 1 MiB):\n") + path;
    if (file.size() > MaxReadSize)
        throw QuorvexError(tooLarge);

    // Read at most one byte past the cap, in case the file grew since.
    Bytes bytes(std::size_t(std::max<qint64>(file.size(), 0)) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (qint64(bytes.size()) > MaxReadSize)
                throw QuorvexError(tooLarge);
            bytes.resize(std::min<std::size_t>(bytes.size() * 2, MaxReadSize + 1));
        }
        const qint64 n = file.read(reinterpret_cast<char *>(bytes.data() + got), qint64(bytes.size() - got));
        if (n < 0)
            throw QuorvexError(QStringLiteral("Can't read file:\n%1\n%2").arg(path, file.errorString()));
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    bytes.resize(got);
    return bytes;
}

void writeWholeFile(const QString &path, std::span<const std::uint8_t> bytes)
{
    QSaveFile file(path);
    auto fail = [&](const QString &reason) {
        file.cancelWriting();
        throw QuorvexError(QStringLiteral("Can't save file:\n%1\n%2").arg(path, reason));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()))
        fail(file.errorString());
    // commit() flushes what is buffered: a full disk or a size limit may only
    // show here. On failure it removes the temporary file itself.
    if (!file.commit())
        fail(file.errorString());
}

} // namespace files
