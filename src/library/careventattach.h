#pragma once

#include "carevent.h"
#include "drivingevents.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>

class LuFileInfoModel;

// A recording that may hold a car's event.
struct CarEventCandidate
{
    QDateTime start;       // its name's time stamp (wall-clock digits)
    double seconds = 0;    // its length; 0 when not known, and then it holds nothing
    int cameraRank = -1;   // carCameraRank of its front-most channel
    QString folder;        // the folder its files sit in
};

// Which candidate holds an event at when, written in eventFolder: one whose seconds (from its
// first, 0, to its last, the one its length ends in) include when; of several, one in the event's
// own folder first, then the front-most camera, then the first given. Failing those, one whose
// length of whole seconds ends at that instant (a saved clip's last minute, nothing after it).
// -1 when none does.
int carEventHolder(const QDateTime &when, const QString &eventFolder,
                   const QVector<CarEventCandidate> &candidates);

// The event as one of the recording's driving events, second into the recording.
DrivingEvent drivingEventOf(const CarEvent &event, int second);

// Reads the event.json of every event folder that files of models sit in (each read again only
// when it changed) and gives each event to the recording that holds it (see carEventHolder), as
// its carEvents; a recording is entered by its front-most channel. GUI thread.
void attachCarEvents(const QList<LuFileInfoModel *> &models);

// The event of an event folder, read at most once while the file is unchanged; false when the
// folder has none or it cannot be read. GUI thread.
bool carEventOfFolder(const QString &folder, CarEvent *event);

// Every event of the recording whose front-most channel is model: those found in its track and
// the car's own, in time order.
QVector<DrivingEvent> recordingEvents(const LuFileInfoModel *model);
