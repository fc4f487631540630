#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <limits>

// What the car writes beside the clips it saves (event.json): when, where and why.
struct CarEvent
{
    QDateTime when; // local wall-clock digits in a UTC QDateTime, like the names' time stamps
    QString reason; // as written, e.g. "user_interaction_honk"; may be empty
    QString city;
    QString street;
    double latitude = std::numeric_limits<double>::quiet_NaN();
    double longitude = std::numeric_limits<double>::quiet_NaN();
    int camera = -1; // the camera the car names, -1 when it names none

    bool hasPosition() const;
    // "street, city", either alone, or empty.
    QString place() const;
};

inline const QString kCarEventFileName = QStringLiteral("event.json");
// A real file is a few hundred bytes; anything much larger is not one.
constexpr qint64 kLargestCarEventFile = 64 * 1024;

// Reads the event from the text of an event.json. Every field may be missing or empty, and
// positions and the camera may be strings or numbers; only a time is needed, and when the text
// gives none, fallbackWhen (the event folder's name) stands in. False, with the reason in
// *problem, when the text is not a JSON object or no time is known.
bool parseCarEvent(const QByteArray &json, const QDateTime &fallbackWhen, CarEvent *event,
                   QString *problem);

// Reads path (refused above kLargestCarEventFile); the folder's name, when it is a time stamp
// ("2025-11-20_14-13-05"), is the fallback time, also for a file that is damaged, refused or
// cannot be read. Problems are logged under qmarl.library.
bool readCarEventFile(const QString &path, CarEvent *event);

// The reason in words, translated; a reason not known is shown as written.
QString carEventReasonText(const QString &reason);
