// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the program's start-up: about the least a Qt Widgets main
// window can be, at the program's design size (750 x 516 client area plus
// the menu bar).
//
// --delay-ms N and --alloc-mb N make it slow or big on purpose; the
// measurement's self-check uses them to prove it sees such a difference.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <QWidget>

#include <cstring>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    int delayMs = 0;
    int allocMb = 0;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--delay-ms"))
            delayMs = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--alloc-mb"))
            allocMb = args[i + 1].toInt();
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);

    auto *central = new QWidget;
    auto *layout = new QHBoxLayout(central);
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
    layout->addWidget(combo);
    layout->addWidget(new QCheckBox(QStringLiteral("Check")));
    layout->addStretch();
    window.setCentralWidget(central);
    window.resize(750, 516 + window.menuBar()->sizeHint().height());

    // Touched, so that it is resident.
    std::vector<char> ballast(std::size_t(allocMb) << 20);
    std::memset(ballast.data(), 1, ballast.size());
    if (delayMs > 0)
        QThread::msleep(delayMs);

    window.show();
    return app.exec();
}
