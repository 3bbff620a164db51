// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/safefile.h"
#include "mainwindow/caretrest.h"
#include "mainwindow/mainwindow.h"
#include "session/apppaths.h"
#include "session/handover.h"
#include "session/singleinstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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
    // The system language's texts, when there are any; otherwise English.
    // Qt's own (the buttons of the standard dialogs) come from Qt's folder.
    QTranslator qtTexts, ownTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    if (ownTexts.load(QLocale(), QStringLiteral("quorvex"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&ownTexts);
    QGuiApplication::setDesktopFileName(QLatin1String(AppPaths::DesktopId));
    parser.process(app); // an unknown option ends here, with its message
    const QStringList arguments = parser.positionalArguments();

    // Whoever owns the name first is the running program; a start that
    // cannot own it hands its command line over and ends. A text too long to
    // name a file is not handed over: the running window only comes to the
    // front, and this start says why.
    auto instance = std::make_unique<SingleInstance>(SingleInstance::defaultServerName());
    if (!instance->bus().isConnected()) {
        std::fprintf(stderr, "quorvex: no D-Bus session bus; running alone (a second start opens another window)\n");
        instance.reset();
    } else if (!instance->listen()) {
        const QString refusal = handover::refusal(handover::commandLine(arguments, QDir::currentPath()));
        const SingleInstance::Sent sent = SingleInstance::sendToRunning(
            instance->serverName(), refusal.isEmpty() ? arguments : QStringList(), QDir::currentPath());
        const QString why = sent.taken ? refusal : sent.refusal;
        if (!why.isEmpty()) {
            std::fprintf(stderr, "quorvex: %s\n",
                         qPrintable(QString(why).replace(QLatin1Char('\n'), QLatin1Char(' '))));
            return 2;
        }
        if (sent.taken)
            return 0;
        // Owned by a program that does not answer: this one runs alone.
        std::fprintf(stderr, "quorvex: %s does not answer; running alone\n", qPrintable(instance->serverName()));
        instance.reset();
    }

    const CaretRest caretRest;
    MainWindow::Options options;
    options.instance = std::move(instance);
    options.arguments = arguments;
    options.recoveryFolder = RecoveryCopy::defaultFolder();
    MainWindow window(std::move(options));
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return app.exec();
}
