#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("untitled - Quorvex"));
    window.resize(750, 516);
    window.show();
    return app.exec();
}
