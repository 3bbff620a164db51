// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/guard.h"

#include "model/quorvexerror.h"
#include "session/prompter.h"

#include <QDebug>

bool guarded(Prompter &prompter, const QString &applicationTitle, const std::function<void()> &body)
{
    return guarded([&](const QString &message) { prompter.errorBox(applicationTitle, message); }, body);
}

bool guarded(const std::function<void(const QString &)> &report, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const Abort &) {
    } catch (const QuorvexError &e) {
        report(e.message());
    } catch (const std::exception &e) {
        // Not ours (out of memory, a library's own error): still never cross the event loop.
        report(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
