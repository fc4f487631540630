#include "losslesscut.h"

#include "avhandles.h"

#include <QFileInfo>

#include <vector>

namespace {
int videoStreamOf(AVFormatContext *input)
{
    return av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
}
} // namespace

bool cutLosslessly(const QString &inputPath, const QString &outputPath, double from, double to,
                   const ClipHooks &hooks, const std::function<void(double)> &progress,
                   QString *error)
{
    InputPtr input = openMediaInput(inputPath, error);
    if (!input)
        return false;
    OutputPtr output = createMediaOutput(outputPath, error);
    if (!output)
        return false;

    // Input stream -> output stream, -1 for a stream left out.
    std::vector<int> map(input->nb_streams, -1);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters *par = input->streams[i]->codecpar;
        const bool media = par->codec_type == AVMEDIA_TYPE_VIDEO ||
                           par->codec_type == AVMEDIA_TYPE_AUDIO ||
                           par->codec_type == AVMEDIA_TYPE_SUBTITLE;
        if (!media || avformat_query_codec(output->oformat, par->codec_id,
                                           FF_COMPLIANCE_NORMAL) != 1) {
            if (hooks.note && media)
                hooks.note(QStringLiteral("%1: stream %2 (%3) cannot be copied into this "
                                          "container, left out")
                               .arg(QFileInfo(inputPath).fileName())
                               .arg(i)
                               .arg(QString::fromLatin1(avcodec_get_name(par->codec_id))));
            continue;
        }
        AVStream *out = avformat_new_stream(output.get(), nullptr);
        if (!out || avcodec_parameters_copy(out->codecpar, par) < 0) {
            *error = QStringLiteral("cannot set up an output stream");
            return false;
        }
        // The container picks its own tag for the codec.
        if (av_codec_get_tag(output->oformat->codec_tag, par->codec_id) != par->codec_tag)
            out->codecpar->codec_tag = 0;
        out->time_base = input->streams[i]->time_base;
        map[i] = out->index;
    }
    const int video = videoStreamOf(input.get());
    if (video < 0 || map[size_t(video)] < 0) {
        *error = QStringLiteral("no video stream to cut");
        return false;
    }
    int r = avformat_write_header(output.get(), nullptr);
    if (r < 0) {
        *error = QStringLiteral("cannot start the output: %1").arg(avErrorText(r));
        return false;
    }

    // Backwards: the cut begins on the key frame at or before the in-point.
    const AVRational videoBase = input->streams[video]->time_base;
    r = av_seek_frame(input.get(), video, toStreamTime(from, videoBase), AVSEEK_FLAG_BACKWARD);
    if (r < 0)
        av_seek_frame(input.get(), -1, 0, AVSEEK_FLAG_BACKWARD);

    PacketPtr packet(av_packet_alloc());
    double start = -1; // seconds of the first key frame written
    while ((r = av_read_frame(input.get(), packet.get())) >= 0) {
        const int index = packet->stream_index;
        const AVStream *in = input->streams[index];
        const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (hooks.cancelled()) {
            *error = QStringLiteral("cancelled");
            return false;
        }
        if (map[size_t(index)] < 0 || stamp == AV_NOPTS_VALUE) {
            av_packet_unref(packet.get());
            continue;
        }
        const double seconds = toSeconds(stamp, in->time_base);
        if (start < 0) {
            // Everything before the first video key frame would not decode.
            if (index != video || !(packet->flags & AV_PKT_FLAG_KEY) || seconds > from + 0.001) {
                if (index == video && seconds > from + 0.001 && (packet->flags & AV_PKT_FLAG_KEY))
                    start = seconds; // an imprecise seek: the next key frame is the best there is
                else {
                    av_packet_unref(packet.get());
                    continue;
                }
            } else {
                start = seconds;
            }
        }
        // Interleaving puts other streams' packets up to about a second behind the video's.
        if (seconds >= to + 1.0)
            break;
        if (seconds < start - 0.0005 || seconds >= to) {
            av_packet_unref(packet.get());
            continue;
        }
        AVStream *out = output->streams[map[size_t(index)]];
        const int64_t shift = toStreamTime(start, in->time_base);
        if (packet->pts != AV_NOPTS_VALUE)
            packet->pts -= shift;
        if (packet->dts != AV_NOPTS_VALUE)
            packet->dts -= shift;
        av_packet_rescale_ts(packet.get(), in->time_base, out->time_base);
        packet->stream_index = out->index;
        packet->pos = -1;
        r = av_interleaved_write_frame(output.get(), packet.get());
        if (r < 0) {
            *error = QStringLiteral("cannot write: %1").arg(avErrorText(r));
            return false;
        }
        if (progress && to > start)
            progress(qBound(0.0, (seconds - start) / (to - start), 1.0));
    }
    if (start < 0) {
        *error = QStringLiteral("no key frame in the range");
        return false;
    }
    r = av_write_trailer(output.get());
    if (r < 0) {
        *error = QStringLiteral("cannot finish the output: %1").arg(avErrorText(r));
        return false;
    }
    return true;
}
