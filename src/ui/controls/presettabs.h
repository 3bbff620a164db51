// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;

#include <vector>

// A row of tabs that wraps onto further rows when the width runs out, so
// every tab stays in sight. The row holding the selected tab sits at the
// bottom, next to the page it selects. A tab dragged onto another asks for
// the two to be swapped (copied with Ctrl); a preset's record dropped on a
// tab asks for it to go there. The control only says so: what a tab holds
// is its owner's.
class PresetTabs : public QWidget {
    Q_OBJECT
public:
    // A preset's 31 record bytes, dragged from elsewhere.
    static constexpr char PresetMimeType[] = "application/x-quorvex-preset";
    // A tab dragged within this control.
    static constexpr char TabMimeType[] = "application/x-quorvex-tab";
    // Pixels of space beside a label at most.
    static constexpr int MaxLabelSpace = 12;

    explicit PresetTabs(QWidget *parent = nullptr);

    int addTab(const QString &text);
    int count() const { return int(texts_.size()); }
    QString tabText(int index) const { return texts_.value(index); }

    int currentIndex() const { return current_; }
    // Emits currentChanged when the index changes; an index outside the tabs
    // is refused.
    void setCurrentIndex(int index);

    int rowCount() const;
    // The tab at a point of the widget, -1 for none.
    int tabAt(const QPoint &pos) const;
    QRect tabRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

signals:
    void currentChanged(int index);
    // Tab `from` was dropped on tab `to` (never the same): swap them, or
    // copy `from` over `to`.
    void tabDropped(int from, int to, bool copy);
    // A preset's record was dropped on tab `to`.
    void presetDropped(int to, const QByteArray &record);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QSize tabSize(int index) const;
    // Rows of tab indices for a width, top to bottom, the selected tab's row last.
    std::vector<std::vector<int>> rowsFor(int width) const;
    // Lays the tabs out for the current width when that changed; a hidden
    // widget gets no resize event.
    void relayout() const;

    // Whether a drop there does anything.
    bool acceptsDrop(const QDropEvent *event) const;
    QByteArray tabDragData(int index) const;
    // The index of a tab of this control the data carries; -1 for none.
    int draggedTab(const QMimeData *mime) const;

    QStringList texts_;
    int current_ = -1;
    int pressedTab_ = -1;
    QPoint pressedAt_;
    mutable std::vector<QRect> rects_;
    mutable std::vector<QSize> sizes_; // of each tab, for the current font
    mutable int rows_ = 1;
    mutable int laidOutWidth_ = -1;
    mutable int laidOutCurrent_ = -1;
    mutable int laidOutCount_ = -1;
};
