// What a drop brings: the files it names, or picture data (not files), kept as a bitmap in the
// user folder.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QMimeData;

namespace tavu {

// Saves `image` as a 24-bit bitmap "tempWL<ddhhmmss>.bmp" in `userDir` (created when missing),
// under a name no earlier drop has taken ("_2", "_3", ... after the stamp). Empty on failure.
QString SaveDroppedPicture(const QImage& image, const QString& userDir);

// The local files a drop names, with their names exactly as the file system spells them (read
// from the raw address list, so a name that is not UTF-8 survives; see pathtext.h).
QStringList DroppedFilePaths(const QMimeData* data);

}  // namespace tavu
