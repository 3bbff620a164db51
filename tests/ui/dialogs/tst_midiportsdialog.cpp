// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/led.h"
#include "dialogs/midiportsdialog.h"
#include "mainwindow/linkstatus.h"
#include "midi/loopbackbackend.h"
#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "support/scriptedprompter.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace {

// A MIDI service that can go away and come back with its devices in
// another order.
struct ServiceBackend : LoopbackBackend {
    bool up = true;
    std::uint64_t epoch = 0;
    bool linkUp() const override { return up; }
    std::uint64_t devicesEpoch() const override { return epoch; }
};

// Two input and two output devices, as the port window sees them.
struct Ports {
    ServiceBackend backend;
    std::unique_ptr<MidiInPort> in;
    std::unique_ptr<MidiOutPort> out;
    ScriptedPrompter prompter;

    Ports()
    {
        backend.inputs = {QStringLiteral("In A"), QStringLiteral("In B")};
        backend.outputs = {QStringLiteral("Out A"), QStringLiteral("Out B")};
        in = std::make_unique<MidiInPort>(backend);
        out = std::make_unique<MidiOutPort>(backend);
    }
    std::unique_ptr<MidiPortsDialog> form()
    {
        auto f =
            std::make_unique<MidiPortsDialog>(*in, *out, prompter, [] { return QStringLiteral("x.syx - Quorvex"); });
        f->show();
        return f;
    }
};

// Gives the window focus, so that focus moves between its lists as for a user.
void focusWindow(MidiPortsDialog *f)
{
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f));
}

void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

} // namespace

class TestFormMidi : public QObject {
    Q_OBJECT

private slots:
    void listsAndShowState()
    {
        Ports p;
        p.in->setPort(-1);
        p.out->setPort(0); // closed on device 0
        auto f = p.form();
        QCOMPARE(f->windowTitle(), QStringLiteral("MIDI Port Selection"));
        QCOMPARE(f->ComboBoxMidiIn->count(), 2);
        QCOMPARE(f->ComboBoxMidiOut->itemText(1), QStringLiteral("Out B"));
        // No input chosen: no selection, box checked.
        QCOMPARE(f->ComboBoxMidiIn->currentIndex(), -1);
        QVERIFY(f->ComboBoxMidiIn->currentText().isEmpty());
        QVERIFY(f->CheckBoxInEnabled->isChecked());
        // Closed on device 0: device 0 shown, box cleared.
        QCOMPARE(f->ComboBoxMidiOut->currentIndex(), 0);
        QVERIFY(!f->CheckBoxOutEnabled->isChecked());
        // Showing changes nothing.
        QCOMPARE(p.backend.inputOpens + p.backend.outputOpens, 0);
    }

    void listsReadAfreshWithWholeNames()
    {
        // A virtual port made after the start is there the next time the
        // window opens; the chosen device keeps its choice by name.
        Ports p;
        p.out->setPort(1);
        const QString jack = QStringLiteral("MidiOut Client:AmpStandIn Out");
        p.backend.outputs = {jack, QStringLiteral("Out A"), QStringLiteral("Out B")};
        auto f = p.form();
        QCOMPARE(f->ComboBoxMidiOut->count(), 3);
        QCOMPARE(p.out->port(), 2);
        QCOMPARE(f->ComboBoxMidiOut->currentText(), QStringLiteral("Out B"));
        p.out->setPort(0);
        f = p.form();
        // The tail of a long name shows; the whole of it on hovering and in the drop-down.
        QCOMPARE(f->ComboBoxMidiOut->toolTip(), jack);
        QCOMPARE(f->ComboBoxMidiOut->lineEdit()->cursorPosition(), jack.size());
        QVERIFY(f->ComboBoxMidiOut->view()->minimumWidth() >=
                f->ComboBoxMidiOut->fontMetrics().horizontalAdvance(jack));
    }

    void chooseSecondInputWhileOpen()
    {
        Ports p;
        p.in->setPort(0);
        p.in->setEnabled(true);
        auto f = p.form();
        QVERIFY(f->CheckBoxInEnabled->isChecked());
        choose(f->ComboBoxMidiIn, 1);
        QCOMPARE(p.in->port(), 1);
        QVERIFY(p.in->isEnabled());
        QCOMPARE(p.backend.openInputIndex(), 1);
        QVERIFY(p.prompter.shown.isEmpty());
    }

