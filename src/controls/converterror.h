#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A text that should be a number is not one. Raised by ParseUnitValue and
// passed on by the knobs' text entry; the knob keeps its value.
class ConvertError : public std::exception {
public:
    explicit ConvertError(QString message)
        : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString &message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
