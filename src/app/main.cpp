#include "app/quorvex1.h"
#include "app/singleinstance.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.2"));

    const QStringList arguments = QApplication::arguments().mid(1);
    const QString serverName = SingleInstance::defaultServerName();
    // Another instance runs: it comes to the front and opens the file.
    if (SingleInstance::sendToRunning(serverName, SingleInstance::commandLineText(arguments, QDir::currentPath())))
        return 0;

    Quorvex1::Options options;
    options.serverName = serverName;
    options.arguments = arguments;
    Quorvex1 window(std::move(options));
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}
