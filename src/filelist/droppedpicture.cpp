#include "filelist/droppedpicture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>

#include "imageio/encode.h"
#include "raster/canvas.h"

namespace tavu {

QString SaveDroppedPicture(const QImage& source, const QString& userDir) {
    // Transparent parts lie on the canvas background, as with every other source.
    QImage flat(source.size(), QImage::Format_RGB888);
    flat.fill(QColor(kCanvasBackground.r, kCanvasBackground.g, kCanvasBackground.b));
    if (!source.isNull()) QPainter(&flat).drawImage(0, 0, source);
    const QImage& image = flat;
    if (image.isNull()) return {};
    Canvas canvas(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) std::copy_n(image.constScanLine(y), canvas.stride(), canvas.row(y));
    QDir().mkpath(userDir);
    const QString stamp = QStringLiteral("tempWL") + QDateTime::currentDateTime().toString(QStringLiteral("ddhhmmss"));
    QString path = userDir + "/" + stamp + QStringLiteral(".bmp");
    for (int n = 2; QFileInfo::exists(path); ++n) path = userDir + "/" + stamp + QStringLiteral("_%1.bmp").arg(n);
    if (!SaveBmpFile(canvas, path.toStdString())) return {};
    return path;
}

}  // namespace tavu
