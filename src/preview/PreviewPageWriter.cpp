#include "preview/PreviewPageWriter.h"

#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "preview/PreviewPage.h"

#include <QDir>
#include <QFileInfo>

namespace preview {

namespace {
const QString kDomain = QStringLiteral("RBZelvorViewController");
}

QString writePreviewPage(const QDir& project, bool hasModules)
{
    bool readable = false;
    const QString html = platform::readTextFile(project.filePath(QStringLiteral("index.html")), &readable);
    if (!readable) {
        platform::Log::error(kDomain, QStringLiteral("cannot read %1").arg(project.filePath(QStringLiteral("index.html"))));
        return QStringLiteral("The project\u2019s page \u201Cindex.html\u201D could not be read.");
    }
    const auto fingerprint = [&project, hasModules](const QString& path) {
        const QString full = project.filePath(path);
        const QString print = QFileInfo::exists(full) ? platform::md5OfFile(full) : QString();
        if (print.isEmpty() && (hasModules || path != QLatin1String("zelvor/zelvor.modules.js")))
            platform::Log::warning(kDomain, QStringLiteral("RBZelvorViewController.reload: missing md5 hash at %1").arg(full));
        return print;
    };
    const QString page = rewriteIndexPage(html, fingerprint, QStringLiteral("/_server/resources/ZelvorTranspiler/inferencer.js"));
    const QString pagePath = project.filePath(QStringLiteral(".temp.html"));
    QString reason;
    if (!platform::writeFileAtomically(pagePath, page.toUtf8(), &reason)) {
        platform::Log::error(kDomain, QStringLiteral("cannot write %1: %2").arg(pagePath, reason));
        return QStringLiteral("The preview page could not be written in the project folder: %1").arg(reason);
    }
    return {};
}

} // namespace preview
