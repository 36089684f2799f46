#include "preview/midi/RBMIDIController.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "preview/midi/MIDIDevicePairing.h"

#include <QComboBox>
#include <QPointer>

using platform::MIDIDevice;
using platform::MIDIEndpoint;

const QString RBMIDIController::MIDICommandNotification = QStringLiteral("MIDICommand");

RBMIDIController::RBMIDIController(platform::MIDIDeviceManager& manager, QObject* parent)
    : QObject(parent)
    , m_manager(manager)
{
}

RBMIDIController::~RBMIDIController()
{
    for (const auto token : std::as_const(m_connectionTokensForSources))
        m_manager.disconnectInput(token);
}

QList<MIDIDevice> RBMIDIController::availableDevices() const
{
    return pairedMIDIDevices(m_manager.availableDevices(), m_manager.virtualSources(), m_manager.virtualDestinations());
}

void RBMIDIController::setDevice(const std::optional<MIDIDevice>& device)
{
    if (device == m_device)
        return;
    disconnectFromDevice(m_device);
    m_device = device;
    connectToDevice(m_device);
}

void RBMIDIController::setSource(const std::optional<MIDIEndpoint>& source)
{
    if (source == m_source)
        return;
    disconnectFromSource(m_source);
    m_source = source;
    if (m_source)
        connectToSource(*m_source);
}

void RBMIDIController::connectToDevice(const std::optional<MIDIDevice>& device)
{
    if (!device)
        return;
    for (const MIDIEndpoint& source : device->allSources())
        connectToSource(source);
}

void RBMIDIController::disconnectFromDevice(const std::optional<MIDIDevice>& device)
{
    if (!device)
        return;
    for (const MIDIEndpoint& source : device->allSources())
        disconnectFromSource(source);
}

void RBMIDIController::connectToSource(const MIDIEndpoint& source)
{
    // Commands arrive on the MIDI system's thread; they are posted on the main thread, in order,
    // and dropped once the controller is gone.
    QPointer<RBMIDIController> self(this);
    QString error;
    const auto token = m_manager.connectInput(
        source,
        [self](const MIDIEndpoint&, const QList<platform::MIDICommand>& commands) {
            platform::dispatchMain([self, commands] {
                if (!self)
                    return;
                for (const platform::MIDICommand& command : commands)
                    self->handleMIDICommand(command);
            });
        },
        &error);
    if (!token) {
        platform::Log::error(QStringLiteral("MIDI"), QStringLiteral("Unable to connect to input: %1").arg(error));
        return;
    }
    m_connectionTokensForSources.insert(source.id, token);
}

void RBMIDIController::disconnectFromSource(const std::optional<MIDIEndpoint>& source)
{
    if (!source)
        return;
    // The token stays known, as the MIDI system may hand it back for the same source.
    const auto it = m_connectionTokensForSources.constFind(source->id);
    if (it != m_connectionTokensForSources.cend())
        m_manager.disconnectInput(*it);
}

void RBMIDIController::handleMIDICommand(const platform::MIDICommand& command)
{
    platform::NotificationCenter::defaultCenter().post(MIDICommandNotification, this,
                                                       {{QStringLiteral("command"), command.bytes}});
}

QString RBMIDIController::hexText(const QByteArray& bytes)
{
    QString text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            text += QLatin1Char(' ');
        text += QString::asprintf("%02x", unsigned(quint8(bytes[i])));
    }
    return text;
}

QList<QVariantMap> RBMIDIController::availableCommands() const
{
    if (m_availableCommands.isEmpty()) {
        // The universal identity request: every device answers with its maker and model.
        static const char identityRequest[] = {char(0xF0), 0x7E, 0x7F, 0x06, 0x01, char(0xF7)};
        m_availableCommands << QVariantMap{{QStringLiteral("name"), QStringLiteral("Identity Request")},
                                           {QStringLiteral("value"), hexText(QByteArray(identityRequest, sizeof identityRequest))}};
    }
    return m_availableCommands;
}

void RBMIDIController::commandTextFieldDidSelect(QComboBox* box) const
{
    if (!box)
        return;
    for (const QVariantMap& command : availableCommands()) {
        if (command.value(QStringLiteral("name")).toString() == box->currentText()) {
            box->setEditText(command.value(QStringLiteral("value")).toString());
            return;
        }
    }
}
