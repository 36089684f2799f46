#include "platform/midi/MIDIDeviceManager.h"

#include "platform/midi/RtMidiDeviceManager.h"

namespace platform {

bool MIDIDevice::operator==(const MIDIDevice& other) const
{
    if (name != other.name || entities.size() != other.entities.size())
        return false;
    for (qsizetype i = 0; i < entities.size(); ++i) {
        if (entities[i].sources != other.entities[i].sources || entities[i].destinations != other.entities[i].destinations)
            return false;
    }
    return true;
}

QList<MIDIEndpoint> MIDIDevice::allSources() const
{
    QList<MIDIEndpoint> sources;
    for (const MIDIEntity& entity : entities) {
        for (const MIDIEndpoint& source : entity.sources) {
            if (!sources.contains(source))
                sources << source;
        }
    }
    return sources;
}

MIDIDeviceManager& MIDIDeviceManager::sharedDeviceManager()
{
    static RtMidiDeviceManager manager;
    return manager;
}

} // namespace platform
