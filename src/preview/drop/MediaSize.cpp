#include "preview/drop/MediaSize.h"

#include "platform/Log.h"

#include <QImageReader>

#include <dlfcn.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace mediasize {

namespace {

#define MEDIA_LIBRARY_NAME(name, major) "lib" name ".so." #major
#define MEDIA_LIBRARY(name, major) MEDIA_LIBRARY_NAME(name, major)

// The media library is opened when the first video is measured, not linked: with the codec
// libraries it pulls in (over a hundred) it would add a tenth of a second to every start of
// the application for a rare drop. The versions are those of the headers the code was built with.
struct MediaLibrary {
    decltype(&avformat_open_input) openInput = nullptr;
    decltype(&avformat_find_stream_info) findStreamInfo = nullptr;
    decltype(&avformat_close_input) closeInput = nullptr;

    static const MediaLibrary* shared()
    {
        static const MediaLibrary* library = [] () -> const MediaLibrary* {
            void* util = dlopen(MEDIA_LIBRARY("avutil", LIBAVUTIL_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
            void* format = util ? dlopen(MEDIA_LIBRARY("avformat", LIBAVFORMAT_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL) : nullptr;
            auto* loaded = new MediaLibrary;
            if (format) {
                loaded->openInput = reinterpret_cast<decltype(&avformat_open_input)>(dlsym(format, "avformat_open_input"));
                loaded->findStreamInfo = reinterpret_cast<decltype(&avformat_find_stream_info)>(dlsym(format, "avformat_find_stream_info"));
                loaded->closeInput = reinterpret_cast<decltype(&avformat_close_input)>(dlsym(format, "avformat_close_input"));
            }
            auto setLogLevel = util ? reinterpret_cast<decltype(&av_log_set_level)>(dlsym(util, "av_log_set_level")) : nullptr;
            if (!loaded->openInput || !loaded->findStreamInfo || !loaded->closeInput || !setLogLevel) {
                const char* reason = dlerror();
                platform::Log::error(QStringLiteral("MediaSize"),
                                     QStringLiteral("Video sizes cannot be read: the media library did not load (%1)")
                                         .arg(QString::fromLocal8Bit(reason ? reason : "symbols missing")));
                delete loaded;
                return nullptr;
            }
            // The library's own messages about odd files are of no use to the user.
            setLogLevel(AV_LOG_QUIET);
            return loaded;
        }();
        return library;
    }
};

} // namespace

std::optional<QSize> imageSize(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return std::nullopt;
    QSize size = reader.size();
    if (!size.isValid()) {
        // Some formats tell their size only by decoding.
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        size = image.size();
    }
    return size;
}

std::optional<QSize> videoSize(const QString& path)
{
    const MediaLibrary* av = MediaLibrary::shared();
    if (!av)
        return std::nullopt;
    AVFormatContext* context = nullptr;
    if (av->openInput(&context, path.toUtf8().constData(), nullptr, nullptr) != 0)
        return std::nullopt;
    std::optional<QSize> size;
    if (av->findStreamInfo(context, nullptr) >= 0) {
        size = QSize(0, 0);
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVCodecParameters* codec = context->streams[i]->codecpar;
            if (codec->codec_type == AVMEDIA_TYPE_VIDEO && !(context->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
                size = QSize(codec->width, codec->height);
                break;
            }
        }
    }
    av->closeInput(&context);
    return size;
}

} // namespace mediasize
