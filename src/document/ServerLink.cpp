#include "document/ServerLink.h"

#include "preview/RBServerController.h"

ServerLink::ServerLink(RBServerController& server, QObject* parent)
    : QObject(parent)
    , m_server(server)
{
}

QString ServerLink::url() const
{
    return m_server.url();
}

void ServerLink::mount(const QString& projectPath, MountHandler handler)
{
    m_server.mount(projectPath, std::move(handler));
}

void ServerLink::unmount(const QString& projectPath, MountHandler handler)
{
    m_server.unmount(projectPath, std::move(handler));
}

void ServerLink::eval(const QString& script)
{
    m_server.eval(script);
}

bool ServerLink::isFailed() const
{
    return m_server.isFailed();
}
