#pragma once

#include "platform/midi/MIDIDeviceManager.h"

// The devices to offer: the real devices, then a device for each virtual source and virtual
// destination whose names match once their last words are dropped ("Synth Out" and "Synth In"
// make "Synth"), then a device for each unpaired source and each unpaired destination alone.
// Virtual endpoints that belong to a real device are not offered twice.
QList<platform::MIDIDevice> pairedMIDIDevices(const QList<platform::MIDIDevice>& realDevices,
                                              const QList<platform::MIDIEndpoint>& virtualSources,
                                              const QList<platform::MIDIEndpoint>& virtualDestinations);
