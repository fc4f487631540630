#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// Extra libmpv options for every player, taken from the environment variable
// Q_MARL_MPV_OPTIONS: a comma-separated list of name=value pairs ("vo=null,hwdec=no"); a bare
// name means name=yes. They are applied after the player's own options, so they win.
using MpvOptionList = QList<QPair<QByteArray, QByteArray>>;

extern const char *const mpvOptionsVariable;

MpvOptionList parseMpvOptions(const QByteArray &text);
MpvOptionList mpvOptionsFromEnvironment();
