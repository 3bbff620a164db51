// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/knobedit.h"

#include <QColor>
#include <QHash>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>

class KnobMenu;

// The program's rotary control. Its position is a whole number of steps,
// the tick, 0 .. NumTicks - 1; subclasses map ticks to numbers or strings.
// Turned by a left-button drag, by the keyboard, by the mouse wheel (a tick
// per notch) or from the tick menu (right button); every change is reported
// through the signals OnChanging and OnChanged.
//
// Until the knob has been painted once, SetTick stores any tick unchecked and
// fires nothing, so a window can set its knobs up in any order.
class Knob : public QWidget {
    Q_OBJECT
public:
    explicit Knob(QWidget *parent = nullptr);
    ~Knob() override;

    // The family's virtual operations. Changing and Changed emit OnChanging
    // and OnChanged.
    virtual QString GetTickString(int index) const;
    virtual void Changing();
    virtual void Changed();
    virtual void UpdateEdit();
    virtual void EdithasChanged();

    int Tick() const { return tick_; }
    int GetTick() const { return tick_; }
    // The one way a position changes: clamps, repaints the face, refreshes
    // the edit and fires OnChanging then (unless dragging) OnChanged. A
    // knob that is hidden changes silently.
    void SetTick(int t);

    int NumTicks() const { return numTicks_; }
    // Does not re-clamp the tick and does not rebuild the tick menu.
    void SetNumTicks(int n);

    QColor Color() const { return color_; }
    void SetColor(const QColor &c);
    QColor InnerTickColor() const { return innerTickColor_; }
    void SetInnerTickColor(const QColor &c);
    QColor OuterTickColor() const { return outerTickColor_; }
    void SetOuterTickColor(const QColor &c);

    bool FocusOnClick() const { return focusOnClick_; }
    void SetFocusOnClick(bool on) { focusOnClick_ = on; }
    bool RightMenu() const { return rightMenu_; }
    void SetRightMenu(bool on) { rightMenu_ = on; }
    // Shows at the next full paint.
    bool ShowFrame() const { return showFrame_; }
    void SetShowFrame(bool on) { showFrame_ = on; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool on);

    QString Units() const { return units_; }
    void SetUnits(const QString &units);

    KnobEdit *TargetEdit() const { return targetEdit_; }
    // The edit's text follows at the next UpdateEdit.
    void SetTarget(KnobEdit *edit);

    // A further key (a Qt::Key code, 0 for none) that opens the tick menu,
    // as Shift+F10 does.
    int OtherPopupKey() const { return otherPopupKey_; }
    void SetOtherPopupKey(int key) { otherPopupKey_ = key; }

    // Resizes about the centre.
    void SetSize(int width, int height);

    bool PaintedOnce() const { return paintedOnce_; }
    bool Dragging() const { return dragging_; }
    bool MenuBuilt() const { return menuBuilt_; }
    // Geometry of the last full paint.
    int DrawSize() const { return size_; }
    int Inset() const { return inset_; }
    int Centre() const { return h_; }
    // Where the pointer of the current tick ends, in client coordinates.
    QPoint PointerTip() const;
    // The screen band the cursor is held in during the current drag.
    std::optional<QRect> CursorBand() const { return band_; }

    // Builds the tick menu when needed, checks the current tick and opens it.
    // Does nothing when RightMenu is false.
    void ShowTickMenu(const QPoint &globalPos);
    KnobMenu *TickMenu() const { return menu_; }

    QSize sizeHint() const override { return QSize(33, 33); }

signals:
    // Each step of a turn, then its end: a drag reports OnChanged once, at
    // the release (every release reports it, turned or not); any other
    // change reports both at once. A handler may delete the knob.
    void OnChanging(Knob *sender);
    void OnChanged(Knob *sender);
    // After the knob has handled the mouse event.
    void OnMouseDown(Knob *sender, QMouseEvent *event);
    void OnMouseMove(Knob *sender, QMouseEvent *event);
    void OnMouseUp(Knob *sender, QMouseEvent *event);

protected:
    // The tick menu is rebuilt at its next opening.
    void DiscardTickMenu() { menuBuilt_ = false; }
    // For EdithasChanged: typed text without a digit is no value. The knob
    // keeps its own and shows it again in the edit; anything but blanks is
    // reported by throwing ConvertError.
    void RefuseTypedText(const QString &typed);

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

    QPointer<KnobEdit> targetEdit_;
    QString units_;

private:
    void BuildTickMenu();
    void QuickPaint();
    QRect FaceRect() const;
    QRect PointerRect(int tick) const;
    int CalcKnobPosition(QPoint client) const;
    void SetClip();
    void EndDrag();
    // One tick up (direction > 0) or down, as an arrow key turns; false
    // when already at that end.
    bool StepTick(int direction);
    void PostMenuClick();
    QRect ScreenRect() const;

    int tick_ = 0;
    int numTicks_ = 100;
    QColor color_{0, 0, 255};
    QColor innerTickColor_{128, 128, 128};
    QColor outerTickColor_{0, 0, 0};
    bool focusOnClick_ = false;
    bool rightMenu_ = true;
    bool showFrame_ = false;
    int otherPopupKey_ = 0;

    bool dragging_ = false;
    bool paintedOnce_ = false;
    bool menuBuilt_ = false;
    int fullSize_ = 33; // smaller of width and height
    int size_ = 33;     // less the frame
    int inset_ = 0;
    int h_ = 16;
    QRect drawnPointer_;
    // The knob without its pointer, as the last full paint drew it: the
    // parent's background behind it, focus marks, frame, ring and face.
    void DrawDial();
    QPixmap dial_;
    // The pointer of each tick drawn so far, since the last full paint.
    const QPixmap &Pointer(int tick, const QRect &rect);
    QHash<int, QPixmap> pointers_;
    // Screen point the drag last turned from: the tip at the press, then
    // each point the cursor moved to.
    QPoint dragFrom_;
    std::optional<QRect> band_;
    // Wheel rotation not yet turned into ticks, less than a notch.
    int wheelRest_ = 0;
    KnobMenu *menu_ = nullptr;
};
