#include "preview/PreviewPageWriter.h"

#include "platform/ContainedFiles.h"
#include "platform/Log.h"
#include "preview/PreviewPage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace preview {

namespace {
const QString kDomain = QStringLiteral("RBZelvorViewController");
// A page is a few kilobytes; one far larger is no page to rewrite in the window's thread.
constexpr qint64 kMaxPageSize = qint64(16) << 20;
}

QString writePreviewPage(const QDir& project, bool hasModules)
{
    const QString root = project.absolutePath();
    const QString index = project.filePath(QStringLiteral("index.html"));
    QString reason;
    // The page is made only of the project's own files: an "index.html" that leads out of the
    // project (or is no regular file) counts as missing, and is never opened.
    const std::optional<QByteArray> html = platform::readFileInside(root, index, &reason, kMaxPageSize);
    if (!html) {
        platform::Log::error(kDomain, QStringLiteral("cannot read %1: %2").arg(index, reason));
        return QStringLiteral("The project\u2019s page cannot be shown: %1").arg(reason);
    }
    const auto fingerprint = [&project, &root, hasModules](const QString& path) {
        const QString full = project.filePath(path);
        const std::optional<QByteArray> bytes = platform::entryKindInside(root, full) == platform::EntryKind::File
                                                    ? platform::readFileInside(root, full)
                                                    : std::nullopt;
        const QString print = bytes ? QString::fromLatin1(QCryptographicHash::hash(*bytes, QCryptographicHash::Md5).toHex()) : QString();
        if (print.isEmpty() && (hasModules || path != QLatin1String("zelvor/zelvor.modules.js")))
            platform::Log::warning(kDomain, QStringLiteral("RBZelvorViewController.reload: missing md5 hash at %1").arg(full));
        return print;
    };
    const QString page = rewriteIndexPage(QString::fromUtf8(*html), fingerprint, QStringLiteral("/_server/resources/ZelvorTranspiler/inferencer.js"));
    const QString pagePath = project.filePath(QStringLiteral(".temp.html"));
    if (!platform::writeFileInside(root, pagePath, page.toUtf8(), &reason)) {
        platform::Log::error(kDomain, QStringLiteral("cannot write %1: %2").arg(pagePath, reason));
        return QStringLiteral("The preview page could not be written in the project folder: %1").arg(reason);
    }
    return {};
}

} // namespace preview
