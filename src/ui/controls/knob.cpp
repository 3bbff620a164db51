// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/knob.h"

#include "controls/converterror.h"
#include "controls/knobedit.h"
#include "controls/knobmath.h"
#include "controls/knobmenu.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cstdint>

Knob::Knob(QWidget *parent) : QWidget(parent)
{
    // The knob draws its parent's background itself (see DrawDial).
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(33, 33);
    setFocusPolicy(Qt::NoFocus);
    menu_ = new KnobMenu(this);
    connect(menu_, &KnobMenu::OnChoose, this, &Knob::SetTick);
}

Knob::~Knob() = default;

QString Knob::GetTickString(int) const
{
    return QStringLiteral(" ");
}

void Knob::Changing()
{
    emit OnChanging(this);
}

void Knob::Changed()
{
    emit OnChanged(this);
}

void Knob::UpdateEdit()
{
    if (targetEdit_)
        targetEdit_->setText(knobmath::cutText(QString::number(tick_) + units_));
}

void Knob::EdithasChanged() {}

void Knob::RefuseTypedText(const QString &typed)
{
    UpdateEdit();
    // A cleared box is no mistake; it just gets the value back.
    if (!typed.trimmed().isEmpty())
        throw ConvertError(tr("'%1' is not a number").arg(typed));
}

void Knob::SetTick(int t)
{
    if (!paintedOnce_) {
        tick_ = t;
        return;
    }
    if (std::int64_t(t) >= numTicks_)
        t = int(std::max<std::int64_t>(std::int64_t(numTicks_) - 1, INT_MIN));
    if (t < 0)
        t = 0;
    if (t == tick_)
        return;
    tick_ = t;
    QuickPaint();
    UpdateEdit();
    // The knob's own visibility flag: a knob on a window that is merely not
    // shown at the moment still reports its changes.
    if (!isHidden()) {
        QPointer<Knob> alive(this);
        Changing();
        if (alive && !dragging_)
            Changed();
    }
}

void Knob::SetNumTicks(int n)
{
    if (n == numTicks_)
        return;
    numTicks_ = n;
    update();
}

void Knob::SetColor(const QColor &c)
{
    if (c == color_)
        return;
    color_ = c;
    update();
}

void Knob::SetInnerTickColor(const QColor &c)
{
    if (c == innerTickColor_)
        return;
    innerTickColor_ = c;
    update();
}

void Knob::SetOuterTickColor(const QColor &c)
{
    if (c == outerTickColor_)
        return;
    outerTickColor_ = c;
    update();
}

