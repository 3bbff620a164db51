// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/presettabs.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>

#include <algorithm>

PresetTabs::PresetTabs(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAcceptDrops(true);
}

int PresetTabs::addTab(const QString &text)
{
    texts_.append(text);
    if (current_ < 0)
        current_ = 0;
    // Laid out when first asked: sixteen tabs added one by one would lay
    // the row out sixteen times.
    updateGeometry();
    return count() - 1;
}

void PresetTabs::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == current_)
        return;
    current_ = index;
    relayout();
    update();
    emit currentChanged(index);
}

QSize PresetTabs::tabSize(int index) const
{
    if (index < 0 || index >= count())
        return {};
    // Measured once per text and font: the rows are laid out again at every
    // resize and every change of the selected tab.
    if (sizes_.size() != std::size_t(count())) {
        // The style's own label spacing, capped: sixteen short labels ("A1")
        // then fit in one row beside the file list at the design width.
        const QFontMetrics fm = fontMetrics();
        const int h = std::min(MaxLabelSpace, style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, this));
        const int v = std::min(8, style()->pixelMetric(QStyle::PM_TabBarTabVSpace, nullptr, this));
        sizes_.clear();
        for (const QString &text : texts_)
            sizes_.push_back(QSize(fm.horizontalAdvance(text) + h, fm.height() + v));
    }
    return sizes_[std::size_t(index)];
}

std::vector<std::vector<int>> PresetTabs::rowsFor(int width) const
{
    std::vector<std::vector<int>> rows(1);
    int used = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = tabSize(i).width();
        if (!rows.back().empty() && used + w > width) {
            rows.emplace_back();
            used = 0;
        }
        rows.back().push_back(i);
        used += w;
    }
    const auto selected = std::find_if(rows.begin(), rows.end(), [this](const std::vector<int> &row) {
        return std::find(row.begin(), row.end(), current_) != row.end();
    });
    if (selected != rows.end())
        std::rotate(selected, selected + 1, rows.end());
    return rows;
}

void PresetTabs::relayout() const
{
    if (laidOutWidth_ == width() && laidOutCurrent_ == current_ && laidOutCount_ == count())
        return;
    laidOutWidth_ = width();
    laidOutCurrent_ = current_;
    laidOutCount_ = count();
    rects_.assign(std::size_t(count()), QRect());
    const auto rows = rowsFor(std::max(1, width()));
    rows_ = int(rows.size());
    const int h = count() ? tabSize(0).height() : 0;
    int y = 0;
    for (const auto &row : rows) {
        int x = 0;
        for (int i : row) {
            const int w = tabSize(i).width();
            rects_[std::size_t(i)] = QRect(x, y, w, h);
            x += w;
        }
        y += h;
    }
}

int PresetTabs::rowCount() const
{
    relayout();
    return rows_;
}

QRect PresetTabs::tabRect(int index) const
{
    relayout();
    return index >= 0 && index < int(rects_.size()) ? rects_[std::size_t(index)] : QRect();
}

int PresetTabs::tabAt(const QPoint &pos) const
{
    relayout();
    for (int i = 0; i < int(rects_.size()); ++i)
        if (rects_[std::size_t(i)].contains(pos))
            return i;
    return -1;
}

int PresetTabs::heightForWidth(int width) const
{
    const int h = count() ? tabSize(0).height() : 0;
    return int(rowsFor(std::max(1, width)).size()) * h + 2;
}

QSize PresetTabs::sizeHint() const
{
    int w = 0;
    for (int i = 0; i < count(); ++i)
        w += tabSize(i).width();
    return QSize(w, heightForWidth(w));
}

QSize PresetTabs::minimumSizeHint() const
{
    return QSize(count() ? tabSize(0).width() : 0, heightForWidth(width()));
}

void PresetTabs::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void PresetTabs::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        sizes_.clear();
        laidOutWidth_ = -1;
        relayout();
        updateGeometry();
    }
}

