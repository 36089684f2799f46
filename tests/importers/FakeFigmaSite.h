#pragma once

#include "Mixpanel/FakeHttpServer.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUrl>

#include <mutex>
#include <string>

// A stand-in for the Figma service on 127.0.0.1: its file picker page chooses one file at once,
// and the export page of that file sends the archive in base64 chunks and commits it, posting
// the messages as the service's pages do. The export page's script can be replaced to send
// something else.
class FakeFigmaSite {
public:
    FakeFigmaSite();

    QUrl serviceUrl() const;
    // The file the picker chooses and the archive its export sends, in `chunks` chunks.
    void setFile(const QString& key, const QString& name, const QByteArray& archive, int chunks = 3);
    // Replaces what the export page runs (messages posted through `post(name, body)`).
    void setExportScript(const QString& script);
    QStringList requestedPaths() const;

    // A page body that runs the script with `post` defined.
    static QByteArray page(const QString& script);

private:
    FakeHttpServer m_server;
    mutable std::mutex m_mutex;
    QString m_key;
    QString m_name;
    QString m_exportScript;
};

// The integration pages the site served, in order, each once (a browser may ask again for a
// page on a new connection when the first one closes).
std::string figmaPagesRequested(const FakeFigmaSite& site);

// A zip archive of the files (name → bytes), made with Python's zipfile.
QByteArray zipOf(const QMap<QString, QByteArray>& files);
