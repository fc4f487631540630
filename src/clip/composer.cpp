#include "composer.h"

#include "avhandles.h"
#include "routeinset.h"
#include "telemetrystrip.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <QFileInfo>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

namespace {
constexpr AVPixelFormat kPictureFormat = AV_PIX_FMT_YUV420P;
// Same as the scale filter's bilinear choice; bicubic costs more and a pane is a reduction.
constexpr int kScaleFlags = SWS_BILINEAR;

// A picture of rect's size into rect of picture (even coordinates).
void copyPicture(const AVFrame *from, AVFrame *picture, const QRect &rect)
{
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        uint8_t *dst = picture->data[plane] + (rect.y() >> shift) * picture->linesize[plane] +
                       (rect.x() >> shift);
        av_image_copy_plane(dst, picture->linesize[plane], from->data[plane],
                            from->linesize[plane], rect.width() >> shift,
                            rect.height() >> shift);
    }
}

// Sends output packets of an encoder to the muxer until it wants more input.
bool drainEncoder(AVCodecContext *encoder, AVFormatContext *output, AVStream *stream,
                  QString *error)
{
    PacketPtr packet(av_packet_alloc());
    for (;;) {
        const int r = avcodec_receive_packet(encoder, packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0) {
            *error = QStringLiteral("encoding failed: %1").arg(avErrorText(r));
            return false;
        }
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        const int w = av_interleaved_write_frame(output, packet.get());
        if (w < 0) {
            *error = QStringLiteral("cannot write: %1").arg(avErrorText(w));
            return false;
        }
    }
}

// A channel being decoded in step with the output frames, across the recordings of its pieces.
// The first channel also hands its audio packets of the range to the output.
//
// A time-lapse shows every n-th moment. Where the file has an index of its key frames (MP4,
// MOV), the channel jumps to the last key frame at or before the moment shown whenever that key
// frame lies ahead of everything read so far: the pictures between are never decoded. When n
// frames span more than a key-frame interval only the key frame's group up to the moment shown
// is decoded; with shorter steps the tail of each group after its last shown moment is skipped.
// Without an index (transport streams) every picture is decoded.
class Source
{
public:
    bool open(const ComposeChannel &pieces, double from, bool skipAhead, QString *error)
    {
        m_pieces = pieces;
        m_skipAhead = skipAhead;
        int k = 0;
        while (k + 1 < m_pieces.size() && m_pieces[k + 1].offset <= from + 1e-6)
            ++k;
        m_current.reset(av_frame_alloc());
        m_next.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        return openPiece(k, from, error);
    }

    // Copies the audio of [from, to) into stream of output, shifted to start at 0.
    bool addAudio(AVFormatContext *output, double from, double to, const ClipHooks &hooks)
    {
        m_audio = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (m_audio < 0)
            return true;
        const AVCodecParameters *par = m_input->streams[m_audio]->codecpar;
        if (avformat_query_codec(output->oformat, par->codec_id, FF_COMPLIANCE_NORMAL) != 1) {
            if (hooks.note)
                hooks.note(QStringLiteral("the front channel's %1 sound cannot go into MP4; the "
                                          "composed video is silent")
                               .arg(QString::fromLatin1(avcodec_get_name(par->codec_id))));
            m_audio = -1;
            return true;
        }
        m_audioOut = avformat_new_stream(output, nullptr);
        if (!m_audioOut || avcodec_parameters_copy(m_audioOut->codecpar, par) < 0)
            return false;
        m_audioOut->codecpar->codec_tag = 0;
        m_audioOut->time_base = m_input->streams[m_audio]->time_base;
        m_output = output;
        m_from = from;
        m_to = to;
        return true;
    }

