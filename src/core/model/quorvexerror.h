// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// An operation that failed; the message is what the error box shows.
class QuorvexError : public std::exception {
public:
    explicit QuorvexError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString &message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// The user cancelled a question: unwinds to the event loop without a message.
class Abort : public std::exception {
public:
    const char *what() const noexcept override { return "Abort"; }
};
