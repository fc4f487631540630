#pragma once

#include <QStringList>

// The first `most` of paths that name existing files, in their order, answered from one
// listing per folder kept while the folder is unchanged. Adding a card's folder asks for some
// fifty possible partner channels of each of hundreds of files; one look at the folder per
// file is all that costs then.
QStringList existingFiles(const QStringList &paths, int most);
