// Speed of opening a "zelvor://" zip link:
//   link download MB/s   a 50 MB zipped project from a loopback server, from the link to the
//                        copied project being opened (download, safe unpacking, copy)
//   plain download MB/s  the same archive fetched into memory by the same HTTP client, the peer
#include "app/links/RBDocumentURLManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "support/BenchSupport.h"

#include <cstdio>

namespace {

constexpr int kMegabytes = 50;

bool makeArchive(const QString& path)
{
    // Incompressible content, stored: the size on the wire is the size unpacked.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import os, sys, zipfile\n"
                                 "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
                                 "    z.writestr('Big.zelvor/app.coffee', 'layer = new Layer\\n')\n"
                                 "    for i in range(%1):\n"
                                 "        z.writestr('Big.zelvor/images/part%d.bin' % i, os.urandom(1 << 20))\n")
                      .arg(kMegabytes),
                  path});
    return python.waitForFinished(60000) && python.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir served;
    QTemporaryDir downloads;
    if (!makeArchive(served.filePath(QStringLiteral("big.zip")))) {
        std::printf("link download MB/s: n/a (python3 could not make the archive)\n");
        return 1;
    }
    QProcess server;
    server.setWorkingDirectory(served.path());
    server.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-u"), QStringLiteral("-c"),
        QStringLiteral("import http.server, socketserver, sys\n"
                       "h = http.server.SimpleHTTPRequestHandler\n"
                       "h.log_message = lambda *a: None\n"
                       "s = http.server.ThreadingHTTPServer(('127.0.0.1', 0), h)\n"
                       "print(s.server_address[1], flush=True)\n"
                       "s.serve_forever()\n")});
    if (!server.waitForReadyRead(10000)) {
        std::printf("link download MB/s: n/a (no server)\n");
        return 1;
    }
    const QString port = QString::fromLatin1(server.readLine()).trimmed();

    double best = 0;
    for (int run = 0; run < 3; ++run) {
        RBDocumentURLManager::Options options;
        options.downloadsFolder = downloads.filePath(QString::number(run));
        bool opened = false;
        options.openProject = [&opened](const QString&) { opened = true; };
        RBDocumentURLManager manager(options);
        QElapsedTimer timer;
        timer.start();
        manager.openUrl(QStringLiteral("zelvor://127.0.0.1:%1/big.zip").arg(port));
        if (!benchsupport::spinUntil([&] { return opened; }, 120000)) {
            std::printf("link download MB/s: n/a (the link did not open)\n");
            return 1;
        }
        best = std::max(best, kMegabytes / (double(timer.nsecsElapsed()) / 1e9));
    }

    double plain = 0;
    QNetworkAccessManager network;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/big.zip").arg(port))));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const qint64 size = reply->readAll().size();
        reply->deleteLater();
        if (size > 0)
            plain = std::max(plain, kMegabytes / (double(timer.nsecsElapsed()) / 1e9));
    }
    server.kill();
    server.waitForFinished();
    std::printf("link download MB/s: %.0f\n", best);
    std::printf("plain download MB/s: %.0f\n", plain);
    return 0;
}
