// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/knobedit.h"

#include "controls/converterror.h"
#include "controls/knob.h"
#include "controls/listknob.h"
#include "controls/numberknob.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

KnobEdit::KnobEdit(QWidget *parent) : QLineEdit(parent)
{
    // The box shows a knob's value at each turn: laying the text out through
    // the full shaper costs more than the rest of the turn, and numbers and
    // short names gain nothing from it (scripts that need shaping still get it).
    QFont unshaped;
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    setFont(unshaped);
    textMargin_ = CalcTextMargin(QFontDatabase::systemFont(QFontDatabase::GeneralFont), font());
}

int KnobEdit::CalcTextMargin(const QFont &systemFont, const QFont &editFont)
{
    return std::min(QFontMetrics(systemFont).height(), QFontMetrics(editFont).height()) / 4;
}

void KnobEdit::SetTarget(Knob *knob)
{
    targetKnob_ = knob;
}

void KnobEdit::SetAlignment(TextAlign a)
{
    if (a == alignment_)
        return;
    alignment_ = a;
    updateOpaque();
    update();
}

void KnobEdit::updateOpaque()
{
    // Drawn by hand the box covers every pixel of its rectangle, so what lies
    // behind it need not be painted; the line edit's own frame has round
    // corners.
    setAttribute(Qt::WA_OpaquePaintEvent, !hasFocus() && alignment_ != TextAlign::Left);
}

void KnobEdit::HandToKnob()
{
    if (!targetKnob_)
        return;
    QString error;
    try {
        targetKnob_->EdithasChanged();
        return;
    } catch (const ConvertError &e) {
        error = e.message();
    }
    // Outside the handler: a receiver may open a message box and run events.
    emit OnConvertError(this, error);
}

void KnobEdit::focusInEvent(QFocusEvent *event)
{
    savedAlignment_ = alignment_;
    alignment_ = TextAlign::Left;
    updateOpaque();
    QLineEdit::focusInEvent(event);
    update();
}

void KnobEdit::focusOutEvent(QFocusEvent *event)
{
    QPointer<KnobEdit> alive(this);
    HandToKnob();
    if (!alive)
        return;
    alignment_ = savedAlignment_;
    QLineEdit::focusOutEvent(event);
    updateOpaque();
    update();
}

void KnobEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Swallowed: no default button, no beep.
        event->accept();
        if (qobject_cast<NumberKnob *>(targetKnob_.data()) || qobject_cast<ListKnob *>(targetKnob_.data()))
            HandToKnob();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

int KnobEdit::TextWidth(const QFontMetrics &fm, const QString &text)
{
    // Measuring shapes the text, which costs as much as drawing it. A box
    // shows the few values of its knob over and over: their widths are kept
    // (for the font they were measured in).
    if (widthsFont_ != font() || widths_.size() > 512) {
        widths_.clear();
        widthsFont_ = font();
    }
    const auto found = widths_.constFind(text);
    if (found != widths_.constEnd())
        return *found;
    return *widths_.insert(text, fm.horizontalAdvance(text));
}

void KnobEdit::paintEvent(QPaintEvent *event)
{
    if (hasFocus() || alignment_ == TextAlign::Left) {
        QLineEdit::paintEvent(event);
        return;
    }
    // A box shows the few values of its knob over and over: each one's face
    // is drawn once, for the box's look, and copied at every later paint.
    const Look look{size(),       devicePixelRatioF(), palette().cacheKey(), palette().currentColorGroup(),
                    font().key(), isEnabled(),         hasFrame(),           alignment_,
                    textMargin_};
    if (!(look == facesLook_) || faces_.size() > 256) {
        faces_.clear();
        facesLook_ = look;
    }
    const QString text = displayText();
    auto face = faces_.constFind(text);
    if (face == faces_.constEnd())
        face = faces_.insert(text, DrawFace(text));
    QPainter p(this);
    p.drawPixmap(0, 0, *face);
}

QPixmap KnobEdit::DrawFace(const QString &text)
{
    const qreal ratio = devicePixelRatioF();
    QPixmap face(size() * ratio);
    face.setDevicePixelRatio(ratio);
    QPainter p(&face);
    QRect r = rect();
    int margin = 0;
    if (hasFrame()) {
        // A one-pixel outline: the frame colour under the inner fill, far
        // cheaper than stroking a rectangle.
        p.fillRect(r, palette().color(QPalette::WindowText));
        r.adjust(1, 1, -1, -1);
        margin = textMargin_;
    }
    p.fillRect(r, palette().brush(QPalette::Base));
    const QFontMetrics fm(font());
    const int textWidth = TextWidth(fm, text);
    const int right = r.left() + r.width();
    const int x = alignment_ == TextAlign::Right ? right - textWidth - margin : (r.left() + right - textWidth) / 2;
    p.setClipRect(r);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(QPoint(x, r.top() + margin + fm.ascent()), text);
    p.end();
    return face;
}
