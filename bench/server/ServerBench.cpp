// Speed of the local preview server:
//   server ready ms         from start() to the ready message, through the controller (median of 7)
//   server throughput MB/s  a mounted 1 MB file fetched 100 times over one loopback connection
#include "preview/RBServerController.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QTcpSocket>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "support/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using benchsupport::spinUntil;

// Reads one HTTP response with a Content-Length from a keep-alive connection; answers the body size.
qint64 readResponse(QTcpSocket& socket)
{
    QByteArray head;
    while (!head.contains("\r\n\r\n")) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(5000))
            return -1;
        head += socket.read(1);
    }
    const qsizetype at = head.toLower().indexOf("content-length:");
    const qint64 length = head.mid(at + 15, head.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
    qint64 received = 0;
    while (received < length) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(5000))
            return -1;
        received += socket.read(length - received).size();
    }
    return received;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zelvor-bench-bus"); // announce nothing
    QCoreApplication app(argc, argv);

    std::vector<double> readyMs;
    for (int run = 0; run < 7; ++run) {
        RBServerController controller;
        QElapsedTimer timer;
        timer.start();
        controller.start();
        if (!spinUntil([&] { return controller.isRunning(); }, 10000)) {
            std::fprintf(stderr, "the server did not start\n");
            return 1;
        }
        readyMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        controller.stop();
    }
    std::sort(readyMs.begin(), readyMs.end());
    std::printf("server ready ms: %.1f\n", readyMs[readyMs.size() / 2]);

    QTemporaryDir parent;
    const QDir folder(parent.filePath(QStringLiteral("Bench.zelvor"))); // only projects are served
    folder.mkpath(QStringLiteral("."));
    QFile file(folder.filePath(QStringLiteral("big.bin")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    QByteArray megabyte(1 << 20, 'z');
    file.write(megabyte);
    file.close();

    RBServerController controller;
    controller.start();
    QString served;
    controller.mount(folder.path(), [&](const QJsonObject& reply, const QString&) {
        served = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("url")).toString();
    });
    if (!spinUntil([&] { return !served.isEmpty(); }, 10000))
        return 1;
    const QUrl url(controller.url());
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port()));
    if (!socket.waitForConnected(5000))
        return 1;
    const QByteArray request = "GET " + served.toUtf8() + "big.bin HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const auto fetch = [&](int fetches) -> double { // answers MB/s, or -1 on a wrong answer
        qint64 total = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < fetches; ++i) {
            socket.write(request);
            const qint64 size = readResponse(socket);
            if (size != megabyte.size())
                return -1;
            total += size;
        }
        return double(total) / (1 << 20) / (double(timer.nsecsElapsed()) / 1e9);
    };
    // The first fetches warm the server and the page cache up; then the median of seven passes.
    if (fetch(20) < 0)
        return 1;
    std::vector<double> passes;
    for (int pass = 0; pass < 7; ++pass) {
        passes.push_back(fetch(40));
        if (passes.back() < 0)
            return 1;
    }
    std::sort(passes.begin(), passes.end());
    std::printf("server throughput MB/s: %.0f\n", passes[passes.size() / 2]);
    controller.stop();
    return 0;
}
