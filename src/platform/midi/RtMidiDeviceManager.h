#pragma once

#include "platform/midi/MIDIDeviceManager.h"

#include <QHash>
#include <QMutex>

#include <memory>

class RtMidiIn;

namespace platform {

// The ALSA sequencer through RtMidi. The sequencer does not tell devices from programs that
// offer ports, so every port is reported as a port of no device, named as the sequencer names
// it (client and port name); ports are told apart by that name. Without a sequencer (no
// /dev/snd/seq) there are no ports, and why is logged once.
class RtMidiDeviceManager : public MIDIDeviceManager {
public:
    RtMidiDeviceManager();
    ~RtMidiDeviceManager() override;

    QList<MIDIDevice> availableDevices() const override { return {}; }
    QList<MIDIEndpoint> virtualSources() const override;
    QList<MIDIEndpoint> virtualDestinations() const override;
    Token connectInput(const MIDIEndpoint& source, Handler handler, QString* error) override;
    void disconnectInput(Token token) override;

private:
    struct Connection;
    bool sequencerAvailable() const;

    mutable QMutex m_lock;
    QHash<Token, std::shared_ptr<Connection>> m_connections;
    Token m_nextToken = 1;
    mutable bool m_reportedMissing = false;
};

} // namespace platform
