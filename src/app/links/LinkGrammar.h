#pragma once

#include <QString>
#include <QUrl>

// How a "zelvor://" link is read. The scheme stands for "http://": a link whose address ends in
// ".zip" downloads a zipped project, a link to the gist host opens a gist's text as a new
// project, anything else is refused. Pure functions; the link is untrusted input.
namespace LinkGrammar {

enum class Kind { Zip, Gist, Invalid };

struct Link {
    Kind kind = Kind::Invalid;
    QUrl address;     // the http address (Zip) or the gist page (Gist)
    QString gistUser; // the path component before the identifier
    QString gistId;   // the last path component
};

// Links longer than this are refused as they stand: no project link needs more.
constexpr int kMaxLinkLength = 4096;

Link parse(const QString& text, const QString& gistHost);

// The gist identifier is too short to be one (the link is then refused as no valid gist link).
bool isShortGistId(const QString& id);

// User names and identifiers are letters, digits, "-", "_" and inner dots: anything else (an
// escape, a ".." step, a huge name) is no gist of the service.
bool isPlainGistPart(const QString& part);

// The address of the gist's raw text: `rawBase` + "/<user>/<id>/raw", both components
// percent-encoded so that neither can add path steps of its own.
QUrl gistRawAddress(const QString& rawBase, const QString& user, const QString& id);

// The example link of the "Not a valid gist url" alert.
QString exampleGistLink(const QString& gistHost);

// The file name for the downloaded archive in the Downloads folder: the address's last path
// component, made safe (no path separators, no leading dot, no control characters, at most
// 120 characters) and ending in ".zip".
QString downloadFileName(const QUrl& address);

} // namespace LinkGrammar
