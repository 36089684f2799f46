// Speed of sharing a 20 MB project (16 MB of pictures, 4 MB of code and pages) to a fake share
// service on 127.0.0.1, through the upload manager and the real upload program:
//   share upload MB/s   project size over the time from the start to the link (median of 3)
//   share pack ms       packing the project alone, in the upload program's own code (median of 3)
//   share raw send MB/s peer: the same number of bytes POSTed straight to the service
#include "preview/RBSharingUploadManager.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qint64 kMB = 1000 * 1000;

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray randomBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray code(qint64 size)
{
    QByteArray text;
    text.reserve(size);
    for (int i = 0; text.size() < size; ++i)
        text += "layer" + QByteArray::number(i) + " = new Layer x: " + QByteArray::number(i % 400) + ", backgroundColor: \"#"
            + QByteArray::number(i * 7919 % 0xFFFFFF, 16) + "\"\n";
    text.truncate(size);
    return text;
}

// A fake share service on 127.0.0.1 that checks that a zip archive of the announced length
// arrives and answers with a link; it keeps nothing, so that it measures the sender, not itself.
class FakeShareService {
public:
    FakeShareService()
    {
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_socket, 4);
        socklen_t length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeShareService()
    {
        shutdown(m_socket, SHUT_RDWR);
        close(m_socket);
        m_thread.join();
    }
    QString baseURL() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    int port() const { return m_port; }
    int goodUploads() const { return m_good; }

private:
    void serve()
    {
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const int client = accept(m_socket, nullptr, nullptr);
            if (client < 0)
                return;
            QByteArray head;
            qint64 received = 0;
            QByteArray start; // the body's first two bytes, however the reads split them
            qint64 length = -1;
            for (;;) {
                const ssize_t n = recv(client, buffer.data(), buffer.size(), 0);
                if (n <= 0)
                    break;
                if (length < 0) {
                    head.append(buffer.data(), n);
                    const qsizetype end = head.indexOf("\r\n\r\n");
                    if (end < 0)
                        continue;
                    const qsizetype at = head.toLower().indexOf("content-length:");
                    length = head.mid(at + 15, head.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
                    start = head.mid(end + 4, 2);
                    received = head.size() - end - 4;
                } else {
                    if (start.size() < 2)
                        start.append(buffer.data(), std::min<qsizetype>(n, 2 - start.size()));
                    received += n;
                }
                if (received >= length)
                    break;
            }
            const QByteArray body = R"({"url": "https://share.example/p/bench"})";
            const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            send(client, answer.constData(), answer.size(), MSG_NOSIGNAL);
            if (start == "PK" && received == length)
                ++m_good;
            close(client);
        }
    }

    int m_socket = -1;
    int m_port = 0;
    std::atomic<int> m_good{0};
    std::thread m_thread;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString project = dir.filePath("Bench.zelvor");
    for (int i = 0; i < 8; ++i)
        write(project + QStringLiteral("/images/picture-%1.png").arg(i), randomBytes(2 * kMB));
    for (int i = 0; i < 4; ++i)
        write(project + QStringLiteral("/modules/module-%1.coffee").arg(i), code(kMB));
    const double projectMB = 20.0;

    FakeShareService service;

    std::vector<double> uploadMBs;
    for (int run = 0; run < 3; ++run) {
        RBSharingUploadManager manager;
        manager.setServiceURL(service.baseURL() + "/api/share");
        bool done = false;
        manager.setUploadSuccess([&done](const QString&) { done = true; });
        manager.setUploadError([&done](const QString& message) {
            std::fprintf(stderr, "upload failed: %s\n", qPrintable(message));
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        manager.uploadWithPath(project, "bench@example.com");
        benchsupport::spinUntil([&] { return done; }, 60000);
        uploadMBs.push_back(projectMB / (benchsupport::ms(timer) / 1000.0));
    }

    // Packing alone, with the program's own function.
    std::vector<double> packMs;
    const QString script = QStringLiteral(
        "import sys, tempfile, time\nsys.path.insert(0, sys.argv[1])\nimport upload\n"
        "with tempfile.TemporaryFile() as out:\n    t = time.monotonic()\n    upload.pack(sys.argv[2], out)\n"
        "    print((time.monotonic() - t) * 1000)\n");
    for (int run = 0; run < 3; ++run) {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, QStringLiteral(ZELVOR_SOURCE_DIR "/resources/python"), project});
        python.waitForFinished(60000);
        packMs.push_back(python.readAllStandardOutput().trimmed().toDouble());
    }

    // Peer: the bytes alone over one loopback connection.
    QByteArray body = randomBytes(20 * kMB);
    body.replace(0, 2, "PK");
    std::vector<double> rawMBs;
    for (int run = 0; run < 3; ++run) {
        QTcpSocket socket;
        QElapsedTimer timer;
        timer.start();
        socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(service.port()));
        socket.waitForConnected(5000);
        socket.write("POST /api/share HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/zip\r\nContent-Length: "
                     + QByteArray::number(body.size()) + "\r\n\r\n");
        socket.write(body);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(5000)) {
        }
        QByteArray answer;
        while (!answer.contains("bench") && socket.waitForReadyRead(10000))
            answer += socket.readAll();
        rawMBs.push_back(20.0 / (benchsupport::ms(timer) / 1000.0));
    }

    std::printf("share upload MB/s: %.1f\n", benchsupport::percentile(uploadMBs, 0.5));
    std::printf("share pack ms: %.0f\n", benchsupport::percentile(packMs, 0.5));
    std::printf("share raw send MB/s: %.1f\n", benchsupport::percentile(rawMBs, 0.5));
    if (service.goodUploads() != 6)
        std::fprintf(stderr, "share: %d of 6 uploads arrived whole\n", service.goodUploads());
    return 0;
}
