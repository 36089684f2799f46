#pragma once

#include "platform/midi/MIDIDeviceManager.h"

#include <QHash>
#include <QObject>
#include <QVariantMap>

#include <optional>

class QComboBox;

// Listens to MIDI input and posts every command that arrives as "MIDICommand" (object: this
// controller; userInfo "command": the message's bytes), on the main thread, in arrival order.
// Connecting a device connects every source of it; nothing listens to the notification yet, and
// the application starts the listener only when asked to (RBApplication::setupMIDI).
// Main thread only.
class RBMIDIController : public QObject {
    Q_OBJECT
public:
    static const QString MIDICommandNotification; // "MIDICommand"

    explicit RBMIDIController(platform::MIDIDeviceManager& manager = platform::MIDIDeviceManager::sharedDeviceManager(),
                              QObject* parent = nullptr);
    ~RBMIDIController() override;

    platform::MIDIDeviceManager& midiDeviceManager() const { return m_manager; }
    // Recomputed on every call from what the MIDI system reports.
    QList<platform::MIDIDevice> availableDevices() const;

    const std::optional<platform::MIDIDevice>& device() const { return m_device; }
    void setDevice(const std::optional<platform::MIDIDevice>& device);
    const std::optional<platform::MIDIEndpoint>& source() const { return m_source; }
    void setSource(const std::optional<platform::MIDIEndpoint>& source);

    void connectToDevice(const std::optional<platform::MIDIDevice>& device);
    void disconnectFromDevice(const std::optional<platform::MIDIDevice>& device);
    void connectToSource(const platform::MIDIEndpoint& source);
    void disconnectFromSource(const std::optional<platform::MIDIEndpoint>& source);
    void handleMIDICommand(const platform::MIDICommand& command);

    // The commands that can be sent: {"name", "value"} with the bytes as hexadecimal text.
    QList<QVariantMap> availableCommands() const;
    // Puts the value of the command chosen in the box into the box as its text.
    void commandTextFieldDidSelect(QComboBox* box) const;
    void clearOutput() {}

    // Lower-case hexadecimal, a blank after every four bytes ("f07e7f06 01f7").
    static QString hexText(const QByteArray& bytes);

private:
    platform::MIDIDeviceManager& m_manager;
    QHash<QString, platform::MIDIDeviceManager::Token> m_connectionTokensForSources; // by endpoint id
    std::optional<platform::MIDIDevice> m_device;
    std::optional<platform::MIDIEndpoint> m_source;
    mutable QList<QVariantMap> m_availableCommands;
};