    // Makes the frame shown at t current; true when it changed.
    bool advanceTo(double t)
    {
        if (m_piece + 1 < m_pieces.size() && t >= m_pieces[m_piece + 1].offset - 1e-6) {
            int k = m_piece + 1;
            while (k + 1 < m_pieces.size() && t >= m_pieces[k + 1].offset - 1e-6)
                ++k;
            QString why;
            // A recording that cannot be read holds the last picture of the one before.
            if (!openPiece(k, t, &why)) {
                m_ended = true;
                return false;
            }
        }
        if (m_skipAhead)
            skipToKeyFrameFor(t);
        bool changed = false;
        while (!m_ended) {
            if (!m_haveNext) {
                if (!decode(m_next.get())) {
                    m_ended = true;
                    break;
                }
                m_haveNext = true;
            }
            if (m_haveCurrent && frameTime(m_next.get()) > t + 1e-4)
                break;
            std::swap(m_current, m_next);
            m_haveCurrent = true;
            m_haveNext = false;
            changed = true;
        }
        return changed;
    }

    // Scales the current frame to size into a picture of its own; false without one.
    bool scale(const QSize &size)
    {
        if (!m_haveCurrent)
            return false;
        const AVFrame *f = m_current.get();
        if (!m_scaled) {
            m_scaled.reset(av_frame_alloc());
            m_scaled->format = kPictureFormat;
            m_scaled->width = size.width();
            m_scaled->height = size.height();
            if (av_frame_get_buffer(m_scaled.get(), 0) < 0) {
                m_scaled.reset();
                return false;
            }
        }
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), f->width, f->height,
                                            AVPixelFormat(f->format), size.width(),
                                            size.height(), kPictureFormat, kScaleFlags, nullptr,
                                            nullptr, nullptr));
        if (!m_scaler)
            return false;
        sws_scale(m_scaler.get(), f->data, f->linesize, 0, f->height, m_scaled->data,
                  m_scaled->linesize);
        return true;
    }

    // The scaled picture into rect of picture (even coordinates).
    void copyInto(AVFrame *picture, const QRect &rect) const
    {
        copyPicture(m_scaled.get(), picture, rect);
    }

    // Writes the sound met while decoding; on the thread that owns the output.
    bool writeAudio(QString *error)
    {
        for (PacketPtr &p : m_audioQueue) {
            const int r = av_interleaved_write_frame(m_output, p.get());
            if (r < 0) {
                *error = QStringLiteral("cannot write the sound: %1").arg(avErrorText(r));
                return false;
            }
        }
        m_audioQueue.clear();
        return true;
    }

    // The rest of the range's sound, after the last picture.
    bool finishAudio(QString *error)
    {
        while (m_audioOut && !m_audioDone) {
            if (av_read_frame(m_input.get(), m_packet.get()) < 0)
                break;
            queueAudio();
            av_packet_unref(m_packet.get());
        }
        return writeAudio(error);
    }

