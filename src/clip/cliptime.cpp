#include "cliptime.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

std::optional<double> parseClipTime(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:(?:(\\d+):)?([0-5]?\\d):([0-5]?\\d(?:\\.\\d{1,3})?)|(\\d+(?:\\.\\d+)?))$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    if (!m.captured(4).isEmpty())
        return m.captured(4).toDouble();
    return m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 +
           m.captured(3).toDouble();
}

QString clipSecondsText(double seconds)
{
    const double millis = std::round(seconds * 1000.0);
    if (std::fmod(millis, 1000.0) == 0)
        return QString::number(qint64(millis / 1000.0));
    QString text = QString::number(millis / 1000.0, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

QString clipFolderName(const QString &frontPath, double from, double to)
{
    return QFileInfo(frontPath).completeBaseName() + QLatin1Char('_') + clipSecondsText(from) +
           QLatin1Char('-') + clipSecondsText(to);
}
