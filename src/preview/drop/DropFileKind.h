#pragma once

#include <QString>

// What a file dropped on the preview (or pasted into the editor) becomes in the project, decided
// by its extension, in any letter case.
enum class DropFileKind {
    Image,       // "png", "jpg", "jpeg", "tif", "gif": copied into "images"
    Video,       // "mov", "mp4", "m4a": copied into "images"
    Module,      // "coffee", "js": copied into "modules"
    Unsupported,
};

DropFileKind dropFileKind(const QString& path);
// The project folder the kind is copied into ("images" or "modules"; empty when unsupported).
QString dropTargetFolderName(DropFileKind kind);
