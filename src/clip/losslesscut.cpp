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
    // Times count from the file's start, as players show them; a transport stream's clock
    // does not start at 0.
    const double origin = mediaOrigin(input.get());
    from += origin;
    to += origin;
    OutputPtr output = createMediaOutput(outputPath, error);
    if (!output)
        return false;

    // Input stream -> output stream, -1 for a stream left out.
    std::vector<int> map(input->nb_streams, -1);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters *par = input->streams[i]->codecpar;
        // A camera's private data streams (a GPS stream in a transport stream) have no codec
        // a muxer knows; their track is what track.gpx holds.
        const bool known = par->codec_id != AV_CODEC_ID_NONE &&
                           par->codec_type != AVMEDIA_TYPE_UNKNOWN;
        // 0 is a plain no; a container without a codec table (MPEG-TS) answers below 0.
        if (!known || avformat_query_codec(output->oformat, par->codec_id,
                                           FF_COMPLIANCE_NORMAL) == 0) {
            if (hooks.note)
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

    // The cut begins on the key frame at or before the in-point.
    seekToKeyFrameAtOrBefore(input.get(), video, from);

    // Packets from a key frame at or before the in-point wait here until the video passes the
    // in-point: a later such key frame replaces them, so the copy starts on the last one
    // whatever the container's seek precision.
    std::vector<PacketPtr> pending;
    bool started = false;
    double start = -1; // seconds of the copy's first key frame
    const auto write = [&](AVPacket *p) {
        const AVStream *in = input->streams[p->stream_index];
        const int64_t stamp = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        const double seconds = toSeconds(stamp, in->time_base);
        if (seconds < start - 0.0005 || seconds >= to)
            return 0;
        AVStream *out = output->streams[map[size_t(p->stream_index)]];
        const int64_t shift = toStreamTime(start, in->time_base);
        if (p->pts != AV_NOPTS_VALUE)
            p->pts -= shift;
        if (p->dts != AV_NOPTS_VALUE)
            p->dts -= shift;
        av_packet_rescale_ts(p, in->time_base, out->time_base);
        p->stream_index = out->index;
        p->pos = -1;
        if (progress && to > start)
            progress(qBound(0.0, (seconds - start) / (to - start), 1.0));
        return av_interleaved_write_frame(output.get(), p);
    };
    const auto flushPending = [&]() {
        started = true;
        for (PacketPtr &p : pending)
            if (const int w = write(p.get()); w < 0)
                return w;
        pending.clear();
        return 0;
    };

    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const int index = packet->stream_index;
        const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (hooks.cancelled()) {
            *error = QStringLiteral("cancelled");
            return false;
        }
        if (map[size_t(index)] < 0 || stamp == AV_NOPTS_VALUE) {
            av_packet_unref(packet.get());
            continue;
        }
        const double seconds = toSeconds(stamp, input->streams[index]->time_base);
        const bool videoKey = index == video && (packet->flags & AV_PKT_FLAG_KEY);
        if (!started) {
            if (videoKey && seconds <= from + 0.0005) {
                pending.clear();
                start = seconds;
            } else if (videoKey && start < 0) {
                start = seconds; // the seek went past the in-point: the nearest key frame after
            }
            if (start < 0) { // nothing before the first key frame would decode
                av_packet_unref(packet.get());
                continue;
            }
            if (index != video || seconds <= from + 0.0005) {
                pending.emplace_back(av_packet_clone(packet.get()));
                av_packet_unref(packet.get());
                continue;
            }
            if ((r = flushPending()) < 0)
                break;
        }
        // Interleaving puts other streams' packets up to about a second behind the video's.
        if (seconds >= to + 1.0)
            break;
        r = write(packet.get());
        av_packet_unref(packet.get());
        if (r < 0)
            break;
    }
    if (r >= 0 && !started && start >= 0)
        r = flushPending();
    if (r < 0) {
        *error = QStringLiteral("cannot write: %1").arg(avErrorText(r));
        return false;
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
