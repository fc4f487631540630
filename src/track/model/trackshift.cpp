#include "trackshift.h"
#include "tracklog.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>


namespace {
namespace trackshift {
// "V" + "20yymmddhhmmss": the status byte and the clock that open every cache line.
constexpr int kShiftClockDigits = 14;

QDateTime shiftLineClock(const QByteArray &line)
{
    if (line.size() < 1 + kShiftClockDigits)
        return {};
    QDateTime clock = QDateTime::fromString(QString::fromLatin1(line.mid(1, kShiftClockDigits)),
                                            QStringLiteral("yyyyMMddHHmmss"));
    clock.setTimeSpec(Qt::UTC); // read and written in one zone, whichever it is
    return clock;
}

// A second without a fix, its clock offset seconds from the edge line's.
QByteArray shiftNoFixLine(const QByteArray &edge, int offset)
{
    const QDateTime clock = shiftLineClock(edge);
    const QByteArray digits = clock.isValid()
                                  ? clock.addSecs(offset).toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
                                  : edge.mid(1, kShiftClockDigits).leftJustified(kShiftClockDigits, '0', true);
    return 'V' + digits + ",0.000000,N,0.000000,E,0.00,0.00,0,0,0\n";
}
} // namespace trackshift
} // namespace

bool shiftTrackLines(const QString &path, int seconds)
{
    using namespace trackshift;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        qCWarning(lcTrack) << "shiftTrackLines: cannot read" << path << in.errorString();
        return false;
    }
    QByteArrayList lines;
    while (!in.atEnd()) {
        QByteArray line = in.readLine();
        if (!line.endsWith('\n'))
            line += '\n';
        lines << line;
    }
    in.close();
    if (seconds == 0 || lines.isEmpty())
        return true;
    const int count = lines.size();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        qCWarning(lcTrack) << "shiftTrackLines: cannot write" << path << out.errorString();
        return false;
    }
    for (int t = 0; t < count; ++t) {
        const qint64 from = qint64(t) + seconds;
        const QByteArray line = from < 0 ? shiftNoFixLine(lines.first(), int(from))
                                : from >= count ? shiftNoFixLine(lines.last(), int(from - (count - 1)))
                                                : lines.at(int(from));
        out.write(line);
    }
    if (!out.commit()) {
        qCWarning(lcTrack) << "shiftTrackLines: cannot write" << path << out.errorString();
        return false;
    }
    return true;
}
