#include "preview/HeadlessChromium.h"

#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace {
QStringList commonArguments(const QString& profile)
{
    return {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
            QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
            QStringLiteral("--user-data-dir=") + profile};
}

// Without a system bus the browser waits for it at every start and end.
QProcessEnvironment browserEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/zelvor-test-bus"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return environment;
}

void end(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}
} // namespace

HeadlessChromium::~HeadlessChromium()
{
    end(m_process);
}

QString HeadlessChromium::program()
{
    for (const char* name : {"chromium", "chromium-browser"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

QString HeadlessChromium::dumpDom(const QString& url, int pageMs)
{
    QTemporaryDir profile;
    QProcess process;
    process.setProcessEnvironment(browserEnvironment());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program(), commonArguments(profile.path())
                                 << QStringLiteral("--virtual-time-budget=%1").arg(pageMs)
                                 << QStringLiteral("--dump-dom") << url);
    // The document comes out at once; the browser may take long to end after it, so it is
    // ended here.
    QByteArray out;
    testsupport::waitUntil([&] {
        out += process.readAllStandardOutput();
        return out.contains("</html>") || process.state() == QProcess::NotRunning;
    }, 90000);
    out += process.readAllStandardOutput();
    if (!out.contains("</html>"))
        qWarning("the browser gave no document: %s (state %d, exit %d)", qPrintable(process.errorString()),
                 int(process.state()), process.exitCode());
    end(process);
    return QString::fromUtf8(out);
}

bool HeadlessChromium::open(const QString& url)
{
    m_process.setProcessEnvironment(browserEnvironment());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(program(), commonArguments(m_profile.path())
                                   << QStringLiteral("--remote-debugging-port=0") << url);
    const QString portFile = m_profile.filePath(QStringLiteral("DevToolsActivePort"));
    testsupport::waitUntil([&] {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly))
            m_port = file.readLine().trimmed().toInt();
        return m_port > 0 || m_process.state() == QProcess::NotRunning;
    }, 60000);
    return m_port > 0;
}

QString HeadlessChromium::title()
{
    if (m_port <= 0)
        return {};
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(m_port))));
    testsupport::waitUntil([reply] { return reply->isFinished(); }, 10000);
    const QJsonArray targets = QJsonDocument::fromJson(reply->readAll()).array();
    reply->deleteLater();
    for (const QJsonValue& target : targets)
        if (target.toObject().value(QStringLiteral("type")).toString() == QLatin1String("page"))
            return target.toObject().value(QStringLiteral("title")).toString();
    return {};
}
