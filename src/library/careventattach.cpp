#include "careventattach.h"

#include "carfolders.h"
#include "drivelist.h"
#include "librarylog.h"
#include "lufileinfomodel.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {
namespace careventattach {

struct ReadEvent
{
    qint64 size = -1;
    QDateTime modified;
    bool found = false;
    CarEvent event;
};

// Keyed by the event folder; a USB drive holds some hundred of them at most.
QHash<QString, ReadEvent> &readEvents()
{
    static QHash<QString, ReadEvent> events;
    return events;
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace careventattach
} // namespace

int carEventHolder(const QDateTime &when, const QString &eventFolder,
                   const QVector<CarEventCandidate> &candidates)
{
    int best = -1;
    bool bestAtEnd = false;
    const auto better = [&](const CarEventCandidate &a, const CarEventCandidate &b) {
        const bool aHome = a.folder == eventFolder, bHome = b.folder == eventFolder;
        if (aHome != bHome)
            return aHome;
        const unsigned aRank = unsigned(a.cameraRank), bRank = unsigned(b.cameraRank); // -1 last
        return aRank < bRank;
    };
    for (int i = 0; i < candidates.size(); ++i) {
        const CarEventCandidate &c = candidates[i];
        if (!when.isValid() || !c.start.isValid() || !(c.seconds > 0))
            continue;
        const qint64 second = c.start.secsTo(when);
        if (second < 0 || double(second) > c.seconds)
            continue;
        // The instant a recording of whole seconds ends at: the car stamps its saved clip's last
        // minute so. It counts only where no recording holds the second itself.
        const bool atEnd = double(second) >= std::ceil(c.seconds);
        if (best < 0 || (bestAtEnd && !atEnd) ||
            (bestAtEnd == atEnd && better(c, candidates[best]))) {
            best = i;
            bestAtEnd = atEnd;
        }
    }
    return best;
}

DrivingEvent drivingEventOf(const CarEvent &event, int second)
{
    DrivingEvent driving;
    driving.kind = DrivingEventKind::CarEvent;
    driving.startSecond = driving.peakSecond = driving.endSecond = second;
    driving.reason = event.reason;
    driving.place = event.place();
    if (event.hasPosition()) {
        driving.latitude = event.latitude;
        driving.longitude = event.longitude;
    }
    return driving;
}

bool carEventOfFolder(const QString &folder, CarEvent *event)
{
    using namespace careventattach;
    // Looked at afresh each time: the file may be written after the folder was listed.
    const QFileInfo file(QDir(folder).filePath(kCarEventFileName));
    ReadEvent &read = readEvents()[folder];
    const qint64 size = file.exists() ? file.size() : -1;
    const QDateTime modified = size >= 0 ? file.lastModified() : QDateTime();
    if (size != read.size || modified != read.modified) {
        read.size = size;
        read.modified = modified;
        read.found = size >= 0 && readCarEventFile(file.filePath(), &read.event);
        if (size < 0)
            qCDebug(lcLibrary) << "Car event: no" << kCarEventFileName << "in" << folder;
    }
    if (read.found && event)
        *event = read.event;
    return read.found;
}

void attachCarEvents(const QList<LuFileInfoModel *> &models)
{
    using namespace careventattach;
    QVector<CarEventCandidate> candidates;
    QVector<LuFileInfoModel *> holders;
    QSet<QString> eventFolders;
    for (LuFileInfoModel *model : models) {
        model->carEvents.clear();
        const QString eventFolder = carEventFolderOf(model->nativePath);
        if (!eventFolder.isEmpty())
            eventFolders.insert(eventFolder);
        if (recordingOf(model) != model)
            continue;
        CarEventCandidate candidate;
        candidate.start = nameTimeStamp(model->fileName);
        if (!candidate.start.isValid())
            continue;
        candidate.seconds = recordingSeconds(model);
        candidate.cameraRank = carCameraRank(model->fileName);
        candidate.folder = eventFolder.isEmpty() ? folderOf(model->nativePath) : eventFolder;
        candidates.append(candidate);
        holders.append(model);
    }
    for (const QString &folder : qAsConst(eventFolders)) {
        CarEvent event;
        if (!carEventOfFolder(folder, &event))
            continue;
        const int at = carEventHolder(event.when, folder, candidates);
        if (at < 0) {
            qCDebug(lcLibrary) << "Car event: no listed recording holds" << event.when << "of"
                               << folder;
            continue;
        }
        holders[at]->carEvents.append(
            drivingEventOf(event, int(candidates[at].start.secsTo(event.when))));
    }
    for (LuFileInfoModel *model : qAsConst(holders))
        std::sort(model->carEvents.begin(), model->carEvents.end(),
                  [](const DrivingEvent &a, const DrivingEvent &b) {
                      return a.startSecond < b.startSecond;
                  });
}

QVector<DrivingEvent> recordingEvents(const LuFileInfoModel *model)
{
    if (!model)
        return {};
    if (model->carEvents.isEmpty())
        return model->drivingEvents;
    QVector<DrivingEvent> events = model->drivingEvents;
    events += model->carEvents;
    std::stable_sort(events.begin(), events.end(), [](const DrivingEvent &a, const DrivingEvent &b) {
        return a.startSecond < b.startSecond;
    });
    return events;
}
