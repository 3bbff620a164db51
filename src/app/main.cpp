// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/apppaths.h"
#include "mainwindow/caretrest.h"
#include "session/handover.h"
#include "mainwindow/mainwindow.h"
#include "session/singleinstance.h"
#include "files/safefile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor and librarian for the Amp."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A preset or group file to open."),
                                 QStringLiteral("[file]"));
    // The shell splits a name with spaces; everything after the first word is
    // part of it, even a word that starts with a dash.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    // Help and version answer without a display: no window, and no running
    // program is asked.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    parser.parse(raw);
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(version)) {
        QCoreApplication core(argc, argv);
        parser.process(core); // prints and exits
        return 0;
    }

    // Past a file-size limit a save fails with its reason; the edits stay.
    files::ignoreFileSizeLimitSignal();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QLatin1String(AppPaths::DesktopId));
    parser.process(app); // an unknown option ends here, with its message
    const QStringList arguments = parser.positionalArguments();

    const QString serverName = SingleInstance::defaultServerName();
    // Another instance runs: it comes to the front and opens the file. A
    // text too long to name a file is not handed over; this program's own
    // window says why when no other runs.
    const QString commandLine = handover::commandLine(arguments, QDir::currentPath());
    const QString refusal = handover::refusal(commandLine);
    if (SingleInstance::sendToRunning(serverName, refusal.isEmpty() ? commandLine : QString())) {
        if (refusal.isEmpty())
            return 0;
        std::fprintf(stderr, "quorvex: %s\n", qPrintable(QString(refusal).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        return 2;
    }

    const CaretRest caretRest;
    MainWindow::Options options;
    options.serverName = serverName;
    options.arguments = arguments;
    MainWindow window(std::move(options));
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}
