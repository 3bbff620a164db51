// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/wakefd.h"

#include <cstdint>
#include <fcntl.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/eventfd.h>
#endif

WakeFd::WakeFd()
{
#ifdef __linux__
    readFd_ = writeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#else
    int fds[2];
    if (::pipe(fds) == 0) {
        for (const int fd : fds) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        readFd_ = fds[0];
        writeFd_ = fds[1];
    }
#endif
}

WakeFd::~WakeFd()
{
    if (readFd_ >= 0)
        ::close(readFd_);
    if (writeFd_ >= 0 && writeFd_ != readFd_)
        ::close(writeFd_);
}

void WakeFd::signal()
{
    const std::uint64_t one = 1;
    // A full pipe is readable already, which is all a wake-up needs.
    [[maybe_unused]] const auto written = ::write(writeFd_, &one, readFd_ == writeFd_ ? sizeof one : 1);
}

void WakeFd::clear()
{
    std::uint64_t buffer[8];
    while (::read(readFd_, buffer, sizeof buffer) > 0) {}
}
