#pragma once
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

class CodeTranspiler;
class QObject;

// What the live preview needs of its project document. The document implements it (or an
// adapter over it does) and, whenever a setting changes, calls the preview's
// RBZelvorViewController::observeConfigValue with the key and the new value.
class RBPreviewDocument {
public:
    virtual ~RBPreviewDocument() = default;
    // The object that state updates are posted with (the document itself).
    virtual QObject* documentObject() = 0;
    // The project folder.
    virtual QString projectPath() const = 0;
    virtual QString displayName() const = 0;
    // The project's address on the local preview server, empty until it is mounted there.
    virtual QString serverLocalUrl() const = 0;
    // The project settings ("zelvor/config.json" over the defaults).
    virtual QJsonObject configValues() const = 0;
    virtual void setConfigValue(const QString& key, const QJsonValue& value) = 0;
    virtual void removeConfigValue(const QString& key) = 0;
    virtual bool saveConfig() = 0;
    // The editor's compiler, and a request to compile the editor's text again.
    virtual CodeTranspiler* transpiler() const = 0;
    virtual void retranspile() = 0;
    // Asks the local server again for the project (it could not serve it): mounts it anew,
    // which starts a server that was given up.
    virtual void retryServer() {}
    // The device toolbar buttons.
    virtual void setOrientationEnabled(bool enabled) = 0;
    virtual void setHandsEnabled(bool enabled) = 0;
    virtual void setOrientationButtonImage(const QString& imageName) = 0;
};