private:
    // Opens piece k and seeks to the key frame at or before t (the range's clock).
    bool openPiece(int k, double t, QString *error)
    {
        m_piece = k;
        m_offset = m_pieces[k].offset;
        m_pieceEnd = k + 1 < m_pieces.size() ? m_pieces[k + 1].offset
                                             : std::numeric_limits<double>::infinity();
        m_haveNext = m_ended = m_flushed = false;
        m_readUpTo = -std::numeric_limits<double>::infinity();
        m_codec.reset();
        m_input = openMediaInput(m_pieces[k].path, error);
        if (!m_input)
            return false;
        const AVCodec *codec = nullptr;
        m_stream = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (m_stream < 0 || !codec) {
            *error = QStringLiteral("no video stream");
            return false;
        }
        m_codec.reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(m_codec.get(), m_input->streams[m_stream]->codecpar);
        m_codec->thread_count = 0;
        m_codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        const int r = avcodec_open2(m_codec.get(), codec, nullptr);
        if (r < 0) {
            *error = QStringLiteral("cannot decode: %1").arg(avErrorText(r));
            return false;
        }
        m_timeBase = m_input->streams[m_stream]->time_base;
        m_origin = mediaOrigin(m_input.get());
        if (m_audioOut) {
            // The next recording's sound, when it is the same kind.
            m_audio = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
            if (m_audio >= 0 && m_input->streams[m_audio]->codecpar->codec_id !=
                                    m_audioOut->codecpar->codec_id)
                m_audio = -1;
        }
        seekToKeyFrameAtOrBefore(m_input.get(), m_stream, qMax(0.0, t - m_offset) + m_origin);
        m_readUpTo = t; // the seek found the key frame for t
        return true;
    }

    // Jumps to the last key frame at or before t when it lies beyond what was read.
    void skipToKeyFrameFor(double t)
    {
        AVStream *stream = m_input->streams[m_stream];
        const int64_t target = toStreamTime(t - m_offset + m_origin + 1e-4, m_timeBase);
        const int k = av_index_search_timestamp(stream, target, AVSEEK_FLAG_BACKWARD);
        const AVIndexEntry *entry = k >= 0 ? avformat_index_get_entry(stream, k) : nullptr;
        if (!entry)
            return;
        const double key = toSeconds(entry->timestamp, m_timeBase) - m_origin + m_offset;
        if (key <= m_readUpTo + 1e-4 || (m_haveNext && frameTime(m_next.get()) >= key - 1e-4))
            return;
        if (av_seek_frame(m_input.get(), m_stream, entry->timestamp, AVSEEK_FLAG_BACKWARD) < 0)
            return;
        avcodec_flush_buffers(m_codec.get());
        m_haveNext = m_flushed = m_ended = false;
        m_readUpTo = key - 1e-3;
    }

    double frameTime(const AVFrame *f) const
    {
        const int64_t stamp = f->best_effort_timestamp != AV_NOPTS_VALUE
                                  ? f->best_effort_timestamp
                                  : f->pts;
        return stamp == AV_NOPTS_VALUE ? m_offset
                                       : toSeconds(stamp, m_timeBase) - m_origin + m_offset;
    }

    bool decode(AVFrame *into)
    {
        for (;;) {
            const int r = avcodec_receive_frame(m_codec.get(), into);
            if (r == 0)
                return true;
            if (r != AVERROR(EAGAIN))
                return false;
            if (m_flushed)
                return false;
            if (av_read_frame(m_input.get(), m_packet.get()) < 0) {
                avcodec_send_packet(m_codec.get(), nullptr);
                m_flushed = true;
                continue;
            }
            if (m_packet->stream_index == m_stream) {
                if (m_packet->pts != AV_NOPTS_VALUE)
                    m_readUpTo = qMax(m_readUpTo, toSeconds(m_packet->pts, m_timeBase) -
                                                      m_origin + m_offset);
                // A damaged packet is skipped; the picture holds until the next good one.
                avcodec_send_packet(m_codec.get(), m_packet.get());
            } else if (m_packet->stream_index == m_audio) {
                queueAudio();
            }
            av_packet_unref(m_packet.get());
        }
    }

    // Keeps a sound packet of the range, shifted to start at 0, for writeAudio.
    void queueAudio()
    {
        AVPacket *p = m_packet.get();
        if (!m_audioOut || p->stream_index != m_audio || p->pts == AV_NOPTS_VALUE)
            return;
        const AVRational base = m_input->streams[m_audio]->time_base;
        const double seconds = toSeconds(p->pts, base) - m_origin + m_offset;
        if (seconds >= m_to) {
            m_audioDone = true;
            return;
        }
        // Sound running on past its recording's end would overlap the next one's.
        if (seconds < m_from - 1e-4 || seconds >= m_pieceEnd - 1e-4)
            return;
        const AVRational out = m_audioOut->time_base;
        const int64_t pts = toStreamTime(seconds - m_from, out);
        if (pts <= m_lastAudio)
            return;
        m_lastAudio = pts;
        p->pts = p->dts = pts;
        p->duration = av_rescale_q(p->duration, base, out);
        p->stream_index = m_audioOut->index;
        p->pos = -1;
        m_audioQueue.emplace_back(av_packet_clone(p));
    }

    ComposeChannel m_pieces;
    int m_piece = 0;
    double m_offset = 0;   // where the open piece starts on the range's clock
    double m_pieceEnd = 0; // where the next one starts
    bool m_skipAhead = false;
    double m_readUpTo = 0; // the latest picture sent to the decoder, on the range's clock
    InputPtr m_input;
    CodecPtr m_codec;
    PacketPtr m_packet;
    FramePtr m_current;
    FramePtr m_next;
    ScalerPtr m_scaler;
    FramePtr m_scaled;
    std::vector<PacketPtr> m_audioQueue;
    AVRational m_timeBase{1, 1};
    double m_origin = 0; // seconds where the file's clock starts
    int m_stream = -1;
    bool m_haveCurrent = false;
    bool m_haveNext = false;
    bool m_ended = false;
    bool m_flushed = false;
    int m_audio = -1;
    AVStream *m_audioOut = nullptr;
    AVFormatContext *m_output = nullptr;
    double m_from = 0;
    double m_to = 0;
    int64_t m_lastAudio = std::numeric_limits<int64_t>::min();
    bool m_audioDone = false;
};

