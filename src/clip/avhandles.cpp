#include "avhandles.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

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

namespace {
constexpr int64_t kPage = 4096;
constexpr int kAlignedBufferSize = 256 * 1024;

// The file under a page-aligned output: whatever would end a write mid-page waits (under a page)
// for the next, so each write ends on a page boundary.
struct AlignedFile
{
    int fd = -1;
    int64_t offset = 0; // where the next write lands
    std::vector<uint8_t> carry;
    int error = 0;
};

bool writeFully(AlignedFile *file, const uint8_t *first, size_t firstSize, const uint8_t *second,
                size_t secondSize)
{
    iovec parts[2] = {{const_cast<uint8_t *>(first), firstSize},
                      {const_cast<uint8_t *>(second), secondSize}};
    int index = firstSize > 0 ? 0 : 1;
    while (index < 2) {
        const ssize_t n = ::writev(file->fd, parts + index, 2 - index);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            file->error = AVERROR(errno);
            return false;
        }
        file->offset += n;
        for (size_t left = size_t(n); left > 0 && index < 2;) {
            const size_t used = std::min(left, parts[index].iov_len);
            parts[index].iov_base = static_cast<uint8_t *>(parts[index].iov_base) + used;
            parts[index].iov_len -= used;
            left -= used;
            if (parts[index].iov_len == 0)
                ++index;
        }
        while (index < 2 && parts[index].iov_len == 0)
            ++index;
    }
    return true;
}

bool flushCarry(AlignedFile *file)
{
    if (file->carry.empty())
        return true;
    const bool ok = writeFully(file, file->carry.data(), file->carry.size(), nullptr, 0);
    file->carry.clear();
    return ok;
}

#if LIBAVFORMAT_VERSION_MAJOR >= 61
int writeAligned(void *opaque, const uint8_t *buffer, int size)
#else
int writeAligned(void *opaque, uint8_t *buffer, int size)
#endif
{
    auto *file = static_cast<AlignedFile *>(opaque);
    const int64_t start = file->offset;
    const int64_t end = start + int64_t(file->carry.size()) + size;
    const int64_t now = (end / kPage) * kPage - start; // bytes written now, carry first
    if (now <= int64_t(file->carry.size())) {
        file->carry.insert(file->carry.end(), buffer, buffer + size);
        return size;
    }
    const size_t fromBuffer = size_t(now) - file->carry.size();
    if (!writeFully(file, file->carry.data(), file->carry.size(), buffer, fromBuffer))
        return file->error;
    file->carry.assign(buffer + fromBuffer, buffer + size);
    return size;
}

int64_t seekAligned(void *opaque, int64_t position, int whence)
{
    auto *file = static_cast<AlignedFile *>(opaque);
    if (!flushCarry(file))
        return file->error;
    if (whence & AVSEEK_SIZE) {
        struct stat status = {};
        return ::fstat(file->fd, &status) == 0 ? int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t landed = ::lseek(file->fd, position, whence & ~AVSEEK_FORCE);
    if (landed < 0)
        return AVERROR(errno);
    file->offset = landed;
    return landed;
}

AVIOContext *openAligned(const QByteArray &name, QString *error)
{
    auto file = std::make_unique<AlignedFile>();
    file->fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file->fd < 0) {
        *error = avErrorText(AVERROR(errno));
        return nullptr;
    }
    auto *buffer = static_cast<unsigned char *>(av_malloc(kAlignedBufferSize));
    AVIOContext *pb = buffer ? avio_alloc_context(buffer, kAlignedBufferSize, 1, file.get(),
                                                  nullptr, writeAligned, seekAligned)
                             : nullptr;
    if (!pb) {
        av_free(buffer);
        ::close(file->fd);
        *error = avErrorText(AVERROR(ENOMEM));
        return nullptr;
    }
    // Flush points between packets wait for a full buffer, as a file opened by name does.
    pb->min_packet_size = kAlignedBufferSize;
    file.release();
    return pb;
}
} // namespace

bool closeMediaOutput(AVFormatContext *c, QString *error)
{
    if (!c || !c->pb || (c->oformat->flags & AVFMT_NOFILE))
        return true;
    if (!(c->flags & AVFMT_FLAG_CUSTOM_IO)) {
        const int r = avio_closep(&c->pb);
        if (r < 0)
            *error = avErrorText(r);
        return r >= 0;
    }
    avio_flush(c->pb);
    auto *file = static_cast<AlignedFile *>(c->pb->opaque);
    const bool ok = c->pb->error >= 0 && flushCarry(file) && file->error == 0;
    if (!ok)
        *error = avErrorText(c->pb->error < 0 ? c->pb->error : file->error);
    const bool closed = ::close(file->fd) == 0;
    if (ok && !closed)
        *error = avErrorText(AVERROR(errno));
    delete file;
    av_freep(&c->pb->buffer);
    avio_context_free(&c->pb);
    return ok && closed;
}

OutputPtr createMediaOutput(const QString &path, QString *error, bool pageAligned)
{
    const QByteArray name = QFile::encodeName(path);
    AVFormatContext *raw = nullptr;
    int r = avformat_alloc_output_context2(&raw, nullptr, nullptr, name.constData());
    if (r < 0 || !raw) {
        *error = r < 0 ? avErrorText(r) : QStringLiteral("no container for this file name");
        return nullptr;
    }
    OutputPtr output(raw);
    if (!(output->oformat->flags & AVFMT_NOFILE) && pageAligned) {
        output->pb = openAligned(name, error);
        if (!output->pb)
            return nullptr;
        output->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else if (!(output->oformat->flags & AVFMT_NOFILE)) {
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
