#include "losslesscut.h"

#include "avhandles.h"

#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <vector>

namespace {
int videoStreamOf(AVFormatContext *input)
{
    return av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
}

// A camera's private data streams (a GPS stream in a transport stream) have no codec a muxer
// knows; their track is what track.gpx holds.
bool knownStream(const AVCodecParameters *par)
{
    return par->codec_id != AV_CODEC_ID_NONE && par->codec_type != AVMEDIA_TYPE_UNKNOWN;
}

// What a stream is, for saying why files cannot be joined.
QString streamText(const AVCodecParameters *par)
{
    QString text = QString::fromLatin1(avcodec_get_name(par->codec_id));
    if (par->codec_type == AVMEDIA_TYPE_VIDEO)
        text += QStringLiteral(" %1x%2").arg(par->width).arg(par->height);
    else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
        text += QStringLiteral(" %1 Hz").arg(par->sample_rate);
    return text;
}

bool sameParameters(const AVCodecParameters *a, const AVCodecParameters *b)
{
    return a->codec_type == b->codec_type && a->codec_id == b->codec_id &&
           a->width == b->width && a->height == b->height && a->format == b->format &&
           a->sample_rate == b->sample_rate &&
           a->ch_layout.nb_channels == b->ch_layout.nb_channels &&
           a->extradata_size == b->extradata_size &&
           (a->extradata_size == 0 ||
            std::memcmp(a->extradata, b->extradata, size_t(a->extradata_size)) == 0);
}

// One piece being copied into the shared output.
struct JoinState
{
    AVFormatContext *output = nullptr;
    std::vector<int64_t> lastDts;  // per output stream, what was written last
    int64_t videoBase = 0;         // the output video's time where the piece starts
    int64_t videoEnd = 0;          // the end of the video written so far
    int outputVideo = -1;
};

// Copies one piece; false with *error.
bool copyPiece(const CutPiece &piece, bool first, JoinState &state, const ClipHooks &hooks,
               const std::function<void(double)> &progress, QString *error)
{
    InputPtr input = openMediaHeader(piece.path, error);
    if (!input)
        return false;
    const QString name = QFileInfo(piece.path).fileName();
    // Times count from the file's start, as players show them; a transport stream's clock
    // does not start at 0.
    const double origin = mediaOrigin(input.get());
    const double from = piece.from + origin;
    const double to = piece.to + origin;
    AVFormatContext *output = state.output;

    // Input stream -> output stream, -1 for a stream left out; the kept streams of later pieces
    // go to the output streams in the same order.
    std::vector<int> map(input->nb_streams, -1);
    int next = 0;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters *par = input->streams[i]->codecpar;
        // 0 is a plain no; a container without a codec table (MPEG-TS) answers below 0.
        if (!knownStream(par) ||
            avformat_query_codec(output->oformat, par->codec_id, FF_COMPLIANCE_NORMAL) == 0) {
            if (hooks.note && first)
                hooks.note(QStringLiteral("%1: stream %2 (%3) cannot be copied into this "
                                          "container, left out")
                               .arg(name)
                               .arg(i)
                               .arg(QString::fromLatin1(avcodec_get_name(par->codec_id))));
            continue;
        }
        if (first) {
            AVStream *out = avformat_new_stream(output, nullptr);
            if (!out || avcodec_parameters_copy(out->codecpar, par) < 0) {
                *error = QStringLiteral("cannot set up an output stream");
                return false;
            }
            // The container picks its own tag for the codec.
            if (av_codec_get_tag(output->oformat->codec_tag, par->codec_id) != par->codec_tag)
                out->codecpar->codec_tag = 0;
            out->time_base = input->streams[i]->time_base;
        } else if (next >= int(output->nb_streams) ||
                   output->streams[next]->codecpar->codec_id != par->codec_id) {
            *error = QStringLiteral("%1: its streams differ from the recording before").arg(name);
            return false;
        }
        map[i] = next++;
    }
    const int video = videoStreamOf(input.get());
    if (video < 0 || map[size_t(video)] < 0 || (!first && next != int(output->nb_streams))) {
        *error = first ? QStringLiteral("no video stream to cut")
                       : QStringLiteral("%1: its streams differ from the recording before")
                             .arg(name);
        return false;
    }
    int r = 0;
    if (first) {
        r = avformat_write_header(output, nullptr);
        if (r < 0) {
            *error = QStringLiteral("cannot start the output: %1").arg(avErrorText(r));
            return false;
        }
        state.lastDts.assign(output->nb_streams, AV_NOPTS_VALUE);
        state.outputVideo = map[size_t(video)];
    }
    const AVStream *videoIn = input->streams[video];
    const AVStream *videoOut = output->streams[state.outputVideo];
    // A picture's length where the packet does not say.
    const int64_t frameTicks =
        videoIn->avg_frame_rate.num > 0
            ? qMax<int64_t>(1, av_rescale_q(1, av_inv_q(videoIn->avg_frame_rate),
                                            videoOut->time_base))
            : 1;

    // The cut begins on the key frame at or before the in-point.
    seekToKeyFrameAtOrBefore(input.get(), video, from);

