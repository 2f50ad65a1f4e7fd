#include "filelist/droppedpicture.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <algorithm>

#include "filelist/pathtext.h"
#include "imageio/encode.h"
#include "raster/canvas.h"

namespace tavu {

QStringList DroppedFilePaths(const QMimeData* data) {
    QStringList paths;
    if (!data) return paths;
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    if (list.isEmpty()) {  // no raw list (a drop made inside the program): the addresses as given
        for (const QUrl& u : data->urls())
            if (u.isLocalFile()) paths << QDir::cleanPath(u.toLocalFile());
        return paths;
    }
    for (QByteArray line : list.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        // file:///path or file://localhost/path; other hosts and schemes are not local files.
        if (!line.startsWith("file://")) continue;
        QByteArray rest = line.mid(7);
        if (rest.startsWith("localhost/")) rest = rest.mid(9);
        if (!rest.startsWith('/')) continue;
        const QByteArray bytes = QByteArray::fromPercentEncoding(rest);
        paths << QDir::cleanPath(PathText(std::string_view(bytes.constData(), size_t(bytes.size()))));
    }
    return paths;
}

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
