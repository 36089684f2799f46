#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace platform {

// One MIDI port: a source delivers commands to us, a destination takes commands from us.
struct MIDIEndpoint {
    QString id; // unique while the port exists
    QString name;
    bool operator==(const MIDIEndpoint& other) const { return id == other.id; }
};

// A group of ports of one device.
struct MIDIEntity {
    QList<MIDIEndpoint> sources;
    QList<MIDIEndpoint> destinations;
};

struct MIDIDevice {
    QString name;
    QList<MIDIEntity> entities;
    bool operator==(const MIDIDevice& other) const;
    // Every source of every entity, in order, without repeats.
    QList<MIDIEndpoint> allSources() const;
};

// One complete MIDI message as it arrived (status byte and data, or a whole system-exclusive
// message).
struct MIDICommand {
    QByteArray bytes;
};

// The MIDI system: the devices it knows, the ports that belong to no device, and connections
// to sources. Handlers are called on the MIDI system's own thread, with the commands of one
// arrival in order.
class MIDIDeviceManager {
public:
    using Token = quint64; // 0 is never a connection
    using Handler = std::function<void(const MIDIEndpoint& source, const QList<MIDICommand>& commands)>;

    virtual ~MIDIDeviceManager() = default;

    virtual QList<MIDIDevice> availableDevices() const = 0;
    virtual QList<MIDIEndpoint> virtualSources() const = 0;
    virtual QList<MIDIEndpoint> virtualDestinations() const = 0;
    // Answers a token, or 0 with `error` set.
    virtual Token connectInput(const MIDIEndpoint& source, Handler handler, QString* error) = 0;
    virtual void disconnectInput(Token token) = 0;

    // The machine's MIDI system (the ALSA sequencer through RtMidi).
    static MIDIDeviceManager& sharedDeviceManager();
};

} // namespace platform
