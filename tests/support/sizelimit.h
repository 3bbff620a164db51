// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs body in a child process whose files may not grow past limit bytes,
// as on a nearly full disk (root ignores permission bits, not this). Only
// the child feels the limit; a write past it fails with EFBIG. Returns the
// text body returned, or nullopt when the child could not set the limit or
// did not end normally.
inline std::optional<QByteArray> underFileSizeLimit(rlim_t limit, const std::function<QByteArray()> &body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        // The child only runs body and leaves: no event loop, no QtTest.
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0)
            ::_exit(4);
        QByteArray text;
        try {
            text = body();
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(::write(fds[1], text.constData(), std::size_t(text.size())) == text.size() ? 0 : 3);
    }
    ::close(fds[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}
