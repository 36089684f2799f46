#include "preview/drop/DropFileKind.h"

#include <QFileInfo>

DropFileKind dropFileKind(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    for (const char* image : {"png", "jpg", "jpeg", "tif", "gif"}) {
        if (extension == QLatin1String(image))
            return DropFileKind::Image;
    }
    for (const char* video : {"mov", "mp4", "m4a"}) {
        if (extension == QLatin1String(video))
            return DropFileKind::Video;
    }
    if (extension == QLatin1String("coffee") || extension == QLatin1String("js"))
        return DropFileKind::Module;
    return DropFileKind::Unsupported;
}

QString dropTargetFolderName(DropFileKind kind)
{
    switch (kind) {
    case DropFileKind::Image:
    case DropFileKind::Video:
        return QStringLiteral("images");
    case DropFileKind::Module:
        return QStringLiteral("modules");
    case DropFileKind::Unsupported:
        break;
    }
    return {};
}
