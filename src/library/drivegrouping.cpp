#include "drivegrouping.h"

#include <QHash>

#include <algorithm>

QDateTime wallClockFromDigits(const QString &text, const QString &layout)
{
    if (text.size() < layout.size())
        return {};
    int value[6] = {};
    int field = -1;
    QChar previous;
    for (int i = 0; i < layout.size(); ++i) {
        const QChar l = layout.at(i), c = text.at(i);
        if (!QStringLiteral("yMdHms").contains(l)) {
            if (c != l)
                return {};
            previous = QChar();
            continue;
        }
        if (!c.isDigit())
            return {};
        if (l != previous)
            field = int(QStringLiteral("yMdHms").indexOf(l));
        previous = l;
        value[field] = value[field] * 10 + c.digitValue();
    }
    const QDate date(value[0], value[1], value[2]);
    const QTime time(value[3], value[4], value[5]);
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

QDateTime nameTimeStamp(const QString &fileName)
{
    const QDateTime stamped = wallClockFromDigits(fileName, kNameStampLayout);
    if (stamped.isValid())
        return stamped;
    for (const char *prefix : {"REC_", "EVT_", "PARK_"}) {
        if (fileName.startsWith(QLatin1String(prefix)))
            return wallClockFromDigits(fileName.mid(int(qstrlen(prefix))),
                                       QStringLiteral("yyyy_MM_dd_HH_mm_ss_"));
    }
    // The car's cameras: 2025-11-20_14-03-12-front.mp4.
    const QDateTime car = wallClockFromDigits(fileName, QStringLiteral("yyyy-MM-dd_HH-mm-ss-"));
    if (car.isValid())
        return car;
    const QDateTime whole = wallClockFromDigits(fileName, QStringLiteral("yyyyMMdd_HHmmss_"));
    if (whole.isValid())
        return whole;
    // Two-digit years: 24 is 2024.
    const QDateTime twoDigits = wallClockFromDigits(fileName, QStringLiteral("yyMMdd_HHmmss_"));
    if (!twoDigits.isValid())
        return {};
    const QDate d = twoDigits.date();
    const QDate date(2000 + d.year(), d.month(), d.day());
    return date.isValid() ? QDateTime(date, twoDigits.time(), Qt::UTC) : QDateTime();
}

namespace {

struct Recording
{
    QDateTime start;
    QDateTime end;
    QVector<int> files;
};
} // namespace

QDateTime driveFileStart(const DriveFile &file)
{
    const QDateTime named = nameTimeStamp(file.fileName);
    if (named.isValid())
        return named;
    return file.firstFix.isValid() ? file.firstFix : file.fileTime;
}

QVector<QVector<int>> groupIntoDrives(const QVector<DriveFile> &files)
{
    QVector<Recording> recordings;
    QHash<QString, int> byName;
    for (int i = 0; i < files.size(); ++i) {
        const QDateTime start = driveFileStart(files[i]);
        if (!start.isValid())
            continue; // no time at all: it cannot be placed in any drive
        const QDateTime end = start.addMSecs(qint64(files[i].seconds * 1000));
        const auto found = byName.constFind(files[i].recording);
        if (found == byName.constEnd()) {
            byName.insert(files[i].recording, recordings.size());
            recordings.append({start, end, {i}});
            continue;
        }
        Recording &recording = recordings[*found];
        recording.start = std::min(recording.start, start);
        recording.end = std::max(recording.end, end);
        recording.files.append(i);
    }
    std::stable_sort(recordings.begin(), recordings.end(),
                     [](const Recording &a, const Recording &b) { return a.start < b.start; });

    QVector<QVector<int>> drives;
    QDateTime driveEnd;
    for (const Recording &recording : qAsConst(recordings)) {
        if (drives.isEmpty() || driveEnd.secsTo(recording.start) > kDriveGapSeconds) {
            drives.append(QVector<int>());
            driveEnd = recording.end;
        }
        drives.last() += recording.files;
        driveEnd = std::max(driveEnd, recording.end);
    }
    return drives;
}
