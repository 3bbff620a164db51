// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A one-line plain-text label that gives up width before anything beside it
// does: squeezed, it shows its text shortened (the whole text stays its
// text()) and tells the whole on hovering unless it has a hint of its own.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget *parent = nullptr);

    // The widest the text is ever shown, however much room there is; 0 for
    // no such limit.
    void setMaximumTextWidth(int pixels);

    // The text as it is drawn now.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int textRoom(int width) const;

    Qt::TextElideMode mode_;
    int maximumTextWidth_ = 0;
};
