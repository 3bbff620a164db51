// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/safefile.h"

#include "model/quorvexerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QCoreApplication>

namespace files {

namespace {

// QSaveFile puts the new content under "<name>.XXXXXX" (six random ASCII
// letters) beside the file, then renames it over the file; a program killed
// in between leaves it behind, complete but of no use. A user's own
// "<name>.backup" or "<name>.BACKUP" is told apart by its letters of one case.
bool isLeftTemporary(const QString &name, const QString &target)
{
    if (name.size() != target.size() + 7 || !name.startsWith(target) || name[target.size()] != QLatin1Char('.'))
        return false;
    bool upper = false, lower = false;
    for (qsizetype i = target.size() + 1; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        upper = upper || (c >= u'A' && c <= u'Z');
        lower = lower || (c >= u'a' && c <= u'z');
        if (!(c >= u'A' && c <= u'Z') && !(c >= u'a' && c <= u'z'))
            return false;
    }
    return upper && lower;
}

// Temporaries of earlier saves of path that never finished go to the trash
// (not deleted: should one be a user's file after all, it can be restored).
void trashLeftTemporaries(const QString &path)
{
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    const QString name = target.fileName();
    for (const QString &entry :
         folder.entryList({QStringLiteral("*.??????")}, QDir::Files | QDir::Hidden | QDir::NoSymLinks))
        if (isLeftTemporary(entry, name))
            moveToTrash(folder.filePath(entry));
}

} // namespace

QString unquotedPath(const QString &path)
{
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        return path.mid(1, path.size() - 2);
    return path;
}

QString elidedMiddle(const QString &text, qsizetype max)
{
    if (text.size() <= max)
        return text;
    const QChar ellipsis(0x2026);
    qsizetype head = (max - 1) / 2, tail = max - 1 - head;
    // Not between the two halves of a surrogate pair.
    if (head > 0 && text[head - 1].isHighSurrogate())
        --head;
    if (tail > 0 && text[text.size() - tail].isLowSurrogate())
        --tail;
    return text.left(head) + ellipsis + text.right(tail);
}

bool openRegularFile(QFile &file, const QString &path, QString *reason)
{
    auto fail = [&](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (path.isEmpty())
        return fail(qt_error_string(ENOENT));
#ifdef Q_OS_UNIX
    // Not blocking: opening a FIFO for reading waits for a writer, forever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(qt_error_string(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return fail(folder ? qt_error_string(EISDIR) : QCoreApplication::translate("files", "Not a regular file"));
    }
    // Unbuffered: the callers read whole files in large pieces.
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    return true;
#else
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(info.exists() ? QCoreApplication::translate("files", "Not a regular file")
                                  : qt_error_string(ENOENT));
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) || fail(file.errorString());
#endif
}

Bytes readWholeFile(const QString &path)
{
    QFile file;
    if (!openRegularFile(file, path))
        throw QuorvexError(QCoreApplication::translate("files", "Can't open file:\n%1").arg(path));
    return readOpenFile(file, path);
}

Bytes readOpenFile(QFile &file, const QString &path)
{
    const QString tooLarge = QCoreApplication::translate("files", "File too large (over 1 MiB):\n%1").arg(path);
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
            throw QuorvexError(
                QCoreApplication::translate("files", "Can't read file:\n%1\n%2").arg(path, file.errorString()));
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    bytes.resize(got);
    return bytes;
}

void writeWholeFile(const QString &path, std::span<const std::uint8_t> bytes, InPlace inPlace)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(inPlace == InPlace::WhenFolderIsReadOnly);
    auto fail = [&](QString reason) {
        if (reason.isEmpty())
            reason = QCoreApplication::translate("files", "The file was not written completely.");
        file.cancelWriting();
        throw QuorvexError(QCoreApplication::translate("files", "Can't save file:\n%1\n%2").arg(path, reason));
    };
    // Unbuffered, so every short write shows here: commit() renames the
    // temporary file over the old one even when flushing its buffer fell
    // short (a size limit, a full disk), as long as write() had succeeded.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(file.errorString());
    const char *data = reinterpret_cast<const char *>(bytes.data());
    qint64 left = qint64(bytes.size());
    while (left > 0) {
        // A short write sets no error; the next attempt reports why.
        const qint64 n = file.write(data, left);
        if (n <= 0)
            fail(file.errorString());
        data += n;
        left -= n;
    }
    if (!file.commit())
        fail(file.errorString());
    trashLeftTemporaries(path);
}

QString aboutFile(const QString &words, const QString &path)
{
    return path.isEmpty() ? words : words + QStringLiteral(":\n") + path;
}

bool moveToTrash(const QString &path, QString *reason)
{
    // Without the per-user data directory, Qt 6.4 makes the trash's files/
    // and info/ in the current directory and moves the file there.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data))
        return false;
    QFile file(path);
    if (file.moveToTrash())
        return true;
    if (reason && file.error() != QFileDevice::NoError)
        *reason = file.errorString();
    return false;
}

void ignoreFileSizeLimitSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace files
