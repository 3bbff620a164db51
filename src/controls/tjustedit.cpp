#include "controls/tjustedit.h"

#include "controls/converterror.h"
#include "controls/tnxknob.h"
#include "controls/tnxlistknob.h"
#include "controls/tnxnumberknob.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

TJustEdit::TJustEdit(QWidget *parent)
    : QLineEdit(parent)
{
    textMargin_ = CalcTextMargin(QFontDatabase::systemFont(QFontDatabase::GeneralFont), font());
}

int TJustEdit::CalcTextMargin(const QFont &systemFont, const QFont &editFont)
{
    return std::min(QFontMetrics(systemFont).height(), QFontMetrics(editFont).height()) / 4;
}

void TJustEdit::SetTarget(TNxKnob *knob)
{
    targetKnob_ = knob;
}

void TJustEdit::SetAlignment(TextAlign a)
{
    if (a == alignment_)
        return;
    alignment_ = a;
    update();
}

void TJustEdit::HandToKnob()
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

void TJustEdit::focusInEvent(QFocusEvent *event)
{
    savedAlignment_ = alignment_;
    alignment_ = TextAlign::Left;
    QLineEdit::focusInEvent(event);
    update();
}

void TJustEdit::focusOutEvent(QFocusEvent *event)
{
    QPointer<TJustEdit> alive(this);
    HandToKnob();
    if (!alive)
        return;
    alignment_ = savedAlignment_;
    QLineEdit::focusOutEvent(event);
    update();
}

void TJustEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Swallowed: no default button, no beep.
        event->accept();
        if (qobject_cast<TNxNumberKnob *>(targetKnob_.data()) || qobject_cast<TNxListKnob *>(targetKnob_.data()))
            HandToKnob();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TJustEdit::paintEvent(QPaintEvent *event)
{
    if (hasFocus() || alignment_ == TextAlign::Left) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter p(this);
    QRect r = rect();
    int margin = 0;
    if (hasFrame()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
        margin = textMargin_;
    }
    p.fillRect(r, palette().brush(QPalette::Base));
    const QString text = displayText();
    const QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(text);
    const int right = r.left() + r.width();
    const int x = alignment_ == TextAlign::Right ? right - textWidth - margin : (r.left() + right - textWidth) / 2;
    p.setClipRect(r);
    p.setFont(font());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(QPoint(x, r.top() + margin + fm.ascent()), text);
}