void PresetTabs::paintEvent(QPaintEvent *)
{
    relayout();
    QStylePainter p(this);
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = QTabBar::RoundedNorth;
    base.rect = QRect(0, height() - 2, width(), 2);
    base.selectedTabRect = tabRect(current_);
    p.drawPrimitive(QStyle::PE_FrameTabBarBase, base);

    // The selected tab last, so it overlaps its neighbours.
    std::vector<int> order;
    for (int i = 0; i < count(); ++i)
        if (i != current_)
            order.push_back(i);
    if (current_ >= 0)
        order.push_back(current_);
    for (int i : order) {
        QStyleOptionTab opt;
        opt.initFrom(this);
        opt.shape = QTabBar::RoundedNorth;
        opt.text = texts_[i];
        opt.rect = rects_[std::size_t(i)];
        opt.row = 0;
        opt.position = QStyleOptionTab::Middle;
        opt.selectedPosition = QStyleOptionTab::NotAdjacent;
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (i == current_) {
            opt.state |= QStyle::State_Selected;
            if (hasFocus())
                opt.state |= QStyle::State_HasFocus;
        }
        // The shape from the style, the label centred by hand: the style's
        // own label layout keeps margins a short tab has no room for.
        p.drawControl(QStyle::CE_TabBarTabShape, opt);
        p.drawItemText(opt.rect, Qt::AlignCenter | Qt::TextShowMnemonic, opt.palette, isEnabled(), opt.text,
                       QPalette::WindowText);
    }
}

void PresetTabs::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int i = tabAt(event->position().toPoint());
    pressedTab_ = i;
    pressedAt_ = event->position().toPoint();
    if (i >= 0)
        setCurrentIndex(i);
}

void PresetTabs::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || pressedTab_ < 0 ||
        (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    auto *mime = new QMimeData;
    mime->setData(QLatin1String(TabMimeType), tabDragData(pressedTab_));
    mime->setText(tabText(pressedTab_));
    pressedTab_ = -1;
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

QByteArray PresetTabs::tabDragData(int index) const
{
    // Which control it came from, so a tab of another window is no tab here.
    return QByteArray::number(quintptr(this)) + ':' + QByteArray::number(index);
}

int PresetTabs::draggedTab(const QMimeData *mime) const
{
    const QList<QByteArray> parts = mime->data(QLatin1String(TabMimeType)).split(':');
    bool ours = false, ok = false;
    if (parts.size() != 2 || parts[0].toULongLong(&ours) != quintptr(this) || !ours)
        return -1;
    const int from = parts[1].toInt(&ok);
    return ok && from >= 0 && from < count() ? from : -1;
}

bool PresetTabs::acceptsDrop(const QDropEvent *event) const
{
    const int to = tabAt(event->position().toPoint());
    const QMimeData *mime = event->mimeData();
    if (to < 0 || !mime)
        return false;
    if (mime->hasFormat(QLatin1String(TabMimeType))) {
        const int from = draggedTab(mime);
        return from >= 0 && from != to;
    }
    return mime->hasFormat(QLatin1String(PresetMimeType));
}

void PresetTabs::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (mime && (mime->hasFormat(QLatin1String(TabMimeType)) || mime->hasFormat(QLatin1String(PresetMimeType))))
        event->acceptProposedAction();
}

void PresetTabs::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PresetTabs::dropEvent(QDropEvent *event)
{
    if (!acceptsDrop(event)) {
        event->ignore();
        return;
    }
    const int to = tabAt(event->position().toPoint());
    const QMimeData *mime = event->mimeData();
    event->acceptProposedAction();
    if (mime->hasFormat(QLatin1String(TabMimeType))) {
        // Ctrl held at the drop copies; the action the platform proposes
        // without a key differs from one platform to the next.
        const bool copy = event->modifiers() & Qt::ControlModifier;
        emit tabDropped(draggedTab(mime), to, copy);
    } else {
        emit presetDropped(to, mime->data(QLatin1String(PresetMimeType)));
    }
}

void PresetTabs::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left: setCurrentIndex(current_ - 1); break;
    case Qt::Key_Right: setCurrentIndex(current_ + 1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}
