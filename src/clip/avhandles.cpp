#include "avhandles.h"

#include <QFile>

QString avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

InputPtr openMediaInput(const QString &path, QString *error)
{
    AVFormatContext *raw = nullptr;
    int r = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
    if (r < 0) {
        *error = avErrorText(r);
        return nullptr;
    }
    InputPtr input(raw);
    r = avformat_find_stream_info(input.get(), nullptr);
    if (r < 0) {
        *error = avErrorText(r);
        return nullptr;
    }
    return input;
}

InputPtr openMediaHeader(const QString &path, QString *error)
{
    AVFormatContext *raw = nullptr;
    int r = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
    if (r < 0) {
        *error = avErrorText(r);
        return nullptr;
    }
    InputPtr input(raw);
    bool complete = input->nb_streams > 0 &&
                    QByteArray(input->iformat->name).split(',').contains("mov");
    for (unsigned i = 0; i < input->nb_streams && complete; ++i) {
        const AVCodecParameters *par = input->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO)
            complete = par->codec_id != AV_CODEC_ID_NONE && par->width > 0 && par->height > 0;
        else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
            complete = par->codec_id != AV_CODEC_ID_NONE && par->sample_rate > 0 &&
                       par->ch_layout.nb_channels > 0;
    }
    if (!complete && (r = avformat_find_stream_info(input.get(), nullptr)) < 0) {
        *error = avErrorText(r);
        return nullptr;
    }
    return input;
}

OutputPtr createMediaOutput(const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    AVFormatContext *raw = nullptr;
    int r = avformat_alloc_output_context2(&raw, nullptr, nullptr, name.constData());
    if (r < 0 || !raw) {
        *error = r < 0 ? avErrorText(r) : QStringLiteral("no container for this file name");
        return nullptr;
    }
    OutputPtr output(raw);
    if (!(output->oformat->flags & AVFMT_NOFILE)) {
        r = avio_open(&output->pb, name.constData(), AVIO_FLAG_WRITE);
        if (r < 0) {
            *error = avErrorText(r);
            return nullptr;
        }
    }
    return output;
}

double mediaOrigin(const AVFormatContext *input)
{
    return input->start_time != AV_NOPTS_VALUE ? double(input->start_time) / AV_TIME_BASE : 0.0;
}

void seekToKeyFrameAtOrBefore(AVFormatContext *input, int stream, double seconds)
{
    const AVRational base = input->streams[stream]->time_base;
    PacketPtr packet(av_packet_alloc());
    for (const double margin : {0.0, 3.0, 10.0, 30.0}) {
        const int64_t target = toStreamTime(seconds - margin, base);
        if (av_seek_frame(input, stream, target, AVSEEK_FLAG_BACKWARD) < 0)
            break;
        // Where it landed: the stream's first key frame from there.
        bool early = true;
        while (av_read_frame(input, packet.get()) >= 0) {
            const bool key = packet->stream_index == stream &&
                             (packet->flags & AV_PKT_FLAG_KEY) && packet->pts != AV_NOPTS_VALUE;
            if (key)
                early = toSeconds(packet->pts, base) <= seconds + 0.0005;
            av_packet_unref(packet.get());
            if (key)
                break;
        }
        if (early) {
            av_seek_frame(input, stream, target, AVSEEK_FLAG_BACKWARD);
            return;
        }
    }
    av_seek_frame(input, -1, input->start_time != AV_NOPTS_VALUE ? input->start_time : 0,
                  AVSEEK_FLAG_BACKWARD);
}

int64_t toStreamTime(double seconds, AVRational timeBase)
{
    return int64_t(seconds * timeBase.den / timeBase.num + (seconds >= 0 ? 0.5 : -0.5));
}

double toSeconds(int64_t timestamp, AVRational timeBase)
{
    return double(timestamp) * av_q2d(timeBase);
}
