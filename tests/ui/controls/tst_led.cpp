// SPDX-License-Identifier: GPL-3.0-or-later
// LED indicator: its images, colours, brightness and timed switch-off.
#include "controls/led.h"

#include <QImage>
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

const QColor Red(255, 0, 0), Green(0, 128, 0), Yellow(255, 255, 0), Gray(128, 128, 128), Blue(0, 0, 255);

} // namespace

class TestLed : public QObject {
    Q_OBJECT
private slots:
    void imagesAreDrawnAsDescribed()
    {
        struct Look {
            const char *name;
            QRgb dark, full;
            bool bright;
        };
        const Look looks[] = {
            {"LED_GRAY", qRgb(128, 128, 128), qRgb(192, 192, 192), false},
            {"LED_RED", qRgb(128, 0, 0), qRgb(255, 0, 0), false},
            {"LED_GRE", qRgb(0, 128, 0), qRgb(0, 255, 0), false},
            {"LED_YEL", qRgb(128, 128, 0), qRgb(255, 255, 0), false},
            {"LED_BRIRED", qRgb(128, 0, 0), qRgb(255, 0, 0), true},
            {"LED_BRIGRE", qRgb(0, 128, 0), qRgb(0, 255, 0), true},
            {"LED_BRIYEL", qRgb(128, 128, 0), qRgb(255, 255, 0), true},
        };
        QCOMPARE(Led::LiveCount(), 0);
        QVERIFY(Led::Image("LED_RED").isNull());
        {
            Led keep; // the images live while an LED does
            for (const Look &look : looks) {
                const QImage img = Led::Image(look.name);
                QCOMPARE(img.size(), QSize(13, 13));
                QCOMPARE(img.pixel(0, 0), qRgb(192, 192, 192)); // light gray square
                QCOMPARE(img.pixel(6, 0), qRgb(0, 0, 0));       // black rim
                int dark = 0, full = 0, white = 0;
                for (int y = 0; y < 13; ++y)
                    for (int x = 0; x < 13; ++x) {
                        if (std::hypot(x - 6, y - 6) > 4)
                            continue;
                        const QRgb p = img.pixel(x, y);
                        if (p == qRgb(255, 255, 255)) {
                            QVERIFY(x < 6 && y < 6); // the highlight sits upper left
                            ++white;
                        } else if (p == look.dark) {
                            ++dark;
                        } else {
                            QCOMPARE(p, look.full);
                            ++full;
                        }
                    }
                QVERIFY(white > 0);
                if (look.bright)
                    QCOMPARE(dark, 0);
                else // alternating pixel by pixel
                    QVERIFY(std::abs(dark - full) <= 3 && img.pixel(6, 6) != img.pixel(7, 6));
            }
        }
        QCOMPARE(Led::LiveCount(), 0);
        QVERIFY(Led::Image("LED_RED").isNull());
    }

    void onlyFourColours()
    {
        Led led;
        QCOMPARE(led.ImageName(), QString());
        led.SetColor(Gray); // the colour it has, but no image yet
        QCOMPARE(led.ImageName(), QStringLiteral("LED_GRAY"));
        led.SetColor(Blue);
        led.SetColor(QColor(0, 255, 0)); // the image's full green is not "green"
        QCOMPARE(led.Color(), Gray);
        led.SetOnColor(Blue);
        led.SetOffColor(QColor(0, 0, 0));
        QCOMPARE(led.OnColor(), Red);
        QCOMPARE(led.OffColor(), Gray);
        led.SetColor(Yellow);
        QCOMPARE(led.ImageName(), QStringLiteral("LED_YEL"));
    }

    void turnOnAndBright()
    {
        Led led;
        led.TurnOn(true);
        QCOMPARE(led.ImageName(), QStringLiteral("LED_RED"));
        led.SetOnColor(Green); // shows at the next switch-on
        QCOMPARE(led.ImageName(), QStringLiteral("LED_RED"));
        led.TurnOn(true);
        QCOMPARE(led.ImageName(), QStringLiteral("LED_GRE"));
        led.MakeBright(true);
        QCOMPARE(led.ImageName(), QStringLiteral("LED_BRIGRE"));
        led.SetColor(Red); // always the normal image
        QCOMPARE(led.ImageName(), QStringLiteral("LED_RED"));
        led.SetLEDOn(false);
        QVERIFY(!led.LEDOn());
        led.MakeBright(true); // gray has no bright image
        QCOMPARE(led.ImageName(), QStringLiteral("LED_GRAY"));
    }

    void extinguish()
    {
        Led led;
        std::uint64_t now = 5000;
        led.SetTickCounter([&] { return now; });
        led.TurnOn(true);
        QVERIFY(!led.ShouldExtinguish()); // same millisecond, timeout 0
        QVERIFY(led.LEDOn());
        ++now;
        QVERIFY(led.ShouldExtinguish());
        QVERIFY(!led.LEDOn());
        QCOMPARE(led.ImageName(), QStringLiteral("LED_GRAY"));

        // Across the counter's wrap the age is still 2 ms, then 3 ms.
        now = std::numeric_limits<std::uint64_t>::max() - 1;
        led.SetExtinguishTimeout(2);
        led.TurnOn(true);
        now = 0;
        QVERIFY(!led.ShouldExtinguish());
        now = 1;
        QVERIFY(led.ShouldExtinguish());
        // A counter behind the switch-on time is a negative age, not a huge one.
        now = 1000;
        led.TurnOn(true);
        now = 400;
        QVERIFY(!led.ShouldExtinguish());
    }

    void rendersItsImage()
    {
        Led led;
        led.resize(40, 40);
        led.SetOnColor(Yellow);
        led.TurnOn(true);
        QCOMPARE(led.size(), QSize(13, 13)); // auto-size takes the image's size
        QImage shown(13, 13, QImage::Format_RGB32);
        for (const char *name : {"LED_YEL", "LED_BRIYEL"}) {
            shown.fill(Qt::black);
            led.render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
            QCOMPARE(shown, Led::Image(name).convertToFormat(QImage::Format_RGB32));
            led.MakeBright(true);
        }
    }
};

QTEST_MAIN(TestLed)
#include "tst_led.moc"
