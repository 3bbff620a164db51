// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuner/tunerwindow.h"

#include "controls/led.h"
#include "controls/numberknob.h"
#include "controls/valueedit.h"
#include "model/firmware.h"
#include "model/globalrecord.h"
#include "model/quorvexerror.h"
#include "session/commandqueue.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QColor Teal(0, 128, 128);
const char *const DisplayHint = QT_TRANSLATE_NOOP("TunerWindow", "Tuning display with version 1.5 and up");

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

int TunerWindow::ledLeft(int i)
{
    if (i <= tuner::CentreLed - 1)
        return i * LedSpacing;
    const int centre = (tuner::CentreLed - 1) * LedSpacing + CentreSpacing;
    if (i == tuner::CentreLed)
        return centre;
    return centre + CentreSpacing + (i - tuner::CentreLed - 1) * LedSpacing;
}

TunerWindow::TunerWindow(AmpGlobals &globals, CommandQueue &queue, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), globals_(globals), queue_(queue)
{
    setObjectName(QStringLiteral("FormTuner"));
    setWindowTitle(tr("Tuner"));

    NoteText = new QLabel(QStringLiteral("--"), this);
    NoteText->setObjectName(QStringLiteral("NoteText"));
    NoteText->setToolTip(tr(DisplayHint));
    NoteText->setAlignment(Qt::AlignCenter);
    QFont big = NoteText->font();
    big.setPixelSize(64);
    NoteText->setFont(big);
    // Room for the widest name, so a new note never moves the window's layout.
    NoteText->setMinimumWidth(NoteText->fontMetrics().horizontalAdvance(QStringLiteral("G#")) + 16);
    setTextColour(NoteText, Red);

    auto *ledRow = new QWidget(this);
    ledRow->setObjectName(QStringLiteral("LedRow"));
    for (int i = 0; i < tuner::LedCount; ++i) {
        auto *led = new Led(ledRow);
        led->setObjectName(QStringLiteral("LEDImage%1").arg(i));
        if (i == tuner::CentreLed) {
            led->SetOnColor(Green);
            led->setToolTip(tr(DisplayHint));
        }
        // Gray from the first show; the images are opaque squares, so an LED
        // repaints alone, without what lies behind it.
        led->TurnOn(false);
        led->setAttribute(Qt::WA_OpaquePaintEvent);
        led->move(ledLeft(i), 0);
        LEDImage[i] = led;
    }
    ledRow->setFixedSize(ledLeft(tuner::LedCount - 1) + 13, 13);

    NxNumberKnobTunerLevel = new NumberKnob(this);
    NxNumberKnobTunerLevel->setObjectName(QStringLiteral("NxNumberKnobTunerLevel"));
    NxNumberKnobTunerLevel->setFixedSize(33, 33);
    NxNumberKnobTunerLevel->SetMin(float(globalrecord::BypassVolumeRange.min));
    NxNumberKnobTunerLevel->SetMax(float(globalrecord::BypassVolumeRange.max));
    NxNumberKnobTunerLevel->SetInc(1.0f);
    NxNumberKnobTunerLevel->SetColor(Teal);
    NxNumberKnobTunerLevel->SetValue(float(globalrecord::BypassVolumeRange.min));
    NxNumberKnobTunerLevel->SetTabStop(true);
    NxNumberKnobTunerLevel->SetFocusOnClick(true);
    NxNumberKnobTunerLevel->setToolTip(tr("Audible bypass volume while tuning"));
    // The volume's value in a box below the knob, where it can be typed too.
    ValueEdit *volumeEdit = ValueEdit::under(NxNumberKnobTunerLevel, this);
    connect(volumeEdit, &KnobEdit::OnConvertError, this,
            [this](KnobEdit *, const QString &message) { run([&] { throw QuorvexError(message); }); });
    auto *volume = new QLabel(tr("Volume"), this);
    volume->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    CheckBoxEb = new QCheckBox(tr("E-flat"), this);
    CheckBoxEb->setObjectName(QStringLiteral("CheckBoxEb"));
    CheckBoxEb->setToolTip(tr("Shifts all notes down a half step"));
    CheckBoxChromatic = new QCheckBox(tr("Chromatic"), this);
    CheckBoxChromatic->setObjectName(QStringLiteral("CheckBoxChromatic"));
    CheckBoxChromatic->setToolTip(tr("Allows tuning of non-standard notes on amp"));
    ButtonTunerExit = new QPushButton(tr("Exit"), this);
    ButtonTunerExit->setObjectName(QStringLiteral("ButtonTunerExit"));

    StaticTextNoTune = new QLabel(tr("(No tuning display with amp versions 1.4 and earlier)"), this);
    StaticTextNoTune->setObjectName(QStringLiteral("StaticTextNoTune"));
    StaticTextNoTune->setAlignment(Qt::AlignCenter);
    setTextColour(StaticTextNoTune, Red);
    // Hidden or shown, it keeps its room: the window never jumps.
    QSizePolicy keep = StaticTextNoTune->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    StaticTextNoTune->setSizePolicy(keep);
    StaticTextNoTune->hide();

    auto *options = new QGridLayout;
    auto *volumeCell = new QVBoxLayout;
    volumeCell->setSpacing(0);
    volumeCell->addWidget(NxNumberKnobTunerLevel, 0, Qt::AlignHCenter);
    volumeCell->addWidget(volumeEdit, 0, Qt::AlignHCenter);
    volumeCell->addWidget(volume);
    options->addLayout(volumeCell, 0, 0, 2, 1);
    options->addWidget(CheckBoxEb, 0, 1);
    options->addWidget(CheckBoxChromatic, 1, 1);
    options->setColumnStretch(2, 1);
    options->addWidget(ButtonTunerExit, 0, 3, 2, 1, Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(NoteText, 0, Qt::AlignHCenter);
    layout->addWidget(ledRow, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addLayout(options);
    layout->addWidget(StaticTextNoTune);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto level = [this](Knob *k) { run([&] { tunerLevelChanged(k); }); };
    connect(NxNumberKnobTunerLevel, &Knob::OnChanging, this, level);
    connect(NxNumberKnobTunerLevel, &Knob::OnChanged, this, level);
    connect(CheckBoxEb, &QCheckBox::toggled, this,
            [this](bool on) { run([&] { globals_.editGlobalBit(globalrecord::EFlat, on); }); });
    connect(CheckBoxChromatic, &QCheckBox::toggled, this,
            [this](bool on) { run([&] { globals_.editGlobalBit(globalrecord::Chromatic, on); }); });
    connect(ButtonTunerExit, &QPushButton::clicked, this, [this] { run([this] { exitTuner(); }); });

    connect(&globals_, &AmpGlobals::tunerReading, this, &TunerWindow::showReading);
    connect(&globals_, &AmpGlobals::globalRecordChanged, this, [this](int index) {
        if (index == globalrecord::TunerOptions || index == globalrecord::TunerLevel)
            loadControls();
    });
    connect(&globals_, &AmpGlobals::globalRecordLoaded, this, [this] { loadControls(); });
    // The window may be made long after the GlobalRecord arrived.
    loadControls();
}

TunerWindow::~TunerWindow() = default;

void TunerWindow::showOver(const QWidget *over)
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    adjustSize();
    if (over)
        move(over->frameGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void TunerWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window restored by the system shows again without entering anew.
    if (!event->spontaneous())
        run([this] { startTuning(); });
}

void TunerWindow::startTuning()
{
    display_.reset();
    globals_.enterTuner();
    emit entered();
    StaticTextNoTune->setVisible(firmware::isOld(globals_.firmwareVersion()));
}

void TunerWindow::exitTuner()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    hide();
    emit left();
    globals_.leaveTuner();
}

void TunerWindow::closeEvent(QCloseEvent *event)
{
    // No title-bar buttons, but a window manager may still close it: that
    // leaves tuner mode like Exit, or the main window would stay disabled.
    event->ignore();
    if (isVisible())
        run([this] { exitTuner(); });
}

void TunerWindow::showReading(std::uint8_t n, std::uint8_t p)
{
    const tuner::TunerDisplay::Update u = display_.read(n, p, CheckBoxEb->isChecked());
    if (u.colour)
        setTextColour(NoteText, u.red ? Red : Green);
    if (u.text)
        NoteText->setText(QLatin1String(u.name)); // the same text again repaints nothing
    // Only an LED whose state changes repaints.
    for (int i = 0; i < tuner::LedCount; ++i)
        if (LEDImage[i]->LEDOn() != (i == u.led))
            LEDImage[i]->TurnOn(i == u.led);
}

void TunerWindow::loadControls()
{
    const auto guard = globals_.loadingGuard();
    const auto &g = globals_.record();
    CheckBoxEb->setChecked(bitfield::read(g[globalrecord::TunerOptions], 0, 1) != 0);
    CheckBoxChromatic->setChecked(bitfield::read(g[globalrecord::TunerOptions], 1, 1) != 0);
    NxNumberKnobTunerLevel->SetValue(float(g[globalrecord::TunerLevel]));
    // A byte beyond the knob's range is held as the knob shows it.
    tunerLevelChanged(NxNumberKnobTunerLevel);
}

void TunerWindow::tunerLevelChanged(Knob *knob)
{
    const auto value = std::uint8_t(int(static_cast<NumberKnob *>(knob)->GetValue()));
    // Each step is reported twice; the Amp hears of a change once.
    if (globals_.record()[globalrecord::BypassVolume.index] != value)
        globals_.editGlobalByte(globalrecord::BypassVolume, value);
}

void TunerWindow::run(const std::function<void()> &body)
{
    queue_.run(body);
}
