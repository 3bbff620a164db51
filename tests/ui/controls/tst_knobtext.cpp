// SPDX-License-Identifier: GPL-3.0-or-later
// Values as text: ParseUnitValue, list knobs and the attached edit box.
#include "controls/converterror.h"
#include "controls/knobedit.h"
#include "controls/knobmenu.h"
#include "controls/listknob.h"
#include "controls/numberknob.h"
#include "controls/numberlistknob.h"
#include "controls/parseunitvalue.h"
#include "controls/valueedit.h"

#include <QImage>
#include <QtTest>

#include <memory>

namespace {

// Knobs fire events and clamp only after their first paint.
bool showPainted(Knob &k)
{
    k.show();
    return QTest::qWaitFor([&] { return k.PaintedOnce(); });
}

void typeAndEnter(KnobEdit &edit, const QString &text)
{
    edit.setText(text);
    QTest::keyClick(&edit, Qt::Key_Return);
}

// A plain knob that counts the edit's hand-overs.
class CountingKnob : public Knob {
public:
    int handed = 0;
    void EdithasChanged() override { ++handed; }
};

} // namespace

class TestKnobText : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void parseUnitValue()
    {
        QCOMPARE(ParseUnitValue("2.5k"), 2500.0f);
        QCOMPARE(ParseUnitValue("15 ms"), 0.015f);
        QCOMPARE(ParseUnitValue("15 Ms"), 15.0f);
        QCOMPARE(ParseUnitValue("  -3.5 dB"), -3.5f);
        QCOMPARE(ParseUnitValue("abc"), -32000.0f);
        QCOMPARE(ParseUnitValue(""), -32000.0f);
        QVERIFY_THROWS_EXCEPTION(ConvertError, ParseUnitValue("1.2.3"));
        QVERIFY_THROWS_EXCEPTION(ConvertError, ParseUnitValue("1,500")); // no thousands separator
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(ParseUnitValue("2,5k"), 2500.0f);
        QVERIFY_THROWS_EXCEPTION(ConvertError, ParseUnitValue("2.5"));
    }

    void listSearches()
    {
        ListKnob k;
        QCOMPARE(k.NumTicks(), 0);
        k.SetKnobStrings({"Clean", "Crunch", "Tweed", "tweed"});
        QCOMPARE(k.NumTicks(), 4);
        QVERIFY(showPainted(k));
        QStringList log;
        QObject::connect(&k, &Knob::OnChanged, [&](Knob *s) { log << QString::number(s->Tick()); });
        k.SetStr("TW");
        QCOMPARE(k.GetString(), QStringLiteral("Tweed"));
        k.SetStr("Crunchy"); // longer than every entry: no match, stays
        QCOMPARE(k.Tick(), 2);
        k.SetStr("");
        QCOMPARE(k.Tick(), 0);
        k.SetExactStr("tweed");
        k.SetExactStr("TWEED");
        QCOMPARE(k.Tick(), 3);
        QCOMPARE(log, (QStringList{"2", "0", "3"}));

        // The plain list knob wants an exact value.
        k.SetKnobStrings({"1k", "2k", "500"});
        k.SetValue(2001);
        QCOMPARE(k.Tick(), 3);
        k.SetValue(2000);
        QCOMPARE(k.Tick(), 1);
    }

    void listOutOfRangeIsNeverRead()
    {
        ListKnob k;
        k.SetKnobStrings({"1", "2", "3"});
        KnobEdit edit;
        k.SetTarget(&edit);
        QVERIFY(showPainted(k));
        k.SetTick(2);
        QCOMPARE(edit.text(), QStringLiteral("3"));
        k.Clear();
        QCOMPARE(k.NumTicks(), 3); // follows at the next UpdateEdit
        QCOMPARE(k.GetString(), QString());
        QCOMPARE(k.GetValue(), -32000.0f);
        k.UpdateEdit();
        QCOMPARE(k.NumTicks(), 0);
        QCOMPARE(edit.text(), QStringLiteral("3")); // nothing to show, left alone
        k.ShowTickMenu(QPoint(0, 0));
        QCOMPARE(k.TickMenu()->Count(), 0);
        k.TickMenu()->hide();
    }

    void numberLists()
    {
        NumberListKnob k;
        k.AddValue(2.5f);
        k.AddValue(3);
        QCOMPARE(k.KnobStrings(), (QStringList{"2.5", "3"}));
        NumberListKnob r;
        r.AddRange(0, 1, 0.25f, 2, "s");
        QCOMPARE(r.KnobStrings(), (QStringList{"0.00s", "0.25s", "0.50s", "0.75s", "1.00s"}));
        QCOMPARE(r.NumTicks(), 5);
        r.AddRange(1, 0, 0.25f, 2, "s");
        r.AddRange(0, 1, 0, 0, "");
        QCOMPARE(r.KnobStrings().size(), 5);

        NumberListKnob n;
        for (float v : {1.0f, 2.0f, 4.0f, 8.0f})
            n.AddValue(v);
        QVERIFY(showPainted(n));
        n.SetValue(3); // tie between 2 and 4: the earlier wins
        QCOMPARE(n.GetString(), QStringLiteral("2"));
        n.SetValue(6);
        QCOMPARE(n.GetString(), QStringLiteral("4"));
        n.SetValue(100);
        QCOMPARE(n.GetString(), QStringLiteral("8"));
    }

    void numberKnobEdit()
    {
        NumberKnob k;
        k.SetMin(0);
        k.SetMax(25);
        k.SetUnits(" dB");
        KnobEdit edit;
        k.SetTarget(&edit);
        edit.SetTarget(&k);
        QVERIFY(showPainted(k));
        QCOMPARE(edit.text(), QStringLiteral("0 dB")); // written at the first paint

        int writes = 0;
        connect(&edit, &QLineEdit::textChanged, [&] { ++writes; });
        k.SetValue(7);
        QCOMPARE(edit.text(), QStringLiteral("7 dB"));
        k.repaint(); // a full paint finds the text current: no rewrite
        QCOMPARE(writes, 1);

        QStringList log;
        QObject::connect(&k, &Knob::OnChanged, [&](Knob *s) { log << QString::number(s->Tick()); });
        typeAndEnter(edit, "12 dB");
        QCOMPARE(k.GetValue(), 12.0f);
        QCOMPARE(edit.text(), QStringLiteral("12")); // the typed text differed from "12"
        QCOMPARE(log, QStringList{"12"});
        typeAndEnter(edit, "40");
        QCOMPARE(edit.text(), QStringLiteral("25"));
        typeAndEnter(edit, "off"); // no digits: refused, the value stays
        QCOMPARE(edit.text(), QStringLiteral("25 dB"));
        QCOMPARE(log, (QStringList{"12", "25"}));

        QStringList errors;
        connect(&edit, &KnobEdit::OnConvertError, [&](KnobEdit *sender, const QString &m) {
            QCOMPARE(sender, &edit);
            errors << m;
        });
        typeAndEnter(edit, "9.9.9");
        QCOMPARE(k.GetValue(), 25.0f); // kept
        QCOMPARE(errors, QStringList{"'9.9.9' is not a valid floating point value"});
        QVERIFY_THROWS_EXCEPTION(ConvertError, k.EdithasChanged());
    }

    void listKnobEdits()
    {
        ListKnob list;
        list.SetKnobStrings({"Clean", "Crunch", "Tweed"});
        ValueEdit listEdit;
        list.SetTarget(&listEdit);
        listEdit.setProperty("TargetKnob", QVariant::fromValue<QObject *>(&list));
        QCOMPARE(listEdit.TargetKnob(), &list);
        QVERIFY(showPainted(list));
        typeAndEnter(listEdit, "cr");
        QCOMPARE(listEdit.text(), QStringLiteral("Crunch"));

        NumberListKnob numbers;
        numbers.AddRange(0, 1, 0.25f, 2, "s");
        KnobEdit edit;
        numbers.SetTarget(&edit);
        edit.SetTarget(&numbers);
        QVERIFY(showPainted(numbers));
        typeAndEnter(edit, "800 ms");
        QCOMPARE(numbers.GetString(), QStringLiteral("0.75s"));
        QCOMPARE(edit.text(), QStringLiteral("0.75s"));
    }

    // Text without a digit is no value: the knob keeps its own, the edit shows
    // it again and says why (unless the box was merely cleared). Nothing is
    // reported as a change, whether handed over by Enter or by leaving the box.
    void textWithoutDigitsKeepsTheValue_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        for (bool list : {false, true}) {
            const char *kind = list ? "number list" : "number";
            QTest::addRow("%s, letters", kind) << list << "abc"
                                               << "'abc' is not a number";
            QTest::addRow("%s, unit alone", kind) << list << " dB"
                                                  << "' dB' is not a number";
            QTest::addRow("%s, sign and point", kind) << list << "-."
                                                      << "'-.' is not a number";
            QTest::addRow("%s, empty", kind) << list << ""
                                             << "";
            QTest::addRow("%s, blanks", kind) << list << " \t "
                                              << "";
        }
    }
    void textWithoutDigitsKeepsTheValue()
    {
        QFETCH(bool, list);
        QFETCH(QString, typed);
        QFETCH(QString, error);
        QWidget window;
        NumberKnob number(&window);
        NumberListKnob entries(&window);
        Knob *k = &number;
        if (list) {
            entries.AddRange(0, 1, 0.25f, 2, "s");
            entries.SetValue(0.5f);
            k = &entries;
        } else {
            number.SetMin(0);
            number.SetMax(25);
            number.SetUnits(" dB");
            number.SetValue(7);
        }
        // The other knob would cover this one.
        (list ? static_cast<Knob &>(number) : static_cast<Knob &>(entries)).hide();
        ValueEdit edit(&window);
        QLineEdit other(&window);
        edit.move(0, 40);
        other.move(0, 70);
        k->SetTarget(&edit);
        edit.SetTarget(k);
        window.show();
        QVERIFY(QTest::qWaitFor([&] { return k->PaintedOnce(); }));
        const int tick = k->Tick();
        const QString shown = edit.text();
        QCOMPARE(shown, list ? QStringLiteral("0.50s") : QStringLiteral("7 dB"));

        QStringList log;
        connect(k, &Knob::OnChanging, [&] { log << "changing"; });
        connect(k, &Knob::OnChanged, [&] { log << "changed"; });
        connect(&edit, &KnobEdit::OnConvertError, [&](KnobEdit *, const QString &m) { log << m; });
        const QStringList expected = error.isEmpty() ? QStringList() : QStringList{error};

        typeAndEnter(edit, typed);
        QCOMPARE(k->Tick(), tick);
        QCOMPARE(edit.text(), shown);
        QCOMPARE(log, expected);

        log.clear();
        edit.setFocus();
        QTRY_VERIFY(edit.hasFocus());
        edit.setText(typed);
        other.setFocus();
        QTRY_VERIFY(!edit.hasFocus());
        QCOMPARE(k->Tick(), tick);
        QCOMPARE(edit.text(), shown);
        QCOMPARE(log, expected);
    }

    void enterOnlyForValueKnobs()
    {
        QWidget window;
        CountingKnob plain;
        KnobEdit edit(&window);
        QLineEdit other(&window);
        edit.SetTarget(&plain);
        window.show();
        edit.setFocus();
        QTRY_VERIFY(edit.hasFocus());
        QTest::keyClick(&edit, Qt::Key_Return); // a plain knob reads nothing at Enter
        QCOMPARE(plain.handed, 0);
        other.setFocus(); // ... but does when the edit loses the focus
        QTRY_COMPARE(plain.handed, 1);
    }

    void longTextIsCut()
    {
        NumberKnob k;
        k.SetMin(0);
        k.SetMax(10);
        k.SetUnits(QString(100, 'u'));
        KnobEdit edit;
        k.SetTarget(&edit);
        QVERIFY(showPainted(k));
        k.SetValue(4);
        QCOMPARE(edit.text(), QString("4" + QString(78, 'u')));
        QCOMPARE(k.GetTickString(3).size(), 79);

        ListKnob list;
        list.SetKnobStrings({"short", QString(90, 'a') + "x"});
        KnobEdit listEdit;
        list.SetTarget(&listEdit);
        listEdit.SetTarget(&list);
        QVERIFY(showPainted(list));
        typeAndEnter(listEdit, QString(300, 'A')); // compared over 79 characters
        QCOMPARE(list.Tick(), 1);
        QCOMPARE(listEdit.text(), QString(79, 'a'));
    }

    void editAlignment()
    {
        QWidget window;
        KnobEdit edit(&window);
        QLineEdit other(&window);
        other.move(0, 40);
        edit.resize(120, 24);
        edit.setText("88");
        edit.SetAlignment(KnobEdit::TextAlign::Right);
        window.show();
        other.setFocus();
        QTRY_VERIFY(other.hasFocus());
        // The columns the text's ink covers, inside the frame.
        auto ink = [&edit] {
            QImage img(edit.size(), QImage::Format_RGB32);
            edit.render(&img);
            const QRgb base = edit.palette().color(QPalette::Base).rgb();
            int first = img.width(), last = -1;
            for (int x = 4; x < img.width() - 4; ++x)
                for (int y = 4; y < img.height() - 4; ++y)
                    if (img.pixel(x, y) != base) {
                        first = std::min(first, x);
                        last = std::max(last, x);
                    }
            return std::pair{first, last};
        };
        QVERIFY(ink().first > edit.width() / 2);
        edit.setFocus(); // typing happens left-aligned
        QTRY_COMPARE(edit.Alignment(), KnobEdit::TextAlign::Left);
        QVERIFY(ink().second < edit.width() / 2);
        other.setFocus();
        QTRY_COMPARE(edit.Alignment(), KnobEdit::TextAlign::Right);
        edit.SetAlignment(KnobEdit::TextAlign::Center);
        const auto [first, last] = ink();
        QVERIFY(std::abs((first + last) / 2 - edit.width() / 2) <= 3);
    }

    void linksClearWhenDestroyed()
    {
        NumberKnob k;
        auto edit = std::make_unique<KnobEdit>();
        k.SetTarget(edit.get());
        edit.reset();
        QCOMPARE(k.TargetEdit(), nullptr);
        QVERIFY(showPainted(k));
        k.SetValue(1); // no edit to write into
        KnobEdit e;
        {
            ListKnob gone;
            e.SetTarget(&gone);
        }
        QCOMPARE(e.TargetKnob(), nullptr);
        typeAndEnter(e, "x");
    }
};

QTEST_MAIN(TestKnobText)
#include "tst_knobtext.moc"
