// SPDX-License-Identifier: GPL-3.0-or-later
// The group box that keeps its drawn frame and caption: it must look exactly
// like the style's own, and draw again whenever what it shows changes.
#include "controls/flatgroupbox.h"

#include <QLabel>
#include <QtTest>

namespace {

// The largest difference in any colour channel of any pixel.
int difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max(
                {most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

// The box as it appears on its window's background, drawn in pieces as a
// child's repaints would draw it.
QImage look(QGroupBox &box, int piece = 0)
{
    QImage img(box.size(), QImage::Format_RGB32);
    img.fill(box.palette().color(QPalette::Window));
    if (piece <= 0) {
        box.render(&img, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        return img;
    }
    for (int y = 0; y < box.height(); y += piece)
        for (int x = 0; x < box.width(); x += piece)
            box.render(&img, QPoint(x, y), QRegion(x, y, piece, piece), QWidget::DrawWindowBackground);
    return img;
}

} // namespace

class TestGroupBox : public QObject {
    Q_OBJECT
private slots:
    void looksLikeTheStylesOwn()
    {
        for (const double scale : {1.0, 0.85}) {
            QWidget window;
            QFont f = window.font();
            f.setPointSizeF(f.pointSizeF() * scale); // the panel's compact face
            window.setFont(f);
            QGroupBox plain(QStringLiteral("Modulation (dual)"), &window);
            FlatGroupBox cached(QStringLiteral("Modulation (dual)"), &window);
            for (QGroupBox *b : {static_cast<QGroupBox *>(&plain), static_cast<QGroupBox *>(&cached)})
                b->resize(140, 90);
            // Blending the frame into an image or onto the window may round
            // a shade differently; a clipped caption or a wrong face would not.
            QVERIFY(difference(look(cached), look(plain)) <= 2);
            QVERIFY(difference(look(cached, 7), look(plain)) <= 2);
            cached.setEnabled(false);
            plain.setEnabled(false);
            QVERIFY(difference(look(cached, 5), look(plain)) <= 2);
        }
    }

    void drawsAgainOnlyWhenItsLookChanges()
    {
        QWidget window;
        FlatGroupBox box(QStringLiteral("Delay"), &window);
        auto *child = new QLabel(QStringLiteral("x"), &box);
        child->move(30, 40);
        box.resize(120, 80);
        window.resize(200, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(box.StyleDraws() >= 1);
        const int drawn = box.StyleDraws();

        // A child repainting costs a copy, not a drawing.
        for (int i = 0; i < 5; ++i) {
            child->setText(QString::number(i));
            QCoreApplication::processEvents();
        }
        box.repaint(QRect(40, 40, 20, 20));
        QCOMPARE(box.StyleDraws(), drawn);

        // A change of what the box shows: it learns its face again.
        QImage before = look(box);
        box.setTitle(QStringLiteral("Delay (dual)"));
        QVERIFY(look(box) != before);
        const int retitled = box.StyleDraws();
        QVERIFY(retitled >= drawn + 2); // learning the face, then the whole box
        QPalette pal = box.palette();
        pal.setColor(QPalette::Window, QColor(200, 220, 240));
        box.setPalette(pal);
        QWidget plainWindow;
        plainWindow.setPalette(pal);
        QGroupBox plain(QStringLiteral("Delay (dual)"), &plainWindow);
        plain.resize(box.size());
        QVERIFY(difference(look(box), look(plain)) <= 2);
        QVERIFY(box.StyleDraws() > retitled);
    }
};

QTEST_MAIN(TestGroupBox)
#include "tst_groupbox.moc"
