#include "mpvoptions.h"

#include <QtGlobal>

const char *const mpvOptionsVariable = "Q_MARL_MPV_OPTIONS";

MpvOptionList parseMpvOptions(const QByteArray &text)
{
    MpvOptionList options;
    for (const QByteArray &entry : text.split(',')) {
        const int equals = entry.indexOf('=');
        const QByteArray name = (equals < 0 ? entry : entry.left(equals)).trimmed();
        if (name.isEmpty())
            continue;
        const QByteArray value = equals < 0 ? QByteArray("yes") : entry.mid(equals + 1).trimmed();
        options.append({name, value});
    }
    return options;
}

MpvOptionList mpvOptionsFromEnvironment()
{
    return parseMpvOptions(qgetenv(mpvOptionsVariable));
}
