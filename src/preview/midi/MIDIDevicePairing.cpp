#include "preview/midi/MIDIDevicePairing.h"

#include <QRegularExpression>

using platform::MIDIDevice;
using platform::MIDIEndpoint;
using platform::MIDIEntity;

namespace {

// The name split at white space, without its last word.
QStringList baseWords(const QString& name)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s"));
    QStringList words = name.split(whiteSpace);
    words.removeLast();
    return words;
}

MIDIDevice deviceOf(const QString& name, const QList<MIDIEndpoint>& sources, const QList<MIDIEndpoint>& destinations)
{
    return MIDIDevice{name, {MIDIEntity{sources, destinations}}};
}

} // namespace

QList<MIDIDevice> pairedMIDIDevices(const QList<MIDIDevice>& realDevices, const QList<MIDIEndpoint>& virtualSources,
                                    const QList<MIDIEndpoint>& virtualDestinations)
{
    QList<MIDIEndpoint> ofDevices;
    for (const MIDIDevice& device : realDevices) {
        for (const MIDIEntity& entity : device.entities)
            ofDevices << entity.sources << entity.destinations;
    }
    QList<MIDIEndpoint> sources, destinations;
    for (const MIDIEndpoint& source : virtualSources) {
        if (!ofDevices.contains(source) && !sources.contains(source))
            sources << source;
    }
    for (const MIDIEndpoint& destination : virtualDestinations) {
        if (!ofDevices.contains(destination) && !destinations.contains(destination))
            destinations << destination;
    }

    QList<MIDIDevice> paired;
    for (qsizetype s = 0; s < sources.size();) {
        const QStringList words = baseWords(sources[s].name);
        qsizetype match = -1;
        for (qsizetype d = 0; d < destinations.size() && match < 0; ++d) {
            if (baseWords(destinations[d].name) == words)
                match = d;
        }
        if (match < 0) {
            ++s;
            continue;
        }
        paired << deviceOf(words.join(QLatin1Char(' ')), {sources.takeAt(s)}, {destinations.takeAt(match)});
    }

    QList<MIDIDevice> devices = realDevices;
    devices << paired;
    for (const MIDIEndpoint& source : std::as_const(sources))
        devices << deviceOf(source.name, {source}, {});
    for (const MIDIEndpoint& destination : std::as_const(destinations))
        devices << deviceOf(destination.name, {}, {destination});
    return devices;
}
