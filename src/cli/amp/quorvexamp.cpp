// SPDX-License-Identifier: GPL-3.0-or-later
// quorvex-amp: the virtual Amp on virtual MIDI ports, so Quorvex can be
// tried, and tested end to end, without the hardware.
#include "ampsim/ampmonitor.h"
#include "ampsim/virtualamp.h"
#include "ampsim/virtualampdriver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>
#include <rtmidi/RtMidi.h>
#include <string>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &c, 1);
}

class AmpStandIn : public QObject {
public:
    AmpStandIn(VirtualAmp &amp, int wireRate, bool monitor)
        : driver_(amp, [this](const amp::Bytes &m) { toPort(m); }), monitor_(monitor)
    {
        driver_.setWireRate(wireRate);
    }

    VirtualAmpDriver &driver() { return driver_; }
    // Switched off, the Amp hears nothing, while its ports stay (as a MIDI
    // interface stays plugged in).
    void setOff(bool off) { off_ = off; }

    // Opens both ports; false (with the reason printed) when no MIDI service takes them.
    bool open(RtMidi::Api api, const QString &name)
    {
        try {
            const std::string client = name.toStdString();
            in_ = std::make_unique<RtMidiIn>(api, client, 8192);
            out_ = std::make_unique<RtMidiOut>(in_->getCurrentApi(), client);
            in_->ignoreTypes(false, true, true);
            in_->setCallback(&AmpStandIn::received, this);
            in_->openVirtualPort(client + " In");
            out_->openVirtualPort(client + " Out");
            std::fprintf(stderr, "quorvex-amp: ports \"%s In\" and \"%s Out\" on %s\n", client.c_str(), client.c_str(),
                         RtMidi::getApiDisplayName(in_->getCurrentApi()).c_str());
            return true;
        } catch (const RtMidiError &e) {
            std::fprintf(stderr, "quorvex-amp: %s\n", e.getMessage().c_str());
        }
        return false;
    }

    void close()
    {
        in_.reset();
        out_.reset();
    }

private:
    // RtMidi's thread: the bytes go to the main thread, in order.
    static void received(double, std::vector<unsigned char> *message, void *self)
    {
        if (!message || message->empty())
            return;
        auto *stand = static_cast<AmpStandIn *>(self);
        QMetaObject::invokeMethod(
            stand, [stand, m = amp::Bytes(message->begin(), message->end())] { stand->handle(m); },
            Qt::QueuedConnection);
    }

    void handle(const amp::Bytes &m)
    {
        if (monitor_)
            std::printf("in   %s\n", qPrintable(describeMessage(m.data(), m.size())));
        if (!off_)
            driver_.receive(m);
        std::fflush(stdout);
    }

    void toPort(const amp::Bytes &m)
    {
        try {
            if (out_)
                out_->sendMessage(m.data(), m.size());
        } catch (const RtMidiError &e) {
            std::fprintf(stderr, "quorvex-amp: %s\n", e.getMessage().c_str());
        }
        if (monitor_) {
            std::printf("out  %s\n", qPrintable(describeMessage(m.data(), m.size())));
            std::fflush(stdout);
        }
    }

    VirtualAmpDriver driver_;
    bool monitor_;
    bool off_ = false;
    std::unique_ptr<RtMidiIn> in_;
    std::unique_ptr<RtMidiOut> out_;
};

