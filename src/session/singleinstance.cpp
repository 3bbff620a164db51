// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/singleinstance.h"

#include "session/handover.h"
#include "session/inputscope.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QUrl>

namespace {

const QString RefusedError = QStringLiteral("org.quorvex.Quorvex.Error.Refused");
// Long enough for a busy window to get to its event loop; the second start
// opens a window of its own after it.
constexpr int CallTimeoutMs = 5000;

} // namespace

// The desktop's interface: launchers and file managers call it.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(SingleInstance *parent) : QDBusAbstractAdaptor(parent), instance_(parent) {}

public slots:
    void Activate(const QVariantMap &) { instance_->activate(); }
    void Open(const QStringList &uris, const QVariantMap &, const QDBusMessage &message)
    {
        instance_->open(uris, message);
    }
    void ActivateAction(const QString &action, const QVariantList &, const QVariantMap &, const QDBusMessage &message)
    {
        // No actions are exported.
        message.setDelayedReply(true);
        instance_->bus().send(
            message.createErrorReply(QDBusError::NotSupported, SingleInstance::tr("No action %1").arg(action)));
    }

private:
    SingleInstance *instance_;
};

// Our own: a second start's command line as the shell split it, with the
// folder its relative names are relative to.
class HandOverAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quorvex.Quorvex")
public:
    explicit HandOverAdaptor(SingleInstance *parent) : QDBusAbstractAdaptor(parent), instance_(parent) {}

public slots:
    void CommandLine(const QStringList &arguments, const QString &workingDir, const QDBusMessage &message)
    {
        instance_->takeCommandLine(arguments, workingDir, message);
    }

private:
    SingleInstance *instance_;
};

const QString SingleInstance::ObjectPath = QStringLiteral("/org/quorvex/Quorvex");
const QString SingleInstance::Interface = QStringLiteral("org.quorvex.Quorvex");

SingleInstance::SingleInstance(QString serviceName, QDBusConnection bus, QObject *parent)
    : QObject(parent), name_(std::move(serviceName)), bus_(std::move(bus))
{
    new ApplicationAdaptor(this);
    new HandOverAdaptor(this);
}

SingleInstance::~SingleInstance()
{
    if (listening_)
        bus_.unregisterService(name_);
    if (registered_)
        bus_.unregisterObject(ObjectPath);
}

QString SingleInstance::defaultServerName()
{
    return QStringLiteral("org.quorvex.Quorvex");
}

SingleInstance::Sent SingleInstance::sendToRunning(const QString &serviceName, const QStringList &arguments,
                                                   const QString &workingDir, QDBusConnection bus)
{
    Sent sent;
    if (!bus.isConnected())
        return sent;
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName, ObjectPath, Interface, QStringLiteral("CommandLine"));
    call << arguments << workingDir;
    // Never start a program through activation: this one is starting.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        sent.taken = true;
    else if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == RefusedError)
        sent.refusal = reply.errorMessage();
    return sent;
}

bool SingleInstance::listen()
{
    if (listening_)
        return true;
    if (!bus_.isConnected())
        return false;
    // The object first, so a call that comes the moment the name is ours
    // finds it.
    if (!registered_)
        registered_ = bus_.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors);
    if (!registered_)
        return false;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus_.interface()->registerService(
        name_, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    listening_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    return listening_;
}

void SingleInstance::activate()
{
    const InputScope scope;
    deliver(QString());
}

void SingleInstance::open(const QStringList &uris, const QDBusMessage &message)
{
    const InputScope scope;
    // One document at a time: the first file named is opened.
    for (const QString &uri : uris) {
        const QUrl url(uri);
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (const QString why = handover::refusal(path); !why.isEmpty())
            return refuse(message, why);
        return deliver(path);
    }
    if (uris.isEmpty())
        return deliver(QString());
    refuse(message, tr("Not a local file: %1").arg(uris.first().left(200)));
}

void SingleInstance::takeCommandLine(const QStringList &arguments, const QString &workingDir,
                                     const QDBusMessage &message)
{
    const InputScope scope;
    qsizetype size = workingDir.size();
    for (const QString &a : arguments)
        size += a.size() + 1;
    if (size > handover::MaxBytes)
        return refuse(message,
                      tr("The command line is too long to name a file (over %1 bytes).").arg(handover::MaxBytes));
    if (!arguments.isEmpty() && !QDir::isAbsolutePath(workingDir))
        return refuse(message, tr("The working folder is not an absolute path."));
    const QString text = handover::commandLine(arguments, workingDir);
    if (const QString why = handover::refusal(text); !why.isEmpty())
        return refuse(message, why);
    deliver(text);
}

void SingleInstance::refuse(const QDBusMessage &message, const QString &why)
{
    // The running window is not touched: the caller says why.
    message.setDelayedReply(true);
    bus_.send(message.createErrorReply(RefusedError, why));
}

void SingleInstance::deliver(const QString &commandLine)
{
    // Answered when this slot returns; handled from the event loop after it,
    // so whatever the handling shows, the bus call is over.
    QMetaObject::invokeMethod(
        this, [this, commandLine] { emit handOver(commandLine); }, Qt::QueuedConnection);
}

#include "singleinstance.moc"
