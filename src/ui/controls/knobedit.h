// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QHash>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPointer>

class Knob;

// A one-line edit linked to a knob: it shows the knob's value and hands typed
// text to the knob (at Enter and when it loses the focus). While it is not
// being edited its text can sit right-aligned or centred; while it has the
// focus the text is left-aligned for typing.
class KnobEdit : public QLineEdit {
    Q_OBJECT
public:
    enum class TextAlign { Left, Right, Center };
    Q_ENUM(TextAlign)

    explicit KnobEdit(QWidget *parent = nullptr);

    Knob *TargetKnob() const { return targetKnob_; }
    void SetTarget(Knob *knob);

    TextAlign Alignment() const { return alignment_; }
    void SetAlignment(TextAlign a);

    int TextMargin() const { return textMargin_; }
    // The smaller character height of the two fonts, divided by 4.
    static int CalcTextMargin(const QFont &systemFont, const QFont &editFont);

signals:
    // Typed text the knob could not read as a number (the knob kept its
    // value). The owner shows the message; nothing else is reported.
    void OnConvertError(KnobEdit *sender, const QString &message);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void HandToKnob();
    void updateOpaque();
    int TextWidth(const QFontMetrics &fm, const QString &text);
    // The box as it looks unfocused with this text, frame and fill included.
    QPixmap DrawFace(const QString &text);

    QPointer<Knob> targetKnob_;
    TextAlign alignment_ = TextAlign::Left;
    TextAlign savedAlignment_ = TextAlign::Left;
    int textMargin_ = 0;
    QHash<QString, int> widths_;
    QFont widthsFont_;
    // What a drawn face depends on besides its text.
    struct Look {
        QSize size;
        qreal ratio = 0;
        qint64 palette = 0;
        QPalette::ColorGroup group = QPalette::Active;
        QString font;
        bool enabled = false;
        bool frame = false;
        TextAlign alignment = TextAlign::Left;
        int margin = 0;
        bool operator==(const Look &) const = default;
    };
    QHash<QString, QPixmap> faces_;
    Look facesLook_;
};