// Commands typed while it runs, one per line.
void command(const QString &line, AmpStandIn &stand)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    const QString verb = words[0].toLower();
    bool ok = true;
    if (verb == QLatin1String("pc") && words.size() >= 2) {
        const int program = words[1].toInt(&ok);
        const bool user = words.size() < 3 || words[2].toLower() != QLatin1String("factory");
        if (ok)
            stand.driver().stepToPreset(program, user);
    } else if (verb == QLatin1String("knob") && words.size() >= 3) {
        bool okValue = true;
        const int index = words[1].toInt(&ok);
        const int value = words[2].toInt(&okValue);
        ok = ok && okValue;
        if (ok)
            stand.driver().turnKnob(index, std::uint8_t(value));
    } else if (verb == QLatin1String("off") || verb == QLatin1String("on")) {
        stand.setOff(verb == QLatin1String("off"));
    } else if (verb == QLatin1String("quit")) {
        QCoreApplication::quit();
    } else {
        ok = false;
    }
    if (!ok)
        std::fprintf(stderr, "commands: pc <0-15> [user|factory] | knob <byte> <value> | off | on | quit\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-amp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual Amp on virtual MIDI ports: it answers Quorvex as the Amp would.\n"
                       "Type \"pc 6 user\" to switch it to user preset B3, \"knob 15 20\" to turn a knob.\n"
                       "In tuner mode it plays a slow sweep across the notes, about 20 readings a second."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption firmwareOption(QStringLiteral("firmware"),
                                            QStringLiteral("Firmware version to report: 2.0, 1.7, 1.4, 1.4G..."),
                                            QStringLiteral("version"), QStringLiteral("2.0"));
    const QCommandLineOption channelOption(QStringLiteral("channel"), QStringLiteral("MIDI channel, 1 to 16."),
                                           QStringLiteral("channel"), QStringLiteral("1"));
    const QCommandLineOption portOption(QStringLiteral("port-name"), QStringLiteral("Name of the MIDI ports."),
                                        QStringLiteral("name"), QStringLiteral("Quorvex Virtual Amp"));
    const QCommandLineOption rateOption(QStringLiteral("wire-rate"),
                                        QStringLiteral("Bytes a second it sends, as a MIDI cable would (3125); 0: "
                                                       "no pacing."),
                                        QStringLiteral("bytes"), QStringLiteral("3125"));
    const QCommandLineOption apiOption(QStringLiteral("api"), QStringLiteral("MIDI service: alsa, jack or auto."),
                                       QStringLiteral("api"), QStringLiteral("auto"));
    const QCommandLineOption monitorOption(QStringLiteral("monitor"),
                                           QStringLiteral("Print one line per message received and sent."));
    const QCommandLineOption replyDelayOption(
        QStringLiteral("reply-delay"),
        QStringLiteral("Milliseconds before it answers a preset, group or globals request."), QStringLiteral("ms"),
        QStringLiteral("0"));
    parser.addOptions(
        {firmwareOption, channelOption, portOption, rateOption, apiOption, monitorOption, replyDelayOption});
    parser.process(app);

    VirtualAmp amp;
    if (!VirtualAmpDriver::firmwareByte(parser.value(firmwareOption), amp.versionByte)) {
        std::fprintf(stderr, "quorvex-amp: --firmware takes a version such as 2.0, 1.4 or 1.4G\n");
        return 2;
    }
    bool ok = false;
    const int channel = parser.value(channelOption).toInt(&ok);
    if (!ok || channel < 1 || channel > 16) {
        std::fprintf(stderr, "quorvex-amp: --channel takes 1 to 16\n");
        return 2;
    }
    VirtualAmpDriver::unboxed(amp, channel);
    const int rate = parser.value(rateOption).toInt(&ok);
    if (!ok || rate < 0) {
        std::fprintf(stderr, "quorvex-amp: --wire-rate takes a number of bytes a second, 0 for none\n");
        return 2;
    }
    const QString apiName = parser.value(apiOption).toLower();
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    if (apiName == QLatin1String("alsa"))
        api = RtMidi::LINUX_ALSA;
    else if (apiName == QLatin1String("jack"))
        api = RtMidi::UNIX_JACK;
    else if (apiName != QLatin1String("auto")) {
        std::fprintf(stderr, "quorvex-amp: --api takes alsa, jack or auto\n");
        return 2;
    }

    const int replyDelay = parser.value(replyDelayOption).toInt(&ok);
    if (!ok || replyDelay < 0) {
        std::fprintf(stderr, "quorvex-amp: --reply-delay takes a number of milliseconds\n");
        return 2;
    }

    AmpStandIn stand(amp, rate, parser.isSet(monitorOption));
    stand.driver().setReplyDelay(replyDelay);
    bool opened = stand.open(api, parser.value(portOption));
    // No ALSA sequencer (containers, some desktops): a running JACK server will do.
    if (!opened && api == RtMidi::UNSPECIFIED)
        opened = stand.open(RtMidi::UNIX_JACK, parser.value(portOption));
    if (!opened)
        return 1;

    // Ctrl+C and kill end it cleanly, ports closed.
    if (::pipe(signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto *stop = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(stop, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    }
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    // Read straight from the descriptor: lines pasted or piped in together
    // arrive in one read, and a buffered reader would sit on all but the first.
    std::string pending;
    QObject::connect(input, &QSocketNotifier::activated, &app, [&, input] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input->setEnabled(false); // end of input: keep running until a signal
            return;
        }
        pending.append(buffer, std::size_t(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            command(QString::fromLocal8Bit(pending.data(), qsizetype(end)), stand);
            pending.erase(0, end + 1);
        }
    });

    const int result = app.exec();
    stand.close();
    return result;
}
