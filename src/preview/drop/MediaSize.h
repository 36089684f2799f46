#pragma once

#include <QSize>
#include <QString>

#include <optional>

// The sizes that the snippets of dropped media need, read from the files themselves.
namespace mediasize {

// The pixel size of an image file, told by its content (not its extension); nothing when the
// file is not an image that can be read.
std::optional<QSize> imageSize(const QString& path);

// The natural size of the first video track of a media file; 0 by 0 for a file without video
// (an audio-only "m4a"); nothing when the file is not a media file that can be read.
std::optional<QSize> videoSize(const QString& path);

} // namespace mediasize
