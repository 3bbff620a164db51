// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/elidedlabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

namespace {
// Squeezed, a label keeps room for about this many characters.
constexpr int MinimumChars = 8;
} // namespace

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget *parent) : QLabel(parent), mode_(mode)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ElidedLabel::setMaximumTextWidth(int pixels)
{
    maximumTextWidth_ = pixels;
    updateGeometry();
    update();
}

int ElidedLabel::textRoom(int width) const
{
    const QMargins m = contentsMargins();
    int room = width - m.left() - m.right() - 2 * margin();
    if (maximumTextWidth_ > 0)
        room = std::min(room, maximumTextWidth_);
    return std::max(0, room);
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), mode_, textRoom(width()));
}

QSize ElidedLabel::sizeHint() const
{
    QSize hint = QLabel::sizeHint();
    if (maximumTextWidth_ > 0) {
        const int whole = fontMetrics().horizontalAdvance(text());
        hint.rwidth() -= std::max(0, whole - maximumTextWidth_);
    }
    return hint;
}

QSize ElidedLabel::minimumSizeHint() const
{
    QSize hint = sizeHint();
    const int least = fontMetrics().averageCharWidth() * MinimumChars;
    hint.setWidth(std::min(hint.width(), least + contentsMargins().left() + contentsMargins().right()));
    return hint;
}

bool ElidedLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && shownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    room.setWidth(textRoom(width()));
    style()->drawItemText(&p, room, int(alignment()), palette(), isEnabled(), shownText(), foregroundRole());
}