void Knob::SetTabStop(bool on)
{
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

void Knob::SetUnits(const QString &units)
{
    if (units == units_)
        return;
    units_ = units;
    update();
}

void Knob::SetTarget(KnobEdit *edit)
{
    targetEdit_ = edit;
}

void Knob::SetSize(int width, int height)
{
    if (width == this->width() && height == this->height())
        return;
    const int dx = (width - this->width()) / 2;
    const int dy = (height - this->height()) / 2;
    setGeometry(x() - dx, y() - dy, width, height);
    update();
}

QPoint Knob::PointerTip() const
{
    return knobmath::pointerPoint(tick_, numTicks_, h_, 0.9);
}

int Knob::CalcKnobPosition(QPoint client) const
{
    return knobmath::tickFromPoint(client, h_, numTicks_);
}

// ---- tick menu

void Knob::BuildTickMenu()
{
    menu_->Clear();
    const int per = knobmath::tickMenuColumnLength(numTicks_);
    for (int i = 0; i < numTicks_; ++i)
        menu_->AddItem(knobmath::cutText(GetTickString(i)), i, knobmath::tickMenuStartsColumn(i, per));
    menuBuilt_ = true;
}

void Knob::ShowTickMenu(const QPoint &globalPos)
{
    if (!rightMenu_)
        return;
    if (!menuBuilt_)
        BuildTickMenu();
    menu_->SetCheckedIndex(tick_);
    menu_->Popup(globalPos);
}

void Knob::PostMenuClick()
{
    const QPointF local(fullSize_ / 2, fullSize_ / 2);
    const QPointF global = mapToGlobal(local);
    QCoreApplication::postEvent(this, new QMouseEvent(QEvent::MouseButtonPress, local, global, Qt::RightButton,
                                                      Qt::RightButton, Qt::NoModifier));
    QCoreApplication::postEvent(this, new QMouseEvent(QEvent::MouseButtonRelease, local, global, Qt::RightButton,
                                                      Qt::NoButton, Qt::NoModifier));
}

// ---- painting

QRect Knob::FaceRect() const
{
    return QRect(QPoint(inset_ + 3, inset_ + 3), QPoint(size_ - 4, size_ - 4));
}

QRect Knob::PointerRect(int tick) const
{
    const QPoint a = knobmath::pointerPoint(tick, numTicks_, h_, 0.5);
    const QPoint b = knobmath::pointerPoint(tick, numTicks_, h_, 0.9);
    // Room for the 3-pixel pen and its round ends.
    return QRect(a, b).normalized().adjusted(-2, -2, 2, 2);
}

void Knob::QuickPaint()
{
    // Only the face and the pointer (where it was and where it goes) are
    // repainted; Qt clips the paint to that region.
    update(FaceRect().united(drawnPointer_).united(PointerRect(tick_)));
}

void Knob::paintEvent(QPaintEvent *event)
{
    const QRect quickRegion = FaceRect().united(drawnPointer_).united(PointerRect(tick_));
    const bool quick = paintedOnce_ && !dial_.isNull() && quickRegion.contains(event->rect());
    if (!quick) {
        fullSize_ = std::min(width(), height());
        size_ = fullSize_;
        inset_ = 0;
        if (showFrame_) {
            size_ -= 3;
            inset_ = 3;
        }
        h_ = size_ / 2;
        UpdateEdit();
        paintedOnce_ = true;
        DrawDial();
    }

    // Everything but the pointer comes from the drawn dial; the knob covers
    // its whole rectangle, so nothing behind it is painted at a turn.
    QPainter p(this);
    p.drawPixmap(0, 0, dial_);

    const QRect pointer = PointerRect(tick_);
    p.drawPixmap(pointer.topLeft(), Pointer(tick_, pointer));
    drawnPointer_ = pointer;
}

const QPixmap &Knob::Pointer(int tick, const QRect &rect)
{
    const auto found = pointers_.constFind(tick);
    if (found != pointers_.constEnd())
        return *found;
    // Each tick's pointer is drawn once: stroking its round ends costs far
    // more than copying the pixels.
    const qreal ratio = dial_.devicePixelRatio();
    QPixmap image(rect.size() * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.translate(-rect.topLeft());
    // A 3-pixel line under a 1-pixel line.
    const QPoint from = knobmath::pointerPoint(tick, numTicks_, h_, 0.5);
    const QPoint to = knobmath::pointerPoint(tick, numTicks_, h_, 0.9);
    // A disabled knob's pointer is drawn in the palette's disabled text colours.
    const bool on = isEnabled();
    p.setPen(QPen(on ? outerTickColor_ : palette().color(QPalette::Disabled, QPalette::Mid), 3, Qt::SolidLine,
                  Qt::RoundCap));
    p.drawLine(from, to);
    p.setPen(QPen(on ? innerTickColor_ : palette().color(QPalette::Disabled, QPalette::WindowText), 1, Qt::SolidLine,
                  Qt::SquareCap));
    p.drawLine(from, to);
    p.end();
    return *pointers_.insert(tick, image);
}

void Knob::DrawDial()
{
    // A full paint may follow a change of size or colours.
    pointers_.clear();
    const qreal ratio = devicePixelRatioF();
    dial_ = QPixmap(size() * ratio);
    dial_.setDevicePixelRatio(ratio);
    const QPalette &pal = palette();
    dial_.fill(pal.color(QPalette::Window));
    QPainter p(&dial_);
    // What lies behind the knob: the part of its parent it covers.
    if (QWidget *parent = parentWidget())
        parent->render(&p, QPoint(), QRegion(geometry()), RenderFlags(DrawWindowBackground));

    const QColor highlight = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const int s = fullSize_;
    if (showFrame_) {
        // Raised: light on the left and top, dark on the right and bottom.
        auto frame = [&p](int l, int t, int r, int b, const QColor &topLeft, const QColor &bottomRight) {
            p.setPen(topLeft);
            p.drawLine(l, b, l, t);
            p.drawLine(l, t, r, t);
            p.setPen(bottomRight);
            p.drawLine(r, t, r, b);
            p.drawLine(r, b, l, b);
        };
        frame(0, 0, s - 1, s - 1, pal.color(QPalette::Button), Qt::black);
        frame(1, 1, s - 2, s - 2, highlight, shadow);
    }
    // Ring: light upper-left half, shadowed lower-right half.
    const QRect ring(QPoint(inset_, inset_), QPoint(size_ - 1, size_ - 1));
    p.setPen(Qt::black);
    p.setBrush(highlight);
    p.drawEllipse(ring.adjusted(0, 0, -1, -1).normalized());
    p.setBrush(shadow);
    p.drawPie(ring.adjusted(0, 0, -1, -1).normalized(), 225 * 16, 180 * 16);
    // Face: a disabled knob keeps only its colour's lightness, washed toward
    // the disabled button colour, so it reads as greyed at a glance.
    QColor face = color_;
    if (!isEnabled()) {
        const int grey = qGray(color_.rgb());
        const QColor button = pal.color(QPalette::Disabled, QPalette::Button);
        face = QColor((grey + button.red()) / 2, (grey + button.green()) / 2, (grey + button.blue()) / 2);
    }
    p.setBrush(face);
    p.drawEllipse(FaceRect().adjusted(0, 0, -1, -1).normalized());
    if (hasFocus()) {
        // The keys turn this knob: a frame in the selection colour, over the
        // ring's edge, so it shows on any face and background.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(pal.color(QPalette::Active, QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(1, 1, s - 2, s - 2), 6, 6);
    }
}

// ---- mouse

QRect Knob::ScreenRect() const
{
    const QScreen *s = screen();
    return s ? s->virtualGeometry() : QRect();
}

void Knob::SetClip()
{
    band_ = knobmath::confinementRect(numTicks_, tick_, h_, mapToGlobal(QPoint(0, 0)), ScreenRect());
    if (!band_)
        return;
    // Qt cannot fence the cursor in; it is put back whenever it leaves.
    const QPoint now = QCursor::pos();
    const QPoint held = knobmath::confinePoint(now, *band_);
    if (held != now)
        QCursor::setPos(held);
}

void Knob::EndDrag()
{
    dragging_ = false;
    band_.reset();
    Changed();
}

void Knob::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (focusOnClick_)
            setFocus(Qt::MouseFocusReason);
        // Start from the drawn pointer's tip, never from the click point, so
        // a press does not make the knob jump. The tip is a whole pixel and
        // can read back as the neighbouring tick; a press alone must not
        // change the setting, so the knob keeps its tick until it is moved.
        // (An X server reports this warp back as a move to the tip, which
        // mouseMoveEvent therefore ignores.)
        dragFrom_ = mapToGlobal(PointerTip());
        QCursor::setPos(dragFrom_);
        // Qt's implicit grab keeps the mouse with this knob until release.
        dragging_ = true;
        SetClip();
    }
    event->accept();
    emit OnMouseDown(this, event);
}

