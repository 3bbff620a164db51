#include "midi/loopbackbackend.h"
#include "midi/tformmidi.h"
#include "midi/tmidiin.h"
#include "midi/tmidiout.h"
#include "support/scriptedprompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace {

// Two input and two output devices, as the port window sees them.
struct Ports {
    LoopbackBackend backend;
    std::unique_ptr<TMidiIn> in;
    std::unique_ptr<TMidiOut> out;
    ScriptedPrompter prompter;

    Ports()
    {
        backend.inputs = {QStringLiteral("In A"), QStringLiteral("In B")};
        backend.outputs = {QStringLiteral("Out A"), QStringLiteral("Out B")};
        in = std::make_unique<TMidiIn>(backend);
        out = std::make_unique<TMidiOut>(backend);
    }
    std::unique_ptr<TFormMidi> form()
    {
        auto f = std::make_unique<TFormMidi>(*in, *out, prompter, [] { return QStringLiteral("x.syx - Quorvex"); });
        f->show();
        return f;
    }
};

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

    void chooseSecondInputWhileOpen()
    {
        Ports p;
        p.in->setPort(0);
        p.in->setUsing(true);
        auto f = p.form();
        QVERIFY(f->CheckBoxInEnabled->isChecked());
        choose(f->ComboBoxMidiIn, 1);
        QCOMPARE(p.in->Port(), 1);
        QVERIFY(p.in->Using());
        QCOMPARE(p.backend.openInputIndex(), 1);
        QVERIFY(p.prompter.shown.isEmpty());
    }

    void outputEnabledBox()
    {
        Ports p;
        p.out->setPort(1);
        p.out->setUsing(true);
        auto f = p.form();
        f->CheckBoxOutEnabled->click();
        QVERIFY(!p.out->Using());
        QCOMPARE(p.backend.openOutputIndex(), -1);
        QCOMPARE(p.out->Port(), 1); // the choice is kept

        // While switched off, choosing only shows the choice.
        choose(f->ComboBoxMidiOut, 0);
        QVERIFY(!p.out->Using());
        QCOMPARE(p.out->Port(), 1);

        // Checking again opens the device the list shows.
        f->CheckBoxOutEnabled->click();
        QVERIFY(p.out->Using());
        QCOMPARE(p.out->Port(), 0);
        QCOMPARE(p.backend.openOutputIndex(), 0);
    }

    void unavailableDevice()
    {
        Ports p;
        p.backend.unavailableInputs = {1};
        p.backend.unavailableOutputs = {0};
        p.in->setPort(0);
        p.in->setUsing(true);
        p.out->setPort(-1);
        auto f = p.form();
        QVERIFY(f->CheckBoxOutEnabled->isChecked());

        choose(f->ComboBoxMidiIn, 1);
        QVERIFY(!p.in->Using());
        QCOMPARE(p.in->Port(), 1); // kept, so it is saved
        QVERIFY(!f->CheckBoxInEnabled->isChecked());
        QCOMPARE(p.prompter.shown.size(), 1);
        QCOMPARE(p.prompter.shown[0].caption, QStringLiteral("x.syx - Quorvex"));
        QCOMPARE(p.prompter.shown[0].text, QStringLiteral("The MIDI input port is not available."));
        QCOMPARE(p.prompter.shown[0].icon, Prompter::Icon::Error);

        choose(f->ComboBoxMidiOut, 0);
        QVERIFY(!p.out->Using());
        QVERIFY(!f->CheckBoxOutEnabled->isChecked());
        QCOMPARE(p.prompter.texts().last(), QStringLiteral("The MIDI output port is not available."));
    }

    void typedTextOpensNothingUnchosen()
    {
        Ports p;
        p.in->setPort(1);
        p.in->setUsing(true);
        p.out->setPort(1);
        p.out->setUsing(true);
        auto f = p.form();

        // Text that names no device: nothing stays open on a device the user
        // did not pick, and no error is raised for a half-typed name.
        QTest::keyClicks(f->ComboBoxMidiIn->lineEdit(), QStringLiteral("x"));
        QCOMPARE(TFormMidi::listIndex(f->ComboBoxMidiIn), -1);
        QVERIFY(!p.in->Using());
        QCOMPARE(p.in->Port(), -1);
        QCOMPARE(p.backend.openInputIndex(), -1);

        f->ComboBoxMidiOut->setEditText(QStringLiteral("Out"));
        f->ComboBoxMidiOutChange();
        QVERIFY(!p.out->Using());
        QCOMPARE(p.out->Port(), -1);
        QCOMPARE(p.backend.openOutputIndex(), -1);
        QVERIFY(p.prompter.shown.isEmpty());

        // Typing a device's full name chooses that device.
        f->ComboBoxMidiOut->setEditText(QStringLiteral("Out A"));
        f->ComboBoxMidiOutChange();
        QVERIFY(p.out->Using());
        QCOMPARE(p.out->Port(), 0);
    }
};

QTEST_MAIN(TestFormMidi)
#include "tst_formmidi.moc"
