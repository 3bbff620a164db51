// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/flatgroupbox.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace {
// Kept clear of the frame's shading.
constexpr int FaceInset = 2;
} // namespace

FlatGroupBox::FlatGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent) {}

FlatGroupBox::Look FlatGroupBox::look() const
{
    // Everything the style's drawing depends on.
    return {size(), title(), palette().cacheKey(), font().key(), isEnabled(), isActiveWindow(), isCheckable()};
}

void FlatGroupBox::drawStyle(QPainter &p)
{
    // What QGroupBox::paintEvent draws.
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    style()->drawComplexControl(QStyle::CC_GroupBox, &option, &p, this);
    ++styleDraws_;
}

void FlatGroupBox::learnFace(const Look &now)
{
    learned_ = now;
    haveLook_ = true;
    faceColour_ = QColor();
    face_ = QRect();
    if (now.checkable || now.size.isEmpty())
        return; // a check box's look follows the mouse

    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect inside = style()
                             ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this)
                             .adjusted(FaceInset, FaceInset, -FaceInset, -FaceInset);
    if (inside.isEmpty())
        return;
    QImage drawn(now.size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    {
        QPainter p(&drawn);
        // As a painter on the widget itself would start out.
        p.setFont(font());
        p.setPen(palette().color(foregroundRole()));
        p.setBrush(palette().brush(backgroundRole()));
        p.setLayoutDirection(layoutDirection());
        drawStyle(p);
    }
    const QRgb first = drawn.pixel(inside.topLeft());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (drawn.pixel(x, y) != first)
                return;
    face_ = inside;
    faceColour_ = QColor::fromRgba(first);
}

void FlatGroupBox::paintEvent(QPaintEvent *event)
{
    const Look now = look();
    if (!haveLook_ || !(now == learned_))
        learnFace(now);
    if (faceColour_.isValid() && face_.contains(event->rect())) {
        QPainter p(this);
        p.fillRect(event->rect(), faceColour_);
        return;
    }
    QPainter p(this);
    drawStyle(p);
}