    void outputEnabledBox()
    {
        Ports p;
        p.out->setPort(1);
        p.out->setEnabled(true);
        auto f = p.form();
        f->CheckBoxOutEnabled->click();
        QVERIFY(!p.out->isEnabled());
        QCOMPARE(p.backend.openOutputIndex(), -1);
        QCOMPARE(p.out->port(), 1); // the choice is kept

        // While switched off, choosing only shows the choice.
        choose(f->ComboBoxMidiOut, 0);
        QVERIFY(!p.out->isEnabled());
        QCOMPARE(p.out->port(), 1);

        // Checking again opens the device the list shows.
        f->CheckBoxOutEnabled->click();
        QVERIFY(p.out->isEnabled());
        QCOMPARE(p.out->port(), 0);
        QCOMPARE(p.backend.openOutputIndex(), 0);
    }

    void unavailableDevice()
    {
        Ports p;
        p.backend.unavailableInputs = {1};
        p.backend.unavailableOutputs = {0};
        p.in->setPort(0);
        p.in->setEnabled(true);
        p.out->setPort(-1);
        auto f = p.form();
        QVERIFY(f->CheckBoxOutEnabled->isChecked());

        choose(f->ComboBoxMidiIn, 1);
        QVERIFY(!p.in->isEnabled());
        QCOMPARE(p.in->port(), 1); // kept, so it is saved
        QVERIFY(!f->CheckBoxInEnabled->isChecked());
        QCOMPARE(p.prompter.shown.size(), 1);
        QCOMPARE(p.prompter.shown[0].caption, QStringLiteral("x.syx - Quorvex"));
        QCOMPARE(p.prompter.shown[0].text, QStringLiteral("The MIDI input port is not available."));
        QCOMPARE(p.prompter.shown[0].icon, Prompter::Icon::Error);

        choose(f->ComboBoxMidiOut, 0);
        QVERIFY(!p.out->isEnabled());
        QVERIFY(!f->CheckBoxOutEnabled->isChecked());
        QCOMPARE(p.prompter.texts().last(), QStringLiteral("The MIDI output port is not available."));
    }

