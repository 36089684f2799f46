#include "app/UpdateFeed.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

std::optional<UpdateRelease> parseUpdateFeed(const QByteArray& body, QString* error)
{
    auto fail = [error](const QString& reason) -> std::optional<UpdateRelease> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return fail(QStringLiteral("The update feed is not a JSON object."));
    const QJsonObject object = document.object();
    const QString version = object.value(QStringLiteral("version")).toString().trimmed();
    static const QRegularExpression versionPattern(QStringLiteral("^[0-9]+(\\.[0-9A-Za-z-]+)*$"));
    if (version.isEmpty() || version.size() > 64 || !versionPattern.match(version).hasMatch())
        return fail(QStringLiteral("The update feed names no valid version."));
    const QUrl url(object.value(QStringLiteral("url")).toString().trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")) || url.host().isEmpty())
        return fail(QStringLiteral("The update feed names no valid download address."));
    UpdateRelease release;
    release.version = version;
    release.url = url;
    release.notes = object.value(QStringLiteral("notes")).toString().left(4000);
    return release;
}

int compareVersions(const QString& a, const QString& b)
{
    static const QRegularExpression separators(QStringLiteral("[.-]"));
    const QStringList left = a.trimmed().split(separators);
    const QStringList right = b.trimmed().split(separators);
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString l = i < left.size() ? left[i] : QStringLiteral("0");
        const QString r = i < right.size() ? right[i] : QStringLiteral("0");
        bool lNumber = false;
        bool rNumber = false;
        const qulonglong ln = l.toULongLong(&lNumber);
        const qulonglong rn = r.toULongLong(&rNumber);
        if (lNumber && rNumber) {
            if (ln != rn)
                return ln < rn ? -1 : 1;
        } else if (lNumber != rNumber) {
            // A release ("1.0.0") is newer than a pre-release of it ("1.0.0-beta").
            return lNumber ? 1 : -1;
        } else if (const int c = l.compare(r); c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    return 0;
}
