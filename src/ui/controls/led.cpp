// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/led.h"

#include <QHash>
#include <QPainter>

#include <chrono>

// Outside any namespace, as Q_INIT_RESOURCE requires; the resources live in
// a static library, so nothing would pull them in otherwise.
static void initLedResources()
{
    Q_INIT_RESOURCE(leds);
}

namespace {

const char *const ImageNames[] = {"LED_GRAY",   "LED_RED",    "LED_GRE",   "LED_YEL",
                                  "LED_BRIRED", "LED_BRIGRE", "LED_BRIYEL"};

int liveLeds = 0;
QHash<QString, QImage> *images = nullptr;

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 128, 0);
const QRgb Yellow = qRgb(255, 255, 0);
const QRgb Gray = qRgb(128, 128, 128);

QString normalImage(QRgb c)
{
    switch (c) {
    case Red: return QStringLiteral("LED_RED");
    case Green: return QStringLiteral("LED_GRE");
    case Yellow: return QStringLiteral("LED_YEL");
    default: return QStringLiteral("LED_GRAY");
    }
}

QString brightImage(QRgb c)
{
    switch (c) {
    case Red: return QStringLiteral("LED_BRIRED");
    case Green: return QStringLiteral("LED_BRIGRE");
    case Yellow: return QStringLiteral("LED_BRIYEL");
    default: return QStringLiteral("LED_GRAY");
    }
}

std::uint64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return std::uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

Led::Led(QWidget *parent) : QWidget(parent), tickCounter_(steadyMilliseconds)
{
    if (liveLeds++ == 0) {
        initLedResources();
        images = new QHash<QString, QImage>;
        for (const char *name : ImageNames) {
            const QString n = QString::fromLatin1(name);
            images->insert(n, QImage(QStringLiteral(":/leds/") + n));
        }
    }
    resize(13, 13);
}

Led::~Led()
{
    if (--liveLeds == 0) {
        delete images;
        images = nullptr;
    }
}

int Led::LiveCount()
{
    return liveLeds;
}

QImage Led::Image(const QString &name)
{
    return images ? images->value(name) : QImage();
}

bool Led::IsAccepted(const QColor &c)
{
    if (!c.isValid())
        return false;
    const QRgb rgb = c.rgb() & 0xFFFFFF;
    return rgb == (Red & 0xFFFFFF) || rgb == (Green & 0xFFFFFF) || rgb == (Yellow & 0xFFFFFF) ||
           rgb == (Gray & 0xFFFFFF);
}

void Led::Show(const QString &name)
{
    imageName_ = name;
    if (autoSize_) {
        const QImage image = Image(name);
        if (!image.isNull())
            resize(image.size());
    }
    update();
}

void Led::SetColor(const QColor &c)
{
    if (!IsAccepted(c))
        return;
    if (c.rgb() == color_.rgb() && !imageName_.isEmpty())
        return;
    color_ = QColor(c.rgb());
    Show(normalImage(color_.rgb()));
}

void Led::SetOnColor(const QColor &c)
{
    if (IsAccepted(c))
        onColor_ = QColor(c.rgb());
}

void Led::SetOffColor(const QColor &c)
{
    if (IsAccepted(c))
        offColor_ = QColor(c.rgb());
}

void Led::SetAutoSize(bool on)
{
    autoSize_ = on;
    if (on && !imageName_.isEmpty())
        Show(imageName_);
}

void Led::TurnOn(bool on)
{
    if (on)
        turnedOnAt_ = tickCounter_();
    ledOn_ = on;
    SetColor(on ? onColor_ : offColor_);
}

void Led::MakeBright(bool bright)
{
    brightness_ = bright;
    if (color_.rgb() != Gray)
        imageName_ = bright ? brightImage(color_.rgb()) : normalImage(color_.rgb());
    update();
}

bool Led::ShouldExtinguish()
{
    const std::int64_t age = std::int64_t(tickCounter_() - turnedOnAt_);
    if (age > extinguishTimeout_) {
        TurnOn(false);
        return true;
    }
    return false;
}

QSize Led::sizeHint() const
{
    return QSize(13, 13);
}

void Led::paintEvent(QPaintEvent *)
{
    if (imageName_.isEmpty())
        return;
    QPainter p(this);
    p.drawImage(0, 0, Image(imageName_));
}
