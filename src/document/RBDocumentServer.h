#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

// What documents need of the local preview server (the server controller implements it).
class RBDocumentServer {
public:
    virtual ~RBDocumentServer() = default;
    // The server's base address, such as "http://127.0.0.1:PORT".
    virtual QString url() const = 0;
    // Serves the project folder. The handler gets the server's reply ({"result": {"url": ...}})
    // or a non-empty error; it runs on the main thread.
    using MountHandler = std::function<void(const QJsonObject& reply, const QString& error)>;
    virtual void mount(const QString& projectPath, MountHandler handler) = 0;
    // Stops serving the project folder. The handler runs once nothing serves it any more (the
    // error is non-empty when the server could not be asked); it runs on the main thread.
    virtual void unmount(const QString& projectPath, MountHandler handler) = 0;
    // Whether the server was given up (it could not start, or ended again and again): nothing
    // is served until a mount starts it anew.
    virtual bool isFailed() const { return false; }
    // Runs a script in every page the server serves (the mirrored devices).
    virtual void eval(const QString& script) = 0;
};
