// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/knobmenu.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

KnobMenu::KnobMenu(QWidget *parent) : QWidget(parent, Qt::Popup)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void KnobMenu::Clear()
{
    items_.clear();
    active_ = -1;
    laidOut_ = false;
}

void KnobMenu::AddItem(const QString &caption, int tag, bool columnBreak)
{
    items_.push_back(Item{caption, tag, columnBreak, false});
    laidOut_ = false;
}

void KnobMenu::SetCheckedIndex(int index)
{
    for (int i = 0; i < items_.size(); ++i)
        items_[i].checked = i == index;
    update();
}

int KnobMenu::BarWidth() const
{
    return 6;
}

void KnobMenu::Layout() const
{
    if (laidOut_)
        return;
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const int hMargin = style()->pixelMetric(QStyle::PM_MenuHMargin, nullptr, this);
    const int vMargin = style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, this);
    const QFontMetrics fm(font());

    rects_.resize(items_.size());
    columns_.resize(items_.size());
    barX_.clear();

    // Measure each item, then place the columns side by side.
    QVector<QSize> sizes(items_.size());
    int column = 0;
    for (int i = 0; i < items_.size(); ++i) {
        if (items_[i].columnBreak)
            ++column;
        columns_[i] = column;
        QStyleOptionMenuItem opt;
        opt.initFrom(this);
        opt.text = items_[i].caption;
        opt.menuItemType = QStyleOptionMenuItem::Normal;
        opt.checkType = QStyleOptionMenuItem::NonExclusive;
        opt.menuHasCheckableItems = true;
        opt.fontMetrics = fm;
        sizes[i] = style()->sizeFromContents(QStyle::CT_MenuItem, &opt,
                                             QSize(fm.horizontalAdvance(items_[i].caption), fm.height()), this);
    }
    const int columnCount = items_.isEmpty() ? 0 : column + 1;
    QVector<int> widths(columnCount, 0);
    for (int i = 0; i < items_.size(); ++i)
        widths[columns_[i]] = std::max(widths[columns_[i]], sizes[i].width());

    int x = frame + hMargin;
    int tallest = 0;
    int i = 0;
    for (int c = 0; c < columnCount; ++c) {
        if (c > 0) {
            barX_.push_back(x + BarWidth() / 2);
            x += BarWidth();
        }
        int y = frame + vMargin;
        for (; i < items_.size() && columns_[i] == c; ++i) {
            rects_[i] = QRect(x, y, widths[c], sizes[i].height());
            y += sizes[i].height();
        }
        tallest = std::max(tallest, y);
        x += widths[c];
    }
    size_ = QSize(x + hMargin + frame, tallest + vMargin + frame);
    laidOut_ = true;
}

int KnobMenu::Column(int i) const
{
    Layout();
    return columns_.at(i);
}

int KnobMenu::ColumnCount() const
{
    return items_.isEmpty() ? 0 : Column(int(items_.size()) - 1) + 1;
}

QRect KnobMenu::ItemRect(int i) const
{
    Layout();
    return rects_.at(i);
}

int KnobMenu::ItemAt(QPoint p) const
{
    Layout();
    for (int i = 0; i < rects_.size(); ++i)
        if (rects_[i].contains(p))
            return i;
    return -1;
}

QSize KnobMenu::sizeHint() const
{
    Layout();
    return size_;
}

void KnobMenu::Popup(const QPoint &globalPos)
{
    Layout();
    active_ = -1;
    resize(size_);
    QPoint at = globalPos;
    if (const QScreen *s = QGuiApplication::screenAt(globalPos)) {
        const QRect screen = s->availableGeometry();
        at.setX(std::max(screen.left(), std::min(at.x(), screen.right() - size_.width() + 1)));
        at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() - size_.height() + 1)));
    }
    move(at);
    show();
    setFocus(Qt::PopupFocusReason);
}

void KnobMenu::Choose(int i)
{
    if (i < 0 || i >= items_.size())
        return;
    const int tag = items_[i].tag;
    hide();
    emit OnChoose(tag);
}

void KnobMenu::SetActive(int i)
{
    if (i == active_)
        return;
    active_ = i;
    update();
}

void KnobMenu::paintEvent(QPaintEvent *)
{
    Layout();
    QPainter p(this);
    QStyleOption panel;
    panel.initFrom(this);
    panel.rect = rect();
    p.fillRect(rect(), palette().brush(QPalette::Window));
    style()->drawPrimitive(QStyle::PE_PanelMenu, &panel, &p, this);
    style()->drawPrimitive(QStyle::PE_FrameMenu, &panel, &p, this);

    const QFontMetrics fm(font());
    for (int i = 0; i < items_.size(); ++i) {
        QStyleOptionMenuItem opt;
        opt.initFrom(this);
        opt.rect = rects_[i];
        opt.menuRect = rect();
        opt.text = items_[i].caption;
        opt.menuItemType = QStyleOptionMenuItem::Normal;
        opt.checkType = QStyleOptionMenuItem::NonExclusive;
        opt.checked = items_[i].checked;
        opt.menuHasCheckableItems = true;
        opt.fontMetrics = fm;
        opt.state = QStyle::State_Enabled;
        if (i == active_)
            opt.state |= QStyle::State_Selected;
        style()->drawControl(QStyle::CE_MenuItem, &opt, &p, this);
    }

    // The separator bars between columns.
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    for (int x : barX_) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(x - 1, frame + 1, x - 1, height() - frame - 2);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(x, frame + 1, x, height() - frame - 2);
    }
}

void KnobMenu::mouseMoveEvent(QMouseEvent *event)
{
    SetActive(ItemAt(event->position().toPoint()));
}

void KnobMenu::mouseReleaseEvent(QMouseEvent *event)
{
    const int i = ItemAt(event->position().toPoint());
    if (i >= 0)
        Choose(i);
}

void KnobMenu::leaveEvent(QEvent *)
{
    SetActive(-1);
}

void KnobMenu::keyPressEvent(QKeyEvent *event)
{
    const int count = int(items_.size());
    if (count == 0) {
        if (event->key() == Qt::Key_Escape)
            hide();
        return;
    }
    int from = active_;
    if (from < 0) {
        // Keyboard navigation starts at the checked item.
        from = 0;
        for (int i = 0; i < count; ++i)
            if (items_[i].checked)
                from = i;
    }
    // The same row in the neighbouring column, or that column's last item.
    auto sideways = [this, count, from](int direction) {
        const int column = Column(from);
        const int target = column + direction;
        if (target < 0 || target >= ColumnCount())
            return from;
        int first = 0;
        while (Column(first) != column)
            ++first;
        const int row = from - first;
        int targetFirst = 0;
        while (Column(targetFirst) != target)
            ++targetFirst;
        int last = targetFirst;
        while (last + 1 < count && Column(last + 1) == target)
            ++last;
        return std::min(targetFirst + row, last);
    };
    switch (event->key()) {
    case Qt::Key_Up: SetActive(active_ < 0 ? from : (from + count - 1) % count); break;
    case Qt::Key_Down: SetActive(active_ < 0 ? from : (from + 1) % count); break;
    case Qt::Key_Left: SetActive(sideways(-1)); break;
    case Qt::Key_Right: SetActive(sideways(+1)); break;
    case Qt::Key_Home: SetActive(0); break;
    case Qt::Key_End: SetActive(count - 1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (active_ >= 0)
            Choose(active_);
        break;
    case Qt::Key_Escape: hide(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}
