#include "platform/midi/RtMidiDeviceManager.h"

#include "platform/Log.h"

#include <QFileInfo>

#include <rtmidi/RtMidi.h>

namespace platform {
namespace {

const char* const kSequencer = "/dev/snd/seq";

template <typename Port>
QList<MIDIEndpoint> listPorts(const char* prefix)
{
    QList<MIDIEndpoint> ports;
    try {
        Port port(RtMidi::LINUX_ALSA, "Zelvor Studio");
        const unsigned int count = port.getPortCount();
        for (unsigned int i = 0; i < count; ++i) {
            const QString name = QString::fromStdString(port.getPortName(i));
            ports << MIDIEndpoint{QLatin1String(prefix) + name, name};
        }
    } catch (const RtMidiError& error) {
        Log::error(QStringLiteral("MIDI"), QString::fromStdString(error.getMessage()));
    }
    return ports;
}

} // namespace

struct RtMidiDeviceManager::Connection {
    MIDIEndpoint source;
    Handler handler;
    std::unique_ptr<RtMidiIn> input;
};

RtMidiDeviceManager::RtMidiDeviceManager() = default;

RtMidiDeviceManager::~RtMidiDeviceManager()
{
    QMutexLocker locker(&m_lock);
    for (const auto& connection : std::as_const(m_connections))
        connection->input->cancelCallback();
    m_connections.clear();
}

bool RtMidiDeviceManager::sequencerAvailable() const
{
    if (QFileInfo::exists(QLatin1String(kSequencer)))
        return true;
    if (!m_reportedMissing) {
        m_reportedMissing = true;
        Log::info(QStringLiteral("MIDI"),
                 QStringLiteral("no MIDI devices: this machine has no ALSA sequencer (%1)").arg(QLatin1String(kSequencer)));
    }
    return false;
}

QList<MIDIEndpoint> RtMidiDeviceManager::virtualSources() const
{
    return sequencerAvailable() ? listPorts<RtMidiIn>("in:") : QList<MIDIEndpoint>{};
}

QList<MIDIEndpoint> RtMidiDeviceManager::virtualDestinations() const
{
    return sequencerAvailable() ? listPorts<RtMidiOut>("out:") : QList<MIDIEndpoint>{};
}

MIDIDeviceManager::Token RtMidiDeviceManager::connectInput(const MIDIEndpoint& source, Handler handler, QString* error)
{
    const auto fail = [error](const QString& why) -> Token {
        if (error)
            *error = why;
        return 0;
    };
    if (!sequencerAvailable())
        return fail(QStringLiteral("this machine has no ALSA sequencer"));
    auto connection = std::make_shared<Connection>();
    connection->source = source;
    connection->handler = std::move(handler);
    try {
        connection->input = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "Zelvor Studio");
        // Ports are numbered anew whenever one comes or goes: find this one by its name now.
        int index = -1;
        const unsigned int count = connection->input->getPortCount();
        for (unsigned int i = 0; i < count && index < 0; ++i) {
            if (QString::fromStdString(connection->input->getPortName(i)) == source.name)
                index = int(i);
        }
        if (index < 0)
            return fail(QStringLiteral("the MIDI source “%1” is gone").arg(source.name));
        connection->input->ignoreTypes(false, true, true); // keep system-exclusive messages
        Connection* raw = connection.get();
        connection->input->setCallback(
            [](double, std::vector<unsigned char>* message, void* data) {
                auto* c = static_cast<Connection*>(data);
                if (!message || message->empty())
                    return;
                const QByteArray bytes(reinterpret_cast<const char*>(message->data()), qsizetype(message->size()));
                c->handler(c->source, {MIDICommand{bytes}});
            },
            raw);
        connection->input->openPort(unsigned(index), "Zelvor Studio input");
    } catch (const RtMidiError& e) {
        return fail(QString::fromStdString(e.getMessage()));
    }
    QMutexLocker locker(&m_lock);
    const Token token = m_nextToken++;
    m_connections.insert(token, connection);
    return token;
}

void RtMidiDeviceManager::disconnectInput(Token token)
{
    std::shared_ptr<Connection> connection;
    {
        QMutexLocker locker(&m_lock);
        connection = m_connections.take(token);
    }
    if (connection && connection->input) {
        connection->input->cancelCallback();
        connection->input->closePort();
    }
}

} // namespace platform
