#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>

#include <optional>

// The rules of the Figma pages that need no web view: which page may speak to the application,
// what each of its messages must carry, the page addresses, the failure reasons and which links
// the application opens for the page.
namespace figma {

// The integration identifier in the page addresses.
inline constexpr const char* kIntegrationId = "zelvor";

// Why an import failed, as the delegate is told.
enum class FailureReason { Other = 0, Network = 1, Internal = 2 };

// --- addresses
// The service's address (scheme, host, port) with the path; the path keeps its characters.
QUrl serverUrl(const QUrl& service, const QString& path);
// "/integrations/<id>/file_picker" on the service.
QUrl filePickerUrl(const QUrl& service, const QString& integrationId);
// "/integrations/<id>/export/<key>", the key percent-encoded so that it stays one path segment.
QUrl exportUrl(const QUrl& service, const QString& integrationId, const QString& fileKey);

// Whether a page at `pageUrl` is the service's own: same scheme, host and port. Only such a
// page reaches the bridge.
bool isServicePage(const QUrl& pageUrl, const QUrl& service);
// Whether the page may have the link opened in the browser: a web link (http or https) whose
// host is the service's host or one of its subdomains.
bool isServiceLink(const QUrl& link, const QUrl& service);

// --- messages
enum class MessageKind {
    Unknown, // a name the bridge does not take: ignored
    WillSendChunks,
    Chunk,
    Commit,
    UserChoseFile,
    OpenUrl,
    Error,
    Log,
};

// The names the page posts, in the order they are registered.
const QStringList& messageNames();

struct Message {
    MessageKind kind = MessageKind::Unknown;
    qint64 numChunks = 0;   // WillSendChunks
    QString base64Data;     // Chunk
    QString fileKey;        // UserChoseFile
    QString fileName;       // UserChoseFile
    QString url;            // OpenUrl
    QString reason;         // Error
    QString debugMessage;   // Error
    QString text;           // Log
    QString problem;        // non-empty: the message is malformed, and this says how
};

// Reads one message of the page. The body must be an object whose keys have the types the
// message needs (a number for "numChunks", text for the rest); anything else sets `problem`.
// A whole "numChunks" is required, its range is the chunk collector's to judge. Texts of the
// file and of links are bounded (kMaxTextLength); a chunk's size is the collector's to judge.
Message parseMessage(const QString& name, const QVariant& body);
inline constexpr int kMaxTextLength = 4096;

// Whether the message belongs to a transfer (a malformed one abandons it).
bool isTransferMessage(const QString& name);

// "internal" → Internal, "network" → Network, anything else → Other.
FailureReason failureReasonFromText(const QString& reason);

// A failed load of the page: Network for a lost connection or a timeout, else Internal; no
// report (nullopt) for a load that was only stopped or replaced by another.
struct LoadFailure {
    FailureReason reason;
    QString debugMessage; // "Error domain=(<domain>) code=(<code>)"
};
std::optional<LoadFailure> loadFailure(const QString& domain, int code);

} // namespace figma
