// Picture data dropped on the window (not files): kept as a bitmap in the user folder.
#pragma once

#include <QImage>
#include <QString>

namespace tavu {

// Saves `image` as a 24-bit bitmap "tempWL<ddhhmmss>.bmp" in `userDir` (created when missing),
// under a name no earlier drop has taken ("_2", "_3", ... after the stamp). Empty on failure.
QString SaveDroppedPicture(const QImage& image, const QString& userDir);

}  // namespace tavu