void Knob::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging_) {
        if (!(event->buttons() & Qt::LeftButton)) {
            // The release went elsewhere (grab lost): end the drag here.
            EndDrag();
        } else {
            QPoint global = event->globalPosition().toPoint();
            if (band_) {
                const QPoint held = knobmath::confinePoint(global, *band_);
                if (held != global) {
                    QCursor::setPos(held);
                    global = held;
                }
            }
            // Only a real movement turns the knob: a move to where the drag
            // already is would read the tip's pixel back as a tick.
            if (global != dragFrom_) {
                dragFrom_ = global;
                QPointer<Knob> alive(this);
                SetTick(CalcKnobPosition(mapFromGlobal(global)));
                if (!alive)
                    return;
                SetClip();
            }
        }
    }
    event->accept();
    emit OnMouseMove(this, event);
}

void Knob::mouseReleaseEvent(QMouseEvent *event)
{
    QPointer<Knob> alive(this);
    if (event->button() == Qt::LeftButton) {
        EndDrag();
    } else if (event->button() == Qt::RightButton) {
        ShowTickMenu(event->globalPosition().toPoint());
    }
    if (!alive)
        return;
    event->accept();
    emit OnMouseUp(this, event);
}

void Knob::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A window that goes inactive mid-drag (a message box raised by a change
    // handler, say) never passes the release on: end the drag here, so the
    // knob does not stay in drag mode and keep holding back OnChanged.
    if (event->type() == QEvent::ActivationChange && dragging_ && !isActiveWindow())
        EndDrag();
}

void Knob::contextMenuEvent(QContextMenuEvent *event)
{
    // The tick menu opens at the right button's release; no other menu.
    event->accept();
}

// ---- keyboard and focus

void Knob::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) ||
        (otherPopupKey_ != 0 && key == otherPopupKey_)) {
        PostMenuClick();
        event->accept();
        return;
    }
    const std::int64_t n = numTicks_;
    const std::int64_t t = tick_;
    const std::int64_t step = knobmath::pageStep(numTicks_);
    std::int64_t next = t;
    switch (key) {
    case Qt::Key_PageUp: next = std::min(t + step, n - 1); break;
    case Qt::Key_PageDown: next = std::max<std::int64_t>(t - step, 0); break;
    case Qt::Key_Home: next = 0; break;
    case Qt::Key_End: next = n - 1; break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        event->accept();
        StepTick(-1);
        return;
    case Qt::Key_Up:
    case Qt::Key_Right:
        event->accept();
        StepTick(+1);
        return;
    default: QWidget::keyPressEvent(event); return;
    }
    if (next != t)
        SetTick(int(std::clamp<std::int64_t>(next, INT_MIN, INT_MAX)));
    event->accept();
}

bool Knob::StepTick(int direction)
{
    if (direction > 0 && std::int64_t(tick_) < std::int64_t(numTicks_) - 1) {
        SetTick(tick_ + 1);
        return true;
    }
    if (direction < 0 && tick_ > 0) {
        SetTick(tick_ - 1);
        return true;
    }
    return false;
}

void Knob::wheelEvent(QWheelEvent *event)
{
    // Taken even when the knob does not turn, so a scroll area around it
    // does not scroll while the wheel is over the knob.
    event->accept();
    if (dragging_)
        return;
    // A notch is 120; high-resolution wheels and touchpads send parts of it.
    const std::int64_t total = std::int64_t(wheelRest_) + event->angleDelta().y();
    std::int64_t steps = total / 120;
    wheelRest_ = int(total - steps * 120);
    // A notch per step, each reported as an arrow key's would be.
    const int direction = steps < 0 ? -1 : 1;
    QPointer<Knob> alive(this);
    for (; steps != 0 && alive; steps -= direction)
        if (!StepTick(direction))
            break;
}

void Knob::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void Knob::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}
