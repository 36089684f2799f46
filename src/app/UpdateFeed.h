#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The update feed: one JSON object that names the newest release,
//   {"version": "1.2.0", "url": "https://…/download", "notes": "What changed"}
// "notes" may be absent; "url" must be http or https.
struct UpdateRelease {
    QString version;
    QUrl url;
    QString notes;
};

// Reads a feed; answers nothing (with the reason in `error`) for anything else.
std::optional<UpdateRelease> parseUpdateFeed(const QByteArray& body, QString* error = nullptr);

// Compares dotted version texts number by number ("1.10" is newer than "1.9", "1.0" equals
// "1.0.0"); a part that is not a number compares as text after the numbers before it.
// Answers <0, 0 or >0 as `a` is older than, the same as or newer than `b`.
int compareVersions(const QString& a, const QString& b);
