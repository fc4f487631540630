#pragma once

#include <QDateTime>
#include <QString>

// The folders a car writes to its USB drive: TeslaCam/RecentClips/ holds the minute files
// themselves ("2025-11-20_14-03-12-front.mp4" and the other cameras' partners), and
// TeslaCam/SavedClips/<stamp>/ and TeslaCam/SentryClips/<stamp>/ each hold the minutes before
// one event with its event.json.

// The time stamp a car's folder or minute file is named by ("2025-11-20_14-13-05"), as
// wall-clock digits in a UTC QDateTime; invalid for any other name.
QDateTime carFolderTimeStamp(const QString &name);

// Where a car's minute file's camera sits, front first: front, back, left_repeater,
// right_repeater, left_pillar, right_pillar (0 … 5); -1 for any other name.
int carCameraRank(const QString &fileName);

// The event folder a video sits in: its folder when that folder's parent is SavedClips or
// SentryClips (in any letter case); empty otherwise.
QString carEventFolderOf(const QString &videoPath);
