// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QVector>
#include <QWidget>

// The knob's tick menu: a pop-up list of items laid out in columns, an item
// flagged as a column break starting a new column behind a separator bar.
// (QMenu cannot break columns.) Items are drawn by the style as menu items,
// with the check mark where set.
class KnobMenu : public QWidget {
    Q_OBJECT
public:
    explicit KnobMenu(QWidget *parent = nullptr);

    void Clear();
    void AddItem(const QString &caption, int tag, bool columnBreak);
    // The check mark goes on item `index` alone (none when out of range).
    void SetCheckedIndex(int index);

    int Count() const { return int(items_.size()); }
    QString Caption(int i) const { return items_.at(i).caption; }
    int Tag(int i) const { return items_.at(i).tag; }
    bool ColumnBreak(int i) const { return items_.at(i).columnBreak; }
    bool IsChecked(int i) const { return items_.at(i).checked; }
    int Column(int i) const;
    int ColumnCount() const;
    QRect ItemRect(int i) const;
    int ItemAt(QPoint p) const;
    int ActiveIndex() const { return active_; }

    // Opens at a screen point, moved so it stays on the screen.
    void Popup(const QPoint &globalPos);
    // Closes and reports item i's tag.
    void Choose(int i);

    QSize sizeHint() const override;

signals:
    // An item was chosen; the menu is already closed.
    void OnChoose(int tag);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Item {
        QString caption;
        int tag = 0;
        bool columnBreak = false;
        bool checked = false;
    };
    void Layout() const;
    void SetActive(int i);
    int BarWidth() const;

    QVector<Item> items_;
    int active_ = -1;
    mutable bool laidOut_ = false;
    mutable QVector<QRect> rects_;
    mutable QVector<int> columns_;
    mutable QVector<int> barX_;
    mutable QSize size_;
};
