#pragma once

#include "document/RBDocumentServer.h"

#include <QObject>

class RBServerController;

// Connects the documents to the local preview server controller.
class ServerLink : public QObject, public RBDocumentServer {
    Q_OBJECT
public:
    explicit ServerLink(RBServerController& server, QObject* parent = nullptr);

    QString url() const override;
    void mount(const QString& projectPath, MountHandler handler) override;
    void unmount(const QString& projectPath, MountHandler handler) override;
    void eval(const QString& script) override;
    bool isFailed() const override;

private:
    RBServerController& m_server;
};
