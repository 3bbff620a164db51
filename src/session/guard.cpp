// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/guard.h"

#include "model/quorvexerror.h"
#include "session/prompter.h"

#include <QDebug>

bool guarded(Prompter &prompter, const QString &applicationTitle, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const Abort &) {
    } catch (const QuorvexError &e) {
        prompter.errorBox(applicationTitle, e.message());
    } catch (const std::exception &e) {
        // Not ours (out of memory, a library's own error): still never cross the event loop.
        prompter.errorBox(applicationTitle, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
