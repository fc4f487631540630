#pragma once
#include <QString>

#include <optional>

// A time given as seconds ("75", "75.5") or as [hh:]mm:ss[.fff] ("1:15", "00:01:15.500");
// nothing when the text is neither.
std::optional<double> parseClipTime(const QString &text);

// Seconds as the folder name writes them: whole seconds plainly, else up to three decimals.
QString clipSecondsText(double seconds);

// "<front file's base name>_<from>-<to>".
QString clipFolderName(const QString &frontPath, double from, double to);
