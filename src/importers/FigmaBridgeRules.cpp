#include "importers/FigmaBridgeRules.h"

#include "platform/VariantExtras.h"

#include <QStringList>
#include <QVariantMap>

#include <cmath>

namespace figma {

namespace {
int effectivePort(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
}

// The value of a key that must be text; sets the problem when it is missing or of another type.
QString requiredText(const QVariantMap& body, const QString& name, const QString& key, bool bounded, QString* problem)
{
    const QVariant value = body.value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString) {
        if (problem->isEmpty())
            *problem = QStringLiteral("The Figma page sent \"%1\" without the text \"%2\".").arg(name, key);
        return {};
    }
    QString text = value.toString();
    if (bounded && text.size() > kMaxTextLength) {
        if (problem->isEmpty())
            *problem = QStringLiteral("The Figma page sent \"%1\" with a \"%2\" longer than %3 characters.").arg(name, key).arg(kMaxTextLength);
        return {};
    }
    return text;
}

// Text that may be left out, but is text when given.
QString optionalText(const QVariantMap& body, const QString& name, const QString& key, QString* problem)
{
    return body.contains(key) ? requiredText(body, name, key, false, problem) : QString();
}
} // namespace

QUrl serverUrl(const QUrl& service, const QString& path)
{
    QUrl url;
    url.setScheme(service.scheme());
    url.setHost(service.host());
    url.setPort(service.port());
    url.setPath(path, QUrl::TolerantMode);
    return url;
}

QUrl filePickerUrl(const QUrl& service, const QString& integrationId)
{
    return serverUrl(service, QStringLiteral("/integrations/%1/file_picker").arg(integrationId));
}

QUrl exportUrl(const QUrl& service, const QString& integrationId, const QString& fileKey)
{
    return serverUrl(service, QStringLiteral("/integrations/%1/export/%2")
                                  .arg(integrationId, QString::fromLatin1(QUrl::toPercentEncoding(fileKey))));
}

bool isServicePage(const QUrl& pageUrl, const QUrl& service)
{
    if (!pageUrl.isValid() || service.host().isEmpty())
        return false;
    return pageUrl.scheme().compare(service.scheme(), Qt::CaseInsensitive) == 0
           && pageUrl.host().compare(service.host(), Qt::CaseInsensitive) == 0 && effectivePort(pageUrl) == effectivePort(service);
}

bool isServiceLink(const QUrl& link, const QUrl& service)
{
    const QString scheme = link.scheme().toLower();
    if (!link.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return false;
    const QString host = link.host().toLower();
    const QString serviceHost = service.host().toLower();
    return !serviceHost.isEmpty() && (host == serviceHost || host.endsWith(QLatin1Char('.') + serviceHost));
}

const QStringList& messageNames()
{
    static const QStringList names{QStringLiteral("willSendBase64EncodedZipFileChunks"), QStringLiteral("handleBase64EncodedZipFileChunk"),
                                   QStringLiteral("commitBase64EncodedZipFile"),         QStringLiteral("userChoseFile"),
                                   QStringLiteral("openUrlInBrowser"),                   QStringLiteral("figmaError"),
                                   QStringLiteral("figmaLog")};
    return names;
}

bool isTransferMessage(const QString& name)
{
    const int index = messageNames().indexOf(name);
    return index >= 0 && index <= 2;
}

Message parseMessage(const QString& name, const QVariant& body)
{
    Message message;
    const int index = messageNames().indexOf(name);
    if (index < 0)
        return message;
    message.kind = MessageKind(index + 1);
    // The commit reads nothing of its body.
    if (message.kind != MessageKind::Commit && body.typeId() != QMetaType::QVariantMap) {
        message.problem = QStringLiteral("The Figma page sent \"%1\" without an object as its body.").arg(name);
        return message;
    }
    const QVariantMap map = body.toMap();
    QString* problem = &message.problem;
    switch (message.kind) {
    case MessageKind::WillSendChunks: {
        const QVariant count = map.value(QStringLiteral("numChunks"));
        const double value = count.toDouble();
        if (!platform::isNumber(count))
            *problem = QStringLiteral("The Figma page announced a transfer without a number of chunks.");
        else if (!(value >= -1e15 && value <= 1e15) || value != std::floor(value))
            *problem = QStringLiteral("The Figma page announced an impossible number of chunks (%1).").arg(value);
        else
            message.numChunks = qint64(value);
        break;
    }
    case MessageKind::Chunk:
        message.base64Data = requiredText(map, name, QStringLiteral("base64EncodedData"), false, problem);
        break;
    case MessageKind::Commit:
        break;
    case MessageKind::UserChoseFile:
        message.fileKey = requiredText(map, name, QStringLiteral("fileKey"), true, problem);
        message.fileName = requiredText(map, name, QStringLiteral("fileName"), true, problem);
        if (problem->isEmpty() && message.fileKey.trimmed().isEmpty())
            *problem = QStringLiteral("The Figma page chose a file without a key.");
        break;
    case MessageKind::OpenUrl:
        message.url = requiredText(map, name, QStringLiteral("url"), true, problem);
        break;
    case MessageKind::Error:
        message.reason = requiredText(map, name, QStringLiteral("reason"), true, problem);
        message.debugMessage = optionalText(map, name, QStringLiteral("debugMessage"), problem);
        break;
    case MessageKind::Log:
        message.text = requiredText(map, name, QStringLiteral("message"), false, problem);
        break;
    case MessageKind::Unknown:
        break;
    }
    return message;
}

FailureReason failureReasonFromText(const QString& reason)
{
    if (reason == QLatin1String("internal"))
        return FailureReason::Internal;
    if (reason == QLatin1String("network"))
        return FailureReason::Network;
    return FailureReason::Other;
}

std::optional<LoadFailure> loadFailure(const QString& domain, int code)
{
    // Chromium's codes: a stopped load (-3) is no failure; these mean the network is away.
    static const QList<int> networkCodes{-106 /* disconnected */, -7 /* timed out */, -118 /* connection timed out */,
                                         -105 /* name not resolved */, -21 /* network changed */, -109 /* unreachable */};
    if (domain.isEmpty() || domain == QLatin1String("NoErrorDomain") || code == -3)
        return std::nullopt;
    const bool network = (domain == QLatin1String("ConnectionErrorDomain") || domain == QLatin1String("DnsErrorDomain"))
                         && networkCodes.contains(code);
    return LoadFailure{network ? FailureReason::Network : FailureReason::Internal,
                       QStringLiteral("Error domain=(%1) code=(%2)").arg(domain).arg(code)};
}

} // namespace figma