// Decodes and scales one channel for each output frame on a thread of its own, so the
// channels' work overlaps with each other and with the encoder's.
class SourceWorker
{
public:
    SourceWorker(Source &source, const QSize &size)
        : m_source(source), m_size(size), m_thread([this] { run(); })
    {
    }
    ~SourceWorker()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    SourceWorker(const SourceWorker &) = delete;
    SourceWorker &operator=(const SourceWorker &) = delete;

    void start(double t)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_target = t;
            m_busy = true;
        }
        m_wake.notify_all();
    }

    // Waits for the frame started; true when the channel has a new scaled picture.
    bool finish()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_busy; });
        return m_changed;
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_busy || m_quit; });
            if (m_quit)
                return;
            const double t = m_target;
            lock.unlock();
            const bool changed = m_source.advanceTo(t) && m_source.scale(m_size);
            lock.lock();
            m_changed = changed;
            m_busy = false;
            m_wake.notify_all();
        }
    }

    Source &m_source;
    const QSize m_size;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    double m_target = 0;
    bool m_busy = false;
    bool m_changed = false;
    bool m_quit = false;
    std::thread m_thread; // last: it starts with everything above in place
};

void fillBlack(AVFrame *picture)
{
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? picture->height : (picture->height + 1) / 2;
        std::memset(picture->data[plane], plane == 0 ? 16 : 128,
                    size_t(picture->linesize[plane]) * size_t(rows));
    }
}

