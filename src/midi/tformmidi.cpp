#include "midi/tformmidi.h"

#include "midi/tmidiin.h"
#include "midi/tmidiout.h"
#include "model/quorvexerror.h"
#include "protocol/guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QShowEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QComboBox *deviceList(const QString &placeholder, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setEditable(true);
    // Typed text chooses among the devices; it never becomes a list entry.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->lineEdit()->setPlaceholderText(placeholder);
    return list;
}

QCheckBox *enabledBox(const QString &text, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    QFont f = box->font();
    f.setBold(true);
    box->setFont(f);
    box->setChecked(true);
    box->setToolTip(QStringLiteral("Uncheck to free port for another program"));
    return box;
}

void select(QComboBox *list, int index)
{
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    if (list->currentIndex() < 0)
        list->setEditText(QString());
}

} // namespace

TFormMidi::TFormMidi(TMidiIn &midiIn, TMidiOut &midiOut, Prompter &prompter,
                     std::function<QString()> applicationTitle, QWidget *parent)
    : QDialog(parent), midiIn_(midiIn), midiOut_(midiOut), prompter_(prompter),
      applicationTitle_(std::move(applicationTitle))
{
    setWindowTitle(QStringLiteral("MIDI Port Selection"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Arial"), font().pointSize()));
    setFixedSize(392, 96);

    GroupBox1 = new QGroupBox(this);
    StaticText1 = boldLabel(QStringLiteral("Input:"), GroupBox1);
    ComboBoxMidiIn = deviceList(QStringLiteral("Input Port"), GroupBox1);
    StaticText2 = boldLabel(QStringLiteral("Output:"), GroupBox1);
    ComboBoxMidiOut = deviceList(QStringLiteral("Output Port"), GroupBox1);
    CheckBoxInEnabled = enabledBox(QStringLiteral("Input Enabled"), GroupBox1);
    CheckBoxOutEnabled = enabledBox(QStringLiteral("Output Enabled"), GroupBox1);

    auto *grid = new QGridLayout(GroupBox1);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->addWidget(StaticText1, 0, 0);
    grid->addWidget(ComboBoxMidiIn, 0, 1);
    grid->addWidget(CheckBoxInEnabled, 0, 2);
    grid->addWidget(StaticText2, 1, 0);
    grid->addWidget(ComboBoxMidiOut, 1, 1);
    grid->addWidget(CheckBoxOutEnabled, 1, 2);
    grid->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(GroupBox1);

    // A device picked from the drop-down, or text typed by the user; setting
    // the lists from code raises neither.
    connect(ComboBoxMidiIn, &QComboBox::activated, this, [this] { ComboBoxMidiInChange(); });
    connect(ComboBoxMidiIn->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBoxMidiInChange(); });
    connect(ComboBoxMidiOut, &QComboBox::activated, this, [this] { ComboBoxMidiOutChange(); });
    connect(ComboBoxMidiOut->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBoxMidiOutChange(); });
    connect(CheckBoxInEnabled, &QCheckBox::clicked, this, [this] { CheckBoxInEnabledClick(); });
    connect(CheckBoxOutEnabled, &QCheckBox::clicked, this, [this] { CheckBoxOutEnabledClick(); });

    FormCreate();
}

void TFormMidi::FormCreate()
{
    const QSignalBlocker in(ComboBoxMidiIn);
    const QSignalBlocker out(ComboBoxMidiOut);
    ComboBoxMidiIn->clear();
    ComboBoxMidiOut->clear();
    ComboBoxMidiIn->addItems(midiIn_.deviceNames());
    ComboBoxMidiOut->addItems(midiOut_.deviceNames());
}

void TFormMidi::FormShow()
{
    selectPorts();
    CheckBoxInEnabled->setChecked(midiIn_.Using() || midiIn_.Port() == -1);
    CheckBoxOutEnabled->setChecked(midiOut_.Using() || midiOut_.Port() == -1);
}

void TFormMidi::FormActivate() { selectPorts(); }

void TFormMidi::selectPorts()
{
    select(ComboBoxMidiIn, midiIn_.Port());
    select(ComboBoxMidiOut, midiOut_.Port());
}

int TFormMidi::listIndex(const QComboBox *list)
{
    const QString text = list->currentText();
    if (list->currentIndex() >= 0 && list->itemText(list->currentIndex()) == text)
        return list->currentIndex();
    return list->findText(text, Qt::MatchExactly);
}

void TFormMidi::ComboBoxMidiInChange()
{
    run([this] { inputChosen(); });
}

void TFormMidi::ComboBoxMidiOutChange()
{
    run([this] { outputChosen(); });
}

void TFormMidi::CheckBoxInEnabledClick()
{
    run([this] {
        if (CheckBoxInEnabled->isChecked())
            inputChosen();
        else
            midiIn_.setUsing(false);
    });
}

void TFormMidi::CheckBoxOutEnabledClick()
{
    run([this] {
        if (CheckBoxOutEnabled->isChecked())
            outputChosen();
        else
            midiOut_.setUsing(false);
    });
}

void TFormMidi::inputChosen()
{
    if (!CheckBoxInEnabled->isChecked())
        return;
    const int index = listIndex(ComboBoxMidiIn);
    if (index < 0) {
        // Text that names no device: no device is open rather than one the
        // user did not choose.
        midiIn_.setUsing(false);
        midiIn_.setPort(-1);
        return;
    }
    midiIn_.setUsing(false);
    midiIn_.setPort(index);
    midiIn_.setUsing(true);
    if (midiIn_.openResult() != 0) {
        midiIn_.setUsing(false);
        CheckBoxInEnabled->setChecked(false);
        throw QuorvexError(QStringLiteral("The MIDI input port is not available."));
    }
}

void TFormMidi::outputChosen()
{
    if (!CheckBoxOutEnabled->isChecked())
        return;
    const int index = listIndex(ComboBoxMidiOut);
    if (index < 0) {
        midiOut_.setUsing(false);
        midiOut_.setPort(-1);
        return;
    }
    midiOut_.setPort(index);
    midiOut_.setUsing(true);
    if (midiOut_.openResult() != 0) {
        midiOut_.setUsing(false);
        CheckBoxOutEnabled->setChecked(false);
        throw QuorvexError(QStringLiteral("The MIDI output port is not available."));
    }
}

void TFormMidi::run(const std::function<void()> &body)
{
    guarded(prompter_, applicationTitle_ ? applicationTitle_() : QStringLiteral("Quorvex"), body);
}

void TFormMidi::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TFormMidi::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}
