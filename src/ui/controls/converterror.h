// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/quorvexerror.h"

// A text that should be a number is not one. Raised by ParseUnitValue and
// passed on by the knobs' text entry; the knob keeps its value. A kind of
// QuorvexError, so one that escapes a handler still reaches the error box.
class ConvertError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};
