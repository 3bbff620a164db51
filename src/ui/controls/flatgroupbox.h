// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QGroupBox>
#include <QRect>

// A group box that paints the inside of its frame as one flat fill. A knob,
// label or value box inside repaints the part of the box behind it at every
// change; the style would lay out the caption text and stretch its frame
// image each time, which costs far more than the control itself. The flat
// colour is taken from the style's own drawing, and only where that drawing
// is flat; elsewhere the style draws as usual.
class FlatGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit FlatGroupBox(const QString &title, QWidget *parent = nullptr);

    // Times the style drew the box (to paint it, or to learn its face).
    int StyleDraws() const { return styleDraws_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Look {
        QSize size;
        QString title;
        qint64 palette = 0;
        QString font;
        bool enabled = false;
        bool active = false;
        bool checkable = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const;
    void drawStyle(QPainter &p);
    // Learns the flat face: where it is and its colour (invalid when the
    // style draws none).
    void learnFace(const Look &now);

    Look learned_;
    bool haveLook_ = false;
    QRect face_;
    QColor faceColour_;
    int styleDraws_ = 0;
};
