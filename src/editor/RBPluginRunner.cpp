#include "editor/RBPluginRunner.h"

#include "webview/BridgeJson.h"
#include "webview/RBWebViewController.h"

#include <QPointer>

namespace {

QString errorDetails(const QVariant& error)
{
    if (!error.isValid() || error.isNull())
        return QString();
    if (error.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = error.toMap();
        const QString message = map.value(QStringLiteral("message")).toString();
        const QString name = map.value(QStringLiteral("name")).toString();
        QString text = name.isEmpty() || message.startsWith(name) ? message : name + QStringLiteral(": ") + message;
        if (text.isEmpty())
            text = bridgeToJson(error);
        return text;
    }
    return error.toString();
}

} // namespace

RBPluginRunner::RBPluginRunner(QObject* parent) : QObject(parent) {}

RBPluginRunner::~RBPluginRunner()
{
    if (m_webViewController)
        m_webViewController->cleanup();
}

void RBPluginRunner::run(const QString& source, const QString& text, Completion completion)
{
    if (!m_webViewController) {
        m_webViewController = std::make_unique<RBWebViewController>();
        m_webViewController->loadURL(QStringLiteral("about:blank"));
    }
    const QString script = QStringLiteral("window.plugin = {}; %1").arg(source);
    const QString call = QStringLiteral("plugin.run(%1)").arg(bridgeToJson(text));
    QPointer<RBPluginRunner> self(this);
    m_webViewController->evaluateCoffeeScript(script, [self, call, completion](const QVariant&, const QVariant& scriptError) {
        if (!self || !self->m_webViewController)
            return;
        // A plugin that did not compile or run would leave an earlier plugin's run in place.
        const QString scriptProblem = errorDetails(scriptError);
        if (!scriptProblem.isEmpty()) {
            completion(QString(), scriptProblem);
            return;
        }
        self->m_webViewController->evaluateJavaScript(call, [self, completion](const QVariant& result, const QVariant& error) {
            if (!self)
                return;
            if (error.isValid() && !error.isNull())
                completion(QString(), errorDetails(error));
            else if (result.typeId() != QMetaType::QString)
                completion(QString(), QStringLiteral("plugin.run did not answer a text."));
            else
                completion(result.toString(), QString());
        });
    });
}