// The strip as YUV into the bottom rows of picture.
void drawStrip(const QImage &strip, AVFrame *picture, ScalerPtr &scaler)
{
    scaler.reset(sws_getCachedContext(scaler.release(), strip.width(), strip.height(),
                                      AV_PIX_FMT_RGB32, strip.width(), strip.height(),
                                      kPictureFormat, SWS_POINT, nullptr, nullptr, nullptr));
    if (!scaler)
        return;
    const int y = picture->height - strip.height();
    const uint8_t *src[4] = {strip.constBits(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {int(strip.bytesPerLine()), 0, 0, 0};
    uint8_t *dst[4] = {picture->data[0] + y * picture->linesize[0],
                       picture->data[1] + y / 2 * picture->linesize[1],
                       picture->data[2] + y / 2 * picture->linesize[2], nullptr};
    sws_scale(scaler.get(), src, srcStride, 0, strip.height(), dst, picture->linesize);
}

// The route inset as YUV, redrawn when the second shown changes.
class InsetPicture
{
public:
    InsetPicture(const TelemetryStrip *strip, int first, int last, const QRect &rect)
        : m_inset(strip ? RouteInset(*strip, first, last) : RouteInset()),
          m_rect(rect)
    {
        if (m_inset.isEmpty() || rect.width() < 16 || rect.height() < 16)
            return;
        m_frame.reset(av_frame_alloc());
        m_frame->format = kPictureFormat;
        m_frame->width = rect.width();
        m_frame->height = rect.height();
        if (av_frame_get_buffer(m_frame.get(), 0) < 0)
            m_frame.reset();
    }

    // Over the panes of picture, which may have covered it since the last frame.
    void draw(int second, AVFrame *picture)
    {
        if (!m_frame)
            return;
        if (second != m_second) {
            const QImage image = m_inset.render(second, m_rect.size());
            m_scaler.reset(sws_getCachedContext(m_scaler.release(), image.width(),
                                                image.height(), AV_PIX_FMT_RGB32, image.width(),
                                                image.height(), kPictureFormat, SWS_POINT,
                                                nullptr, nullptr, nullptr));
            if (!m_scaler)
                return;
            const uint8_t *src[4] = {image.constBits(), nullptr, nullptr, nullptr};
            const int srcStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
            sws_scale(m_scaler.get(), src, srcStride, 0, image.height(), m_frame->data,
                      m_frame->linesize);
            m_second = second;
        }
        copyPicture(m_frame.get(), picture, m_rect);
    }

private:
    RouteInset m_inset;
    QRect m_rect;
    FramePtr m_frame;
    ScalerPtr m_scaler;
    int m_second = std::numeric_limits<int>::min();
};
} // namespace

int composedFrameCount(double from, double to, int fps, int speed)
{
    return int(std::lround((to - from) * fps / qMax(1, speed)));
}

QRect routeInsetRect(const QSize &picture, int stripHeight)
{
    // A quarter of the picture's height, in the lower right corner above the strip.
    const int side = picture.height() / 4 / 2 * 2;
    const int margin = qMax(2, picture.height() / 90 * 2);
    return QRect(picture.width() - side - margin, picture.height() - stripHeight - side - margin,
                 side, side);
}

int stripHeightFor(int pictureHeight)
{
    return qMax(16, pictureHeight / 15 / 2 * 2);
}

bool composeClip(const ComposeJob &job, const ClipHooks &hooks,
                 const std::function<void(double)> &progress, QString *error)
{
    if (job.channels.isEmpty() || job.rects.size() != size_t(job.channels.size())) {
        *error = QStringLiteral("no channel to show");
        return false;
    }
    const int speed = qMax(1, job.speed);
    std::vector<Source> sources(size_t(job.channels.size()));
    for (int i = 0; i < job.channels.size(); ++i) {
        if (job.channels[i].isEmpty() ||
            !sources[size_t(i)].open(job.channels[i], job.from, speed > 1, error)) {
            *error = QStringLiteral("%1: %2").arg(
                job.channels[i].isEmpty() ? QString()
                                          : QFileInfo(job.channels[i].front().path).fileName(),
                *error);
            return false;
        }
    }
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        *error = QStringLiteral("no H.264 encoder (libx264) in this FFmpeg");
        return false;
    }
    OutputPtr output = createMediaOutput(job.output, error);
    if (!output)
        return false;
    CodecPtr encoder(avcodec_alloc_context3(codec));
    encoder->width = job.size.width();
    encoder->height = job.size.height();
    encoder->pix_fmt = kPictureFormat;
    encoder->time_base = AVRational{1, job.fps};
    encoder->framerate = AVRational{job.fps, 1};
    encoder->gop_size = job.fps * 2;
    encoder->thread_count = 0;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(encoder->priv_data, "preset", "veryfast", 0);
    av_opt_set(encoder->priv_data, "crf", "23", 0);
    int r = avcodec_open2(encoder.get(), codec, nullptr);
    if (r < 0) {
        *error = QStringLiteral("cannot start the H.264 encoder: %1").arg(avErrorText(r));
        return false;
    }
    AVStream *video = avformat_new_stream(output.get(), nullptr);
    if (!video || avcodec_parameters_from_context(video->codecpar, encoder.get()) < 0) {
        *error = QStringLiteral("cannot set up the video stream");
        return false;
    }
    video->time_base = encoder->time_base;
    video->avg_frame_rate = encoder->framerate;
    // A time-lapse is silent: its moments are too far apart for sound.
    if (speed == 1 && !sources.front().addAudio(output.get(), job.from, job.to, hooks)) {
        *error = QStringLiteral("cannot set up the sound stream");
        return false;
    }
    AVDictionary *options = nullptr;
    // The index goes first, so players can start before the whole file has arrived.
    av_dict_set(&options, "movflags", "+faststart", 0);
    r = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    if (r < 0) {
        *error = QStringLiteral("cannot start the output: %1").arg(avErrorText(r));
        return false;
    }

    FramePtr picture(av_frame_alloc());
    picture->format = kPictureFormat;
    picture->width = job.size.width();
    picture->height = job.size.height();
    if (av_frame_get_buffer(picture.get(), 0) < 0) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    fillBlack(picture.get());
    ScalerPtr stripScaler;
    std::vector<std::unique_ptr<SourceWorker>> workers;
    for (size_t i = 0; i < sources.size(); ++i)
        workers.push_back(std::make_unique<SourceWorker>(sources[i], job.rects[i].size()));
    const auto stripSecond = [&job](double t) {
        return job.stripSecond ? job.stripSecond(t) : int(std::floor(t + 1e-6));
    };
    InsetPicture inset(job.routeInset ? job.strip : nullptr, stripSecond(job.from),
                       stripSecond(job.to - 1e-3), routeInsetRect(job.size, job.stripHeight));
    const int frames = composedFrameCount(job.from, job.to, job.fps, speed);
    int shownSecond = -1;
    QString shownCarSignals;
    bool ok = true;
    const auto timeOf = [&job, speed](int n) { return job.from + double(n) * speed / job.fps; };
    // Each channel works on the next frame while this one is finished and encoded.
    if (frames > 0)
        for (const auto &worker : workers)
            worker->start(timeOf(0));
    for (int n = 0; n < frames && ok; ++n) {
        if (hooks.cancelled()) {
            *error = QStringLiteral("cancelled");
            ok = false;
            break;
        }
        // The encoder may still hold the last picture; it gets a copy then.
        if (av_frame_make_writable(picture.get()) < 0) {
            *error = QStringLiteral("out of memory");
            ok = false;
            break;
        }
        const double t = timeOf(n);
        // In order: a later pane covers the edge it shares with an earlier one.
        for (size_t i = 0; i < sources.size() && ok; ++i) {
            const bool changed = workers[i]->finish();
            // The sound it met, before it reads on.
            ok = i > 0 || sources.front().writeAudio(error);
            if (changed)
                sources[i].copyInto(picture.get(), job.rects[i]);
            if (n + 1 < frames)
                workers[i]->start(timeOf(n + 1));
        }
        if (!ok)
            break;
        const int second = stripSecond(t);
        // The car's signals change between seconds: the strip is drawn again when they do.
        const QString carSignals = job.strip ? job.strip->carSignalsText(t) : QString();
        if ((second != shownSecond || carSignals != shownCarSignals) && job.strip) {
            drawStrip(job.strip->render(second, QSize(job.size.width(), job.stripHeight), t),
                      picture.get(), stripScaler);
            shownSecond = second;
            shownCarSignals = carSignals;
        }
        inset.draw(second, picture.get());
        picture->pts = n;
        r = avcodec_send_frame(encoder.get(), picture.get());
        if (r < 0) {
            *error = QStringLiteral("encoding failed: %1").arg(avErrorText(r));
            ok = false;
            break;
        }
        ok = drainEncoder(encoder.get(), output.get(), video, error);
        if (progress)
            progress(double(n + 1) / frames);
    }
    if (!ok)
        return false;
    avcodec_send_frame(encoder.get(), nullptr);
    if (!drainEncoder(encoder.get(), output.get(), video, error) ||
        !sources.front().finishAudio(error))
        return false;
    r = av_write_trailer(output.get());
    if (r < 0) {
        *error = QStringLiteral("cannot finish the output: %1").arg(avErrorText(r));
        return false;
    }
    return true;
}
