// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/midiportsdialog.h"

#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "model/quorvexerror.h"
#include "session/guard.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// Device names such as "np-01:Quorvex Virtual Amp Out" differ at both
// ends: a name too long for the box is shortened in the middle while the
// box is not being typed in. The text itself stays whole.
class DeviceNameEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QStyleOptionFrame option;
        initStyleOption(&option);
        // Where QLineEdit puts its text: its contents less its own margins.
        const QRect room = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins())
                               .adjusted(2, 1, -2, -1);
        const QString whole = text();
        const QString shown = fontMetrics().elidedText(whole, Qt::ElideMiddle, room.width());
        if (hasFocus() || shown == whole) {
            QLineEdit::paintEvent(event);
            return;
        }
        QPainter p(this);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, this);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        p.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
};

QComboBox *deviceList(const QString &placeholder, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setLineEdit(new DeviceNameEdit(list));
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
    box->setToolTip(MidiPortsDialog::tr("Uncheck to free port for another program"));
    return box;
}

void select(QComboBox *list, int index)
{
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    if (list->currentIndex() < 0)
        list->setEditText(QString());
    // Typing goes on at the end; the whole name shows on hovering.
    list->lineEdit()->end(false);
    list->setToolTip(list->currentText());
}

// The lists are narrow; their drop-downs are as wide as the longest name.
void fill(QComboBox *list, const QStringList &names)
{
    list->clear();
    list->addItems(names);
    int widest = list->width();
    const QFontMetrics metrics(list->view()->font());
    for (int i = 0; i < names.size(); ++i) {
        list->setItemData(i, names[i], Qt::ToolTipRole);
        widest = std::max(widest, metrics.horizontalAdvance(names[i]) + 24);
    }
    list->view()->setMinimumWidth(widest);
}

} // namespace

