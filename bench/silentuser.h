// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/prompter.h"

// The user during a benchmark: every question gets the same answer (Cancel
// unless told otherwise), no file or item is chosen, notices go unseen.
struct SilentUser : Prompter {
    explicit SilentUser(Button answer = Button::Cancel) : answer_(answer) {}
    Button question(const QString &, const QString &, const QList<Button> &, Icon) override { return answer_; }
    void notice(const QString &, const QString &, Icon) override {}
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override { return {}; }
    int chooseItem(const QString &, const QString &, const QStringList &, int) override { return -1; }

private:
    Button answer_;
};
