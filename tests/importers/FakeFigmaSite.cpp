#include "FakeFigmaSite.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {
QString json(const QJsonValue& value)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)).chopped(1).mid(1);
}
} // namespace

FakeFigmaSite::FakeFigmaSite()
{
    m_server.setResponder([this](const FakeHttpServer::Request& request) {
        std::lock_guard lock(m_mutex);
        FakeHttpServer::Reply reply;
        reply.contentType = "text/html; charset=utf-8";
        if (request.path == "/integrations/zelvor/file_picker") {
            reply.body = page(QStringLiteral("post('figmaLog', {message: 'picker'});"
                                             "post('userChoseFile', {fileKey: %1, fileName: %2});")
                                  .arg(json(m_key), json(m_name)));
        } else if (request.path == "/integrations/zelvor/export/" + QUrl::toPercentEncoding(m_key)) {
            reply.body = page(m_exportScript);
        } else {
            reply.status = 404;
            reply.body = "not here";
        }
        return reply;
    });
}

QUrl FakeFigmaSite::serviceUrl() const
{
    return QUrl(m_server.baseURL());
}

QByteArray FakeFigmaSite::page(const QString& script)
{
    return QStringLiteral("<!doctype html><html><body><p>Figma</p><script>"
                          "function post(name, body) { window.webkit.messageHandlers[name].postMessage(body); }\n%1"
                          "</script></body></html>")
        .arg(script)
        .toUtf8();
}

void FakeFigmaSite::setFile(const QString& key, const QString& name, const QByteArray& archive, int chunks)
{
    const QByteArray base64 = archive.toBase64();
    const qsizetype size = (base64.size() + chunks - 1) / chunks / 4 * 4 + 4;
    QString script = QStringLiteral("post('willSendBase64EncodedZipFileChunks', {numChunks: %1});").arg(chunks);
    for (int i = 0; i < chunks; ++i)
        script += QStringLiteral("post('handleBase64EncodedZipFileChunk', {base64EncodedData: '%1'});")
                      .arg(QString::fromLatin1(base64.mid(i * size, size)));
    script += QStringLiteral("post('commitBase64EncodedZipFile', {});");
    std::lock_guard lock(m_mutex);
    m_key = key;
    m_name = name;
    m_exportScript = script;
}

void FakeFigmaSite::setExportScript(const QString& script)
{
    std::lock_guard lock(m_mutex);
    m_exportScript = script;
}

QStringList FakeFigmaSite::requestedPaths() const
{
    QStringList paths;
    for (const FakeHttpServer::Request& request : m_server.requests())
        paths << request.path;
    return paths;
}

std::string figmaPagesRequested(const FakeFigmaSite& site)
{
    QStringList pages = site.requestedPaths().filter("/integrations/");
    pages.removeDuplicates();
    return pages.join(' ').toStdString();
}

QByteArray zipOf(const QMap<QString, QByteArray>& files)
{
    QTemporaryDir dir;
    QJsonObject entries;
    for (auto it = files.begin(); it != files.end(); ++it)
        entries.insert(it.key(), QString::fromLatin1(it.value().toBase64()));
    const QString out = dir.filePath("archive.zip");
    QProcess python;
    python.start("python3", {"-c",
                             "import base64, json, sys, zipfile\n"
                             "entries = json.load(sys.stdin)\n"
                             "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                             "    for name, data in entries.items(): z.writestr(name, base64.b64decode(data))\n",
                             out});
    python.write(QJsonDocument(entries).toJson(QJsonDocument::Compact));
    python.closeWriteChannel();
    python.waitForFinished(20000);
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
