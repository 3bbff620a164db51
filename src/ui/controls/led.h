// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

// A small picture that looks like a panel LED: gray when off; red, green or
// yellow (each also bright) when lit. Only those four colours are taken.
// A new LED shows no image until its first SetColor or TurnOn.
class Led : public QWidget {
    Q_OBJECT
public:
    // Milliseconds of a free-running counter; the LED keeps the reading of
    // its last switch-on and compares by signed difference, so a counter
    // that wraps is handled.
    using TickCounter = std::function<std::uint64_t()>;

    explicit Led(QWidget *parent = nullptr);
    ~Led() override;

    QColor Color() const { return color_; }
    // Shows the normal image of one of the four colours; others are ignored.
    void SetColor(const QColor &c);
    QColor OnColor() const { return onColor_; }
    void SetOnColor(const QColor &c);
    QColor OffColor() const { return offColor_; }
    void SetOffColor(const QColor &c);

    bool LEDOn() const { return ledOn_; }
    void SetLEDOn(bool on) { TurnOn(on); }
    bool Brightness() const { return brightness_; }
    void SetBrightness(bool bright) { MakeBright(bright); }
    int ExtinguishTimeout() const { return extinguishTimeout_; }
    void SetExtinguishTimeout(int ms) { extinguishTimeout_ = ms; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

    void TurnOn(bool on);
    void MakeBright(bool bright);
    // Turns the LED off and returns true when more than ExtinguishTimeout ms
    // have passed since the last TurnOn(true).
    bool ShouldExtinguish();

    // Name of the image shown ("LED_RED" ...), empty when none.
    QString ImageName() const { return imageName_; }
    void SetTickCounter(TickCounter counter) { tickCounter_ = std::move(counter); }

    // The seven images are loaded with the first LED and released with the last.
    static int LiveCount();
    // One of the seven images by name; null when no LED lives.
    static QImage Image(const QString &name);
    static bool IsAccepted(const QColor &c);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Show(const QString &name);

    QColor color_{128, 128, 128};
    QColor onColor_{255, 0, 0};
    QColor offColor_{128, 128, 128};
    bool ledOn_ = false;
    bool brightness_ = false;
    int extinguishTimeout_ = 0;
    bool autoSize_ = true;
    std::uint64_t turnedOnAt_ = 0;
    QString imageName_;
    TickCounter tickCounter_;
};
