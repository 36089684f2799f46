#include "app/links/LinkGrammar.h"

#include <QRegularExpression>
#include <QStringList>

namespace LinkGrammar {

namespace {
const QString kScheme = QStringLiteral("zelvor://");
constexpr int kMaxFileNameLength = 120;
} // namespace

Link parse(const QString& text, const QString& gistHost)
{
    Link link;
    if (text.size() > kMaxLinkLength)
        return link;
    QString http = text.trimmed();
    http.replace(kScheme, QStringLiteral("http://"), Qt::CaseInsensitive);
    const QUrl address(http, QUrl::StrictMode);
    // Only web addresses with a host: "zelvor://" alone, other schemes after the replacement or
    // a broken address are not links this application can follow.
    if (!address.isValid() || address.scheme() != QLatin1String("http") || address.host().isEmpty())
        return link;
    link.address = address;
    if (http.endsWith(QStringLiteral(".zip"))) {
        link.kind = Kind::Zip;
        return link;
    }
    if (!gistHost.isEmpty() && http.contains(gistHost)) {
        QStringList parts = address.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        link.kind = Kind::Gist;
        link.gistId = parts.isEmpty() ? QString() : parts.takeLast();
        link.gistUser = parts.isEmpty() ? QString() : parts.takeLast();
    }
    return link;
}

bool isShortGistId(const QString& id)
{
    return id.size() <= 9;
}

bool isPlainGistPart(const QString& part)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9_.-]{0,99}$"));
    return plain.match(part).hasMatch();
}

QUrl gistRawAddress(const QString& rawBase, const QString& user, const QString& id)
{
    const auto encode = [](const QString& part) { return QString::fromLatin1(QUrl::toPercentEncoding(part)); };
    const QString path = QStringLiteral("/%1/%2/raw").arg(encode(user), encode(id));
    return QUrl(rawBase + path, QUrl::TolerantMode);
}

QString exampleGistLink(const QString& gistHost)
{
    return QStringLiteral("zelvor://%1/user/0123456789abcdef0123").arg(gistHost);
}

QString downloadFileName(const QUrl& address)
{
    QString name = address.fileName(QUrl::FullyDecoded);
    static const QRegularExpression unsafe(QStringLiteral("[\\x00-\\x1f\\x7f/\\\\]"));
    name.replace(unsafe, QStringLiteral("_"));
    if (name.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive))
        name.chop(4);
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    name = name.left(kMaxFileNameLength - 4).trimmed();
    if (name.isEmpty())
        name = QStringLiteral("Download");
    return name + QStringLiteral(".zip");
}

} // namespace LinkGrammar