    // Packets from a key frame at or before the in-point wait here until the video passes the
    // in-point: a later such key frame replaces them, so the copy starts on the last one
    // whatever the container's seek precision.
    std::vector<PacketPtr> pending;
    bool started = false;
    double start = -1; // seconds of the copy's first key frame
    const double span = std::isfinite(to) ? to - from
                        : input->duration > 0 ? double(input->duration) / AV_TIME_BASE - piece.from
                                              : 0;
    const auto write = [&](AVPacket *p) {
        const AVStream *in = input->streams[p->stream_index];
        const int64_t stamp = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        const double seconds = toSeconds(stamp, in->time_base);
        if (seconds < start - 0.0005 || seconds >= to)
            return 0;
        const int index = map[size_t(p->stream_index)];
        AVStream *out = output->streams[index];
        const int64_t shift = toStreamTime(start, in->time_base);
        if (p->pts != AV_NOPTS_VALUE)
            p->pts -= shift;
        if (p->dts != AV_NOPTS_VALUE)
            p->dts -= shift;
        av_packet_rescale_ts(p, in->time_base, out->time_base);
        // Every stream moves by the video's offset, so sound stays with its pictures.
        const int64_t base = av_rescale_q(state.videoBase, videoOut->time_base, out->time_base);
        if (p->pts != AV_NOPTS_VALUE)
            p->pts += base;
        if (p->dts != AV_NOPTS_VALUE)
            p->dts += base;
        // Sound running on past its recording's pictures overlaps the next recording's.
        int64_t &last = state.lastDts[size_t(index)];
        if (p->dts != AV_NOPTS_VALUE && last != AV_NOPTS_VALUE && p->dts <= last)
            return 0;
        if (p->dts != AV_NOPTS_VALUE)
            last = p->dts;
        if (index == state.outputVideo && p->pts != AV_NOPTS_VALUE)
            state.videoEnd = qMax(state.videoEnd, p->pts + (p->duration > 0 ? p->duration
                                                                             : frameTicks));
        p->stream_index = index;
        p->pos = -1;
        if (progress && span > 0)
            progress(qBound(0.0, (seconds - start) / span, 1.0));
        return av_interleaved_write_frame(output, p);
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
    state.videoBase = state.videoEnd;
    return true;
}
} // namespace

bool cutLosslessly(const QString &input, const QString &output, double from, double to,
                   const ClipHooks &hooks, const std::function<void(double)> &progress,
                   QString *error)
{
    return joinLosslessly({CutPiece{input, from, to}}, output, hooks, progress, error);
}

bool joinLosslessly(const QVector<CutPiece> &pieces, const QString &outputPath,
                    const ClipHooks &hooks, const std::function<void(double)> &progress,
                    QString *error)
{
    if (pieces.isEmpty()) {
        *error = QStringLiteral("nothing to copy");
        return false;
    }
    OutputPtr output = createMediaOutput(outputPath, error, true);
    if (!output)
        return false;
    JoinState state;
    state.output = output.get();
    const int count = int(pieces.size());
    for (int k = 0; k < count; ++k) {
        const auto pieceProgress = [&progress, k, count](double f) {
            if (progress)
                progress((k + f) / count);
        };
        if (!copyPiece(pieces[k], k == 0, state, hooks, pieceProgress, error))
            return false;
    }
    const int r = av_write_trailer(output.get());
    if (r < 0) {
        *error = QStringLiteral("cannot finish the output: %1").arg(avErrorText(r));
        return false;
    }
    QString why;
    if (!closeMediaOutput(output.get(), &why)) {
        *error = QStringLiteral("cannot finish the output: %1").arg(why);
        return false;
    }
    return true;
}

QString joinMismatch(const QStringList &paths)
{
    std::vector<const AVCodecParameters *> firstStreams;
    InputPtr firstInput;
    for (int k = 0; k < paths.size(); ++k) {
        QString why;
        InputPtr input = openMediaHeader(paths[k], &why);
        const QString name = QFileInfo(paths[k]).fileName();
        if (!input)
            return QStringLiteral("%1 cannot be read (%2)").arg(name, why);
        std::vector<const AVCodecParameters *> streams;
        for (unsigned i = 0; i < input->nb_streams; ++i)
            if (knownStream(input->streams[i]->codecpar))
                streams.push_back(input->streams[i]->codecpar);
        if (k == 0) {
            firstStreams = streams;
            firstInput = std::move(input);
            continue;
        }
        const QString firstName = QFileInfo(paths[0]).fileName();
        if (streams.size() != firstStreams.size())
            return QStringLiteral("%1 has %2 streams, %3 has %4")
                .arg(name)
                .arg(streams.size())
                .arg(firstName)
                .arg(firstStreams.size());
        for (size_t i = 0; i < streams.size(); ++i)
            if (!sameParameters(streams[i], firstStreams[i]))
                return QStringLiteral("%1 (%2) differs from %3 (%4)")
                    .arg(name, streamText(streams[i]), firstName, streamText(firstStreams[i]));
    }
    return QString();
}
