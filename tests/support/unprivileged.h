// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <unistd.h>

// Root writes to read-only files: a test run by root acts as an
// unprivileged user over a folder handed to it, for as long as this lives.
class Unprivileged {
public:
    explicit Unprivileged(const QString &folder)
    {
        constexpr uid_t Nobody = 65534;
        QStringList paths{folder};
        QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << it.next();
        for (const QString &path : paths)
            if (::chown(QFile::encodeName(path).constData(), Nobody, Nobody) != 0)
                return;
        ok_ = ::setegid(Nobody) == 0 && ::seteuid(Nobody) == 0;
    }
    ~Unprivileged()
    {
        if (::geteuid() != 0) {
            [[maybe_unused]] const int u = ::seteuid(0);
            [[maybe_unused]] const int g = ::setegid(0);
        }
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};
