#include "platform/NotificationCenter.h"
#include "platform/midi/RtMidiDeviceManager.h"
#include "preview/midi/MIDIDevicePairing.h"
#include "preview/midi/RBMIDIController.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

using platform::MIDIDevice;
using platform::MIDIEndpoint;

namespace {

MIDIEndpoint port(const QString& name) { return {name, name}; }

QStringList names(const QList<MIDIDevice>& devices)
{
    QStringList list;
    for (const MIDIDevice& d : devices)
        list << d.name;
    return list;
}

// A MIDI system of our own: its handlers are called from a thread of their own, as the real
// system calls them.
class FakeManager : public platform::MIDIDeviceManager {
public:
    QList<MIDIDevice> devices;
    QList<MIDIEndpoint> sources, destinations;
    QStringList connected, disconnected;
    QHash<Token, Handler> handlers;

    QList<MIDIDevice> availableDevices() const override { return devices; }
    QList<MIDIEndpoint> virtualSources() const override { return sources; }
    QList<MIDIEndpoint> virtualDestinations() const override { return destinations; }
    Token connectInput(const MIDIEndpoint& source, Handler handler, QString* error) override
    {
        if (source.name.contains("broken")) {
            *error = "refused";
            return 0;
        }
        connected << source.id;
        const Token token = Token(connected.size());
        handlers.insert(token, handler);
        return token;
    }
    void disconnectInput(Token token) override { disconnected << QString::number(token); }

    void deliver(Token token, const QList<QByteArray>& messages)
    {
        QList<platform::MIDICommand> commands;
        for (const QByteArray& bytes : messages)
            commands << platform::MIDICommand{bytes};
        const Handler handler = handlers.value(token);
        QThread* thread = QThread::create([handler, commands] { handler(port("x"), commands); });
        thread->start();
        thread->wait();
        delete thread;
    }
};

} // namespace

TEST(MIDIDevicePairing, PairsVirtualEndpointsByTheirNamesWithoutTheLastWord)
{
    struct Row {
        QStringList sources, destinations, expected;
    };
    const QList<Row> rows = {
        {{"Synth Out"}, {"Synth In"}, {"Synth"}},
        {{"Keys"}, {"Lights"}, {""}},                       // one word each: both bases are empty
        {{"Big Synth Out"}, {"Big Synth In", "Other In"}, {"Big Synth", "Other In"}},
        {{"Drum Pad Out", "Synth Out"}, {"Synth In"}, {"Synth", "Drum Pad Out"}}, // pairs first, then sources alone
        {{}, {"Lonely In"}, {"Lonely In"}},
    };
    for (const Row& row : rows) {
        QList<MIDIEndpoint> sources, destinations;
        for (const QString& n : row.sources)
            sources << port("s:" + n), sources.last().name = n;
        for (const QString& n : row.destinations)
            destinations << port("d:" + n), destinations.last().name = n;
        EXPECT_EQ(names(pairedMIDIDevices({}, sources, destinations)), row.expected) << row.sources.join(",").toStdString();
    }

    // Endpoints that belong to a real device are offered only with it, and it comes first.
    const MIDIEndpoint deviceOut = port("Piano Out"), deviceIn = port("Piano In");
    const MIDIDevice piano{"Piano", {{{deviceOut}, {deviceIn}}}};
    const QList<MIDIDevice> devices = pairedMIDIDevices({piano}, {deviceOut, port("Pad Out")}, {deviceIn, port("Pad In")});
    EXPECT_EQ(names(devices), QStringList({"Piano", "Pad"}));
    EXPECT_EQ(devices[1].allSources(), QList<MIDIEndpoint>{port("Pad Out")});
}

TEST(MIDIController, ConnectsEachSourceOnceAndPostsCommandsInOrderOnTheMainThread)
{
    FakeManager manager;
    manager.sources = {port("Synth Out"), port("broken Out")};
    manager.destinations = {port("Synth In")};
    RBMIDIController controller(manager);
    ASSERT_EQ(controller.availableDevices().size(), 2);

    const MIDIDevice synth = controller.availableDevices().first();
    controller.setDevice(synth);
    controller.setDevice(synth);
    EXPECT_EQ(manager.connected, QStringList{"Synth Out"});

    QList<QByteArray> posted;
    bool onMainThread = true;
    platform::NotificationCenter::defaultCenter().addObserver(
        RBMIDIController::MIDICommandNotification, &controller,
        [&](const platform::Notification& n) {
            onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
            posted << n.userInfo.value("command").toByteArray();
        },
        &controller);
    manager.deliver(1, {QByteArray("\x90\x3c\x40", 3), QByteArray("\x80\x3c\x00", 3), QByteArray("\xb0\x07\x7f", 3)});
    ASSERT_TRUE(testsupport::waitUntil([&] { return posted.size() == 3; }));
    EXPECT_EQ(posted[0], QByteArray("\x90\x3c\x40", 3));
    EXPECT_EQ(posted[2], QByteArray("\xb0\x07\x7f", 3));
    EXPECT_TRUE(onMainThread);

    // A source that cannot be connected is logged and left out; switching devices disconnects.
    controller.setDevice(controller.availableDevices().last());
    EXPECT_EQ(manager.disconnected, QStringList{"1"});
    EXPECT_EQ(manager.connected.size(), 1);
    controller.setDevice(std::nullopt);
    EXPECT_FALSE(controller.device().has_value());
}

TEST(MIDIController, OffersTheIdentityRequestAndPutsItIntoTheCommandField)
{
    FakeManager manager;
    RBMIDIController controller(manager);
    ASSERT_EQ(controller.availableCommands().size(), 1);
    EXPECT_EQ(controller.availableCommands().first().value("value").toString(), "f07e7f06 01f7");
    QComboBox box;
    box.setEditable(true);
    box.addItem("Identity Request");
    box.addItem("Something else");
    box.setCurrentIndex(1);
    controller.commandTextFieldDidSelect(&box);
    EXPECT_EQ(box.currentText(), "Something else");
    box.setCurrentIndex(0);
    controller.commandTextFieldDidSelect(&box);
    EXPECT_EQ(box.currentText(), "f07e7f06 01f7");
}

TEST(MIDIController, TheMachinesMIDISystemRefusesAPortItDoesNotHave)
{
    // Without a sequencer (as on most servers) nothing is offered; with one, a made-up port is
    // not there. Either way a connection fails with a reason instead of throwing.
    platform::RtMidiDeviceManager manager;
    RBMIDIController controller(manager);
    if (!QFileInfo::exists("/dev/snd/seq"))
        EXPECT_TRUE(controller.availableDevices().isEmpty());
    QString error;
    EXPECT_EQ(manager.connectInput(port("No Such Synth Out"), {}, &error), 0u);
    EXPECT_FALSE(error.isEmpty());
}
