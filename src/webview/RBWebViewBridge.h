#pragma once

#include <QObject>
#include <QString>

#include <functional>

// The object that the bridge's own script world reaches over the web channel as "_webkit" (the
// page's scripts reach that world only through window._bridge): it hands each bridge text to
// the wrapper.
class RBWebViewBridge : public QObject {
    Q_OBJECT
public:
    explicit RBWebViewBridge(std::function<void(const QString&)> deliver, QObject* parent = nullptr)
        : QObject(parent)
        , m_deliver(std::move(deliver))
    {
    }
    void detach() { m_deliver = nullptr; }

public Q_SLOTS:
    void webViewBridge_(const QString& data)
    {
        if (m_deliver)
            m_deliver(data);
    }

private:
    std::function<void(const QString&)> m_deliver;
};