MidiPortsDialog::MidiPortsDialog(MidiInPort &midiIn, MidiOutPort &midiOut, Prompter &prompter,
                                 std::function<QString()> applicationTitle, QWidget *parent)
    : QDialog(parent), midiIn_(midiIn), midiOut_(midiOut), prompter_(prompter),
      applicationTitle_(std::move(applicationTitle))
{
    setWindowTitle(tr("MIDI Port Selection"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Arial"), font().pointSize()));
    setFixedSize(392, 96);

    portsBox = new QGroupBox(this);
    inputLabel = boldLabel(tr("Input:"), portsBox);
    ComboBoxMidiIn = deviceList(tr("Input Port"), portsBox);
    StaticText2 = boldLabel(tr("Output:"), portsBox);
    ComboBoxMidiOut = deviceList(tr("Output Port"), portsBox);
    CheckBoxInEnabled = enabledBox(tr("Input Enabled"), portsBox);
    CheckBoxOutEnabled = enabledBox(tr("Output Enabled"), portsBox);

    auto *grid = new QGridLayout(portsBox);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->addWidget(inputLabel, 0, 0);
    grid->addWidget(ComboBoxMidiIn, 0, 1);
    grid->addWidget(CheckBoxInEnabled, 0, 2);
    grid->addWidget(StaticText2, 1, 0);
    grid->addWidget(ComboBoxMidiOut, 1, 1);
    grid->addWidget(CheckBoxOutEnabled, 1, 2);
    grid->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(portsBox);

    // A device picked from the drop-down is taken at once; typed text when
    // the user finishes it with Enter or leaves the list, as half a name
    // would close the open device. Setting the lists from code raises none
    // of these.
    for (QComboBox *list : {ComboBoxMidiIn, ComboBoxMidiOut}) {
        connect(list, &QComboBox::activated, this, [this, list] {
            if (list == ComboBoxMidiIn)
                chooseInputPort();
            else
                chooseOutputPort();
        });
        connect(list->lineEdit(), &QLineEdit::textEdited, this,
                [this, list] { (list == ComboBoxMidiIn ? inEdited_ : outEdited_) = true; });
        connect(list->lineEdit(), &QLineEdit::returnPressed, this, [this, list] { applyTypedLater(list); });
        // The list, not its line edit, receives the focus events.
        list->installEventFilter(this);
        // The whole name on hovering, however short the box shows it.
        connect(list, &QComboBox::currentTextChanged, list, [list](const QString &name) { list->setToolTip(name); });
    }
    connect(CheckBoxInEnabled, &QCheckBox::clicked, this, [this] { enableInput(); });
    connect(CheckBoxOutEnabled, &QCheckBox::clicked, this, [this] { enableOutput(); });

    listDevices();
}

MidiPortsDialog::~MidiPortsDialog()
{
    // QDialog's destructor hides the window, and a list losing the focus
    // then reports typed text as chosen: by then this object is half gone,
    // and a window going away takes no choice anyway.
    for (QComboBox *list : {ComboBoxMidiIn, ComboBoxMidiOut}) {
        disconnect(list, nullptr, this, nullptr);
        disconnect(list->lineEdit(), nullptr, this, nullptr);
        list->removeEventFilter(this);
    }
}

void MidiPortsDialog::listDevices()
{
    const QSignalBlocker in(ComboBoxMidiIn);
    const QSignalBlocker out(ComboBoxMidiOut);
    // Devices plugged in (or virtual ports made) since the start are listed.
    midiIn_.refreshDevices();
    midiOut_.refreshDevices();
    fill(ComboBoxMidiIn, midiIn_.deviceNames());
    fill(ComboBoxMidiOut, midiOut_.deviceNames());
}

void MidiPortsDialog::showCurrentPorts()
{
    selectPorts();
    CheckBoxInEnabled->setChecked(midiIn_.isEnabled() || midiIn_.port() == -1);
    CheckBoxOutEnabled->setChecked(midiOut_.isEnabled() || midiOut_.port() == -1);
}

void MidiPortsDialog::reselectPorts()
{
    selectPorts();
}

void MidiPortsDialog::selectPorts()
{
    select(ComboBoxMidiIn, midiIn_.port());
    select(ComboBoxMidiOut, midiOut_.port());
    // Whatever was typed is gone.
    inEdited_ = outEdited_ = false;
}

void MidiPortsDialog::applyTypedLater(QComboBox *list)
{
    // Once the key press or focus move is over: on a device's name the list
    // also raises activated for either (which takes the text first), it may
    // report one Enter twice, and an error box shown in the middle of a focus
    // move would disturb it.
    QMetaObject::invokeMethod(
        this, [this, list] { applyTyped(list); }, Qt::QueuedConnection);
}

void MidiPortsDialog::applyTyped(QComboBox *list)
{
    if (list == ComboBoxMidiIn && inEdited_)
        chooseInputPort();
    else if (list == ComboBoxMidiOut && outEdited_)
        chooseOutputPort();
}

int MidiPortsDialog::listIndex(const QComboBox *list)
{
    const QString text = list->currentText();
    if (list->currentIndex() >= 0 && list->itemText(list->currentIndex()) == text)
        return list->currentIndex();
    return list->findText(text, Qt::MatchExactly);
}

void MidiPortsDialog::chooseInputPort()
{
    run([this] { inputChosen(); });
}

void MidiPortsDialog::chooseOutputPort()
{
    run([this] { outputChosen(); });
}

void MidiPortsDialog::enableInput()
{
    run([this] {
        if (CheckBoxInEnabled->isChecked())
            inputChosen();
        else
            midiIn_.setEnabled(false);
    });
}

void MidiPortsDialog::enableOutput()
{
    run([this] {
        if (CheckBoxOutEnabled->isChecked())
            outputChosen();
        else
            midiOut_.setEnabled(false);
    });
}

void MidiPortsDialog::inputChosen()
{
    inEdited_ = false;
    if (!CheckBoxInEnabled->isChecked())
        return;
    const int index = listIndex(ComboBoxMidiIn);
    if (index < 0) {
        // Text that names no device: no device is open rather than one the
        // user did not choose.
        midiIn_.setEnabled(false);
        midiIn_.setPort(-1);
        return;
    }
    midiIn_.setEnabled(false);
    midiIn_.setPort(index);
    midiIn_.setEnabled(true);
    if (midiIn_.openResult() != 0) {
        midiIn_.setEnabled(false);
        CheckBoxInEnabled->setChecked(false);
        throw QuorvexError(tr("The MIDI input port is not available."));
    }
}

void MidiPortsDialog::outputChosen()
{
    outEdited_ = false;
    if (!CheckBoxOutEnabled->isChecked())
        return;
    const int index = listIndex(ComboBoxMidiOut);
    if (index < 0) {
        midiOut_.setEnabled(false);
        midiOut_.setPort(-1);
        return;
    }
    midiOut_.setPort(index);
    midiOut_.setEnabled(true);
    if (midiOut_.openResult() != 0) {
        midiOut_.setEnabled(false);
        CheckBoxOutEnabled->setChecked(false);
        throw QuorvexError(tr("The MIDI output port is not available."));
    }
}

void MidiPortsDialog::run(const std::function<void()> &body)
{
    guarded(prompter_, applicationTitle_ ? applicationTitle_() : QStringLiteral("Quorvex"), body);
}

void MidiPortsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        showCurrentPorts();
}

bool MidiPortsDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving a list takes its typed text, but opening its drop-down is no
    // leaving.
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason &&
        (watched == ComboBoxMidiIn || watched == ComboBoxMidiOut))
        applyTypedLater(static_cast<QComboBox *>(watched));
    return QDialog::eventFilter(watched, event);
}

bool MidiPortsDialog::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        reselectPorts();
    return QDialog::event(event);
}
