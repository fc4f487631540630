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

int64_t toStreamTime(double seconds, AVRational timeBase)
{
    return int64_t(seconds * timeBase.den / timeBase.num + (seconds >= 0 ? 0.5 : -0.5));
}

double toSeconds(int64_t timestamp, AVRational timeBase)
{
    return double(timestamp) * av_q2d(timeBase);
}
