#pragma once

#include <QGroupBox>
#include <QImage>

// A group box that keeps its drawn frame and caption in an image. A knob
// or value box inside repaints the part of the box behind it at every
// change; the style would otherwise lay out the caption text and stretch
// its frame image each time, which costs far more than the knob itself.
// Not for checkable boxes (their look follows the mouse).
class TGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TGroupBox(const QString &title, QWidget *parent = nullptr);

    // Times the box was drawn by the style (not copied from the image).
    int StyleDraws() const { return styleDraws_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Look {
        QSize size;
        QPoint pos;
        QString title;
        qint64 palette = 0;
        QString font;
        bool enabled = false;
        bool active = false;
        qreal ratio = 1.0;
        bool operator==(const Look &) const = default;
    };
    Look look() const;

    QImage drawn_;
    Look drawnLook_;
    int styleDraws_ = 0;
};
