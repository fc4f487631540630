#pragma once
// Owning handles for the FFmpeg objects the clip export uses, so every early return frees them.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

struct InputCloser
{
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
// Closes an output made by createMediaOutput, a page-aligned one too; false (with the reason)
// when its last bytes could not be written.
bool closeMediaOutput(AVFormatContext *c, QString *error);
struct OutputCloser
{
    void operator()(AVFormatContext *c) const
    {
        QString ignored;
        closeMediaOutput(c, &ignored);
        avformat_free_context(c);
    }
};
struct CodecFreer
{
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameFreer
{
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketFreer
{
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct ScalerFreer
{
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;

// The library's text for an error code.
QString avErrorText(int code);

// Opens a media file and reads its stream parameters; null (and *error set) when it cannot.
InputPtr openMediaInput(const QString &path, QString *error);

// The same, reading only the container's header where it tells every stream's codec and size
// (MP4, MOV): no picture is decoded, which is what opening costs most. Enough to copy streams
// and read durations; a decoder wants openMediaInput.
InputPtr openMediaHeader(const QString &path, QString *error);

// Creates an output of the container its name implies and opens the file for writing.
// pageAligned: every write reaches the file on whole pages (the copies: a packet-sized write at
// an odd offset costs the kernel far more per byte); the output must then be written forwards
// with seeks only, never read back.
OutputPtr createMediaOutput(const QString &path, QString *error, bool pageAligned = false);

// Where a file's own clock starts, in seconds (0 in MP4, later in a transport stream).
double mediaOrigin(const AVFormatContext *input);

// Seeks input so that reading meets a key frame of stream at or before seconds (the file's own
// clock) first, also where the container's seeking lands only near the target (transport
// streams); from the start when nothing earlier answers.
void seekToKeyFrameAtOrBefore(AVFormatContext *input, int stream, double seconds);

// Seconds to a stream's time base and back.
int64_t toStreamTime(double seconds, AVRational timeBase);
double toSeconds(int64_t timestamp, AVRational timeBase);
