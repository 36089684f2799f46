#include "preview/drop/MediaSize.h"

#include <QImageReader>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace mediasize {

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
    // The library's own messages about odd files are of no use to the user.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;

    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr) != 0)
        return std::nullopt;
    std::optional<QSize> size;
    if (avformat_find_stream_info(context, nullptr) >= 0) {
        size = QSize(0, 0);
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVCodecParameters* codec = context->streams[i]->codecpar;
            if (codec->codec_type == AVMEDIA_TYPE_VIDEO && !(context->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
                size = QSize(codec->width, codec->height);
                break;
            }
        }
    }
    avformat_close_input(&context);
    return size;
}

} // namespace mediasize
