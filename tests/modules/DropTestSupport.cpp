#include "DropTestSupport.h"

#include "platform/Bundle.h"
#include "editor/SnippetTemplate.h"
#include "platform/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>


extern "C" {
#include <libavformat/avformat.h>
}

void SnippetEditor::insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop)
{
    const QString source = platform::readTextFile(
        platform::Bundle::main().pathForResource(name, QStringLiteral("coffee"), QStringLiteral("Snippets")));
    QVariantMap values = context;
    const int count = counters.value(name, 0);
    values.insert(QStringLiteral("snippetCounter"), count > 0 ? QString::number(count) : QString());
    counters[name] = count + 1;
    const QString rendered = snippets::renderTemplate(source, values).value_or(QString());
    if (onTop)
        text.prepend(rendered);
    else
        text += QLatin1Char('\n') + rendered;
    inserted << name;
}

namespace droptest {

bool writeMovie(const QString& path, QSize videoSize)
{
    AVFormatContext* context = nullptr;
    if (avformat_alloc_output_context2(&context, nullptr, "mov", path.toUtf8().constData()) < 0)
        return false;
    AVStream* stream = avformat_new_stream(context, nullptr);
    if (videoSize.isEmpty()) {
        stream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        stream->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
        stream->codecpar->sample_rate = 8000;
        av_channel_layout_default(&stream->codecpar->ch_layout, 1);
        stream->time_base = {1, 8000};
    } else {
        stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        stream->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
        stream->codecpar->format = AV_PIX_FMT_RGB24;
        stream->codecpar->codec_tag = MKTAG('r', 'a', 'w', ' ');
        stream->codecpar->width = videoSize.width();
        stream->codecpar->height = videoSize.height();
        stream->time_base = {1, 25};
    }
    bool ok = avio_open(&context->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE) >= 0
        && avformat_write_header(context, nullptr) >= 0;
    if (ok) {
        const int bytes = videoSize.isEmpty() ? 1600 : videoSize.width() * videoSize.height() * 3;
        AVPacket* packet = av_packet_alloc();
        av_new_packet(packet, bytes);
        memset(packet->data, 0x40, bytes);
        packet->stream_index = 0;
        packet->pts = packet->dts = 0;
        packet->duration = videoSize.isEmpty() ? 800 : 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        ok = av_interleaved_write_frame(context, packet) >= 0 && av_write_trailer(context) >= 0;
        av_packet_free(&packet);
    }
    avio_closep(&context->pb);
    avformat_free_context(context);
    return ok;
}

bool writeImage(const QString& path, QSize size, Qt::GlobalColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QDir().mkpath(QFileInfo(path).path());
    return image.save(path, "PNG");
}

} // namespace droptest
