#include "controls/tgroupbox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

TGroupBox::TGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent)
{
    // The image holds what lies behind the box too, so nothing behind it is
    // painted when part of the box is.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TGroupBox::Look TGroupBox::look() const
{
    // Everything the style's drawing depends on for a box that is not checkable.
    return {size(), pos(), title(), palette().cacheKey(), font().key(), isEnabled(), isActiveWindow(), devicePixelRatioF()};
}

void TGroupBox::paintEvent(QPaintEvent *event)
{
    const Look now = look();
    if (isCheckable() || now.size.isEmpty()) {
        QPainter(this).fillRect(event->rect(), palette().window());
        QGroupBox::paintEvent(event);
        return;
    }
    if (drawn_.isNull() || !(now == drawnLook_)) {
        // The format of a window's backing store, so the style's blending
        // comes out the same as on screen.
        drawn_ = QImage(now.size * now.ratio, QImage::Format_RGB32);
        drawn_.setDevicePixelRatio(now.ratio);
        drawn_.fill(palette().color(QPalette::Window));
        QPainter under(&drawn_);
        // A box inside another box stands on that box's tinted face.
        if (QWidget *parent = parentWidget())
            parent->render(&under, QPoint(), QRegion(geometry()), RenderFlags(DrawWindowBackground));
        under.end();
        // What QGroupBox::paintEvent draws, into the image.
        QPainter into(&drawn_);
        // As a painter on the widget itself would start out.
        into.setFont(font());
        into.setPen(palette().color(foregroundRole()));
        into.setBrush(palette().brush(backgroundRole()));
        into.setLayoutDirection(layoutDirection());
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &into, this);
        drawnLook_ = now;
        ++styleDraws_;
    }
    QPainter p(this);
    for (const QRect &r : event->region())
        p.drawImage(r, drawn_, QRectF(r.topLeft() * now.ratio, r.size() * now.ratio));
}