    void typedTextOpensNothingUnchosen()
    {
        Ports p;
        p.in->setPort(1);
        p.in->setEnabled(true);
        p.out->setPort(1);
        p.out->setEnabled(true);
        auto f = p.form();

        // Text that names no device, once entered: nothing stays open on a
        // device the user did not pick, and no error is raised.
        QTest::keyClicks(f->ComboBoxMidiIn->lineEdit(), QStringLiteral("x"));
        QVERIFY(p.in->isEnabled()); // typing alone changes nothing
        QTest::keyClick(f->ComboBoxMidiIn->lineEdit(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(MidiPortsDialog::listIndex(f->ComboBoxMidiIn), -1);
        QVERIFY(!p.in->isEnabled());
        QCOMPARE(p.in->port(), -1);
        QCOMPARE(p.backend.openInputIndex(), -1);

        f->ComboBoxMidiOut->setEditText(QStringLiteral("Out"));
        f->chooseOutputPort();
        QVERIFY(!p.out->isEnabled());
        QCOMPARE(p.out->port(), -1);
        QCOMPARE(p.backend.openOutputIndex(), -1);
        QVERIFY(p.prompter.shown.isEmpty());

        // Typing a device's full name chooses that device.
        f->ComboBoxMidiOut->setEditText(QStringLiteral("Out A"));
        f->chooseOutputPort();
        QVERIFY(p.out->isEnabled());
        QCOMPARE(p.out->port(), 0);
    }

    // A name typed into a list is taken when the user finishes it, never
    // keystroke by keystroke: half a name would close the open device.
    void typedNameAppliesWhenFinished_data()
    {
        QTest::addColumn<bool>("output");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("finish"); // "", "enter" or "focus"
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("open");
        QTest::newRow("keystrokes only") << false << "In B"
                                         << "" << 0 << true;
        QTest::newRow("enter, a device") << false << "In B"
                                         << "enter" << 1 << true;
        QTest::newRow("enter, no device") << false << "Nope"
                                          << "enter" << -1 << false;
        QTest::newRow("focus out, a device") << false << "In B"
                                             << "focus" << 1 << true;
        QTest::newRow("focus out, no device") << false << "Nope"
                                              << "focus" << -1 << false;
        QTest::newRow("output: keystrokes only") << true << "Out B"
                                                 << "" << 0 << true;
        QTest::newRow("output: enter") << true << "Out B"
                                       << "enter" << 1 << true;
        QTest::newRow("output: focus out") << true << "Out B"
                                           << "focus" << 1 << true;
    }

    void typedNameAppliesWhenFinished()
    {
        QFETCH(bool, output);
        QFETCH(QString, typed);
        QFETCH(QString, finish);
        QFETCH(int, port);
        QFETCH(bool, open);
        Ports p;
        p.in->setPort(0);
        p.in->setEnabled(true);
        p.out->setPort(0);
        p.out->setEnabled(true);
        auto f = p.form();
        focusWindow(f.get());
        QComboBox *list = output ? f->ComboBoxMidiOut : f->ComboBoxMidiIn;
        QComboBox *other = output ? f->ComboBoxMidiIn : f->ComboBoxMidiOut;
        list->setFocus(Qt::TabFocusReason);
        const auto opens = [&] { return output ? p.backend.outputOpens : p.backend.inputOpens; };
        const auto openIndex = [&] { return output ? p.backend.openOutputIndex() : p.backend.openInputIndex(); };
        const int opensBefore = opens();

        list->lineEdit()->selectAll();
        for (const QChar c : typed) {
            QTest::keyClicks(list->lineEdit(), QString(c));
            QCOMPARE(opens(), opensBefore);
            QCOMPARE(openIndex(), 0);
        }
        QCOMPARE(list->currentText(), typed);
        if (finish == QLatin1String("enter"))
            QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        else if (finish == QLatin1String("focus"))
            other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();

        QCOMPARE(output ? p.out->port() : p.in->port(), port);
        QCOMPARE(openIndex(), open ? port : -1);
        // Taken once, however many signals the finishing raised.
        QCOMPARE(opens(), opensBefore + (open && !finish.isEmpty() ? 1 : 0));
        QVERIFY(p.prompter.shown.isEmpty());

        // Destroying the window (at exit, say) takes nothing typed.
        const int opensAtEnd = opens();
        f.reset();
        QCoreApplication::processEvents();
        QCOMPARE(opens(), opensAtEnd);
        QCOMPARE(output ? p.out->port() : p.in->port(), port);
    }

    void focusChangesAloneTouchNoPort()
    {
        Ports p;
        p.in->setPort(0);
        p.in->setEnabled(true);
        p.out->setPort(1);
        p.out->setEnabled(true);
        auto f = p.form();
        focusWindow(f.get());
        const int opensBefore = p.backend.inputOpens + p.backend.outputOpens;
        const auto opens = [&] { return p.backend.inputOpens + p.backend.outputOpens - opensBefore; };

        // Moving through the lists without typing.
        f->ComboBoxMidiIn->setFocus(Qt::TabFocusReason);
        f->ComboBoxMidiOut->setFocus(Qt::TabFocusReason);
        f->CheckBoxInEnabled->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(opens(), 0);

        // Text already taken with Enter is not taken again on leaving.
        f->ComboBoxMidiIn->setFocus(Qt::TabFocusReason);
        f->ComboBoxMidiIn->lineEdit()->selectAll();
        QTest::keyClicks(f->ComboBoxMidiIn->lineEdit(), QStringLiteral("In B"));
        QTest::keyClick(f->ComboBoxMidiIn->lineEdit(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(p.backend.openInputIndex(), 1);
        QCOMPARE(opens(), 1);
        f->ComboBoxMidiOut->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(opens(), 1);

        // Typed text left for an entry chosen instead: only the choice is taken.
        f->ComboBoxMidiOut->lineEdit()->selectAll();
        QTest::keyClicks(f->ComboBoxMidiOut->lineEdit(), QStringLiteral("Nope"));
        // Opening the drop-down is no leaving.
        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(f->ComboBoxMidiOut, &toPopup);
        QCoreApplication::processEvents();
        QCOMPARE(p.backend.openOutputIndex(), 1);
        choose(f->ComboBoxMidiOut, 0);
        QCOMPARE(p.backend.openOutputIndex(), 0);
        QCOMPARE(opens(), 2);
        f->ComboBoxMidiIn->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(opens(), 2);

        // Typing after the window showed the ports again starts afresh.
        f->ComboBoxMidiOut->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(f->ComboBoxMidiOut->lineEdit(), QStringLiteral("x"));
        f->reselectPorts();
        QCOMPARE(f->ComboBoxMidiOut->currentText(), QStringLiteral("Out A"));
        f->ComboBoxMidiIn->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(opens(), 2);
        QVERIFY(p.prompter.shown.isEmpty());
    }

    void linkStatusFollowsTheLink()
    {
        Ports p;
        LinkStatus status(*p.in, *p.out, p.backend);
        LinkNotifier &notifier = p.backend.linkNotifier();
        // Time passes: what was posted arrives, and the notifier's hold ends.
        const auto delivered = [&] {
            do
                notifier.holdEnded();
            while (notifier.holdTimer().isActive());
        };
        QCOMPARE(status.LabelIn->text(), QStringLiteral("MIDI In off"));
        QVERIFY(status.LabelFailures->isHidden());

        p.in->setPort(1);
        p.in->setEnabled(true);
        p.out->setPort(0);
        p.out->setEnabled(true);
        delivered();
        QCOMPARE(status.LabelIn->text(), QStringLiteral("In B"));
        QCOMPARE(status.LabelOut->text(), QStringLiteral("Out A"));

        // The service goes away, then comes back listing its devices anew.
        p.backend.up = false;
        notifier.post(LinkEvents::Service);
        delivered();
        QCOMPARE(status.LabelIn->text(), QStringLiteral("In B (waiting)"));
        p.backend.up = true;
        p.backend.inputs = {QStringLiteral("In B"), QStringLiteral("In A")};
        ++p.backend.epoch;
        notifier.post(LinkEvents::Service);
        delivered();
        QCOMPARE(status.LabelIn->text(), QStringLiteral("In B"));
        QCOMPARE(p.in->port(), 0); // the same device, read again

        // A message lights the light at once; its timer puts it out.
        QVERIFY(!status.LEDIn->LEDOn() && !status.inLightTimer().isActive());
        p.backend.inject({0x90, 60, 100});
        p.backend.flush();
        QVERIFY(status.LEDIn->LEDOn());
        QVERIFY(status.inLightTimer().isActive());
        status.inLightTimeout();
        QVERIFY(!status.LEDIn->LEDOn());
        // More during the notifier's hold shows when the hold ends, not before.
        p.backend.inject({0x90, 61, 100});
        p.backend.flush();
        QVERIFY(!status.LEDIn->LEDOn());
        notifier.holdEnded();
        QVERIFY(status.LEDIn->LEDOn());
        QVERIFY(!status.LEDOut->LEDOn());

        p.out->sendShort(0xB0, 7, 100);
        delivered();
        QVERIFY(status.LEDOut->LEDOn());
        status.outLightTimeout();
        QVERIFY(!status.LEDOut->LEDOn());

        // A message the service could not take whole is counted.
        p.backend.maxSize = 10;
        const std::vector<std::uint8_t> tooLong(20, 0x11);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused")));
        QVERIFY(!p.out->sendSysEx(tooLong.data(), int(tooLong.size())));
        delivered();
        QCOMPARE(status.failures(), std::uint64_t(1));
        QCOMPARE(status.LabelFailures->text(), QStringLiteral("Not delivered: 1"));
        QVERIFY(!status.LabelFailures->isHidden());
        QVERIFY(!status.LEDOut->LEDOn()); // a refused message did not leave

        p.in->setEnabled(false);
        delivered();
        QCOMPARE(status.LabelIn->text(), QStringLiteral("MIDI In off"));
    }
};

QTEST_MAIN(TestFormMidi)
#include "tst_midiportsdialog.moc"
