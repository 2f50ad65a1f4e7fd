#include "app/textrender.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

namespace tavu {

CDIB::TextRenderer QtTextRenderer() {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    return QtTextRenderer(font);
}

CDIB::TextRenderer QtTextRenderer(const QFont& font) {
    return [font](Canvas& box, int originX, int originY, std::string_view utf8) {
        if (box.empty()) return;
        QImage img(box.width(), box.height(), QImage::Format_RGB888);
        for (int y = 0; y < box.height(); ++y) std::copy_n(box.row(y), box.stride(), img.scanLine(y));
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setFont(font);
            p.setPen(Qt::black);
            p.setBackgroundMode(Qt::OpaqueMode);
            p.setBackground(Qt::white);
            const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
            p.drawText(QRect(originX, originY, 1 << 20, 1 << 20), Qt::AlignLeft | Qt::AlignTop, text);
        }
        for (int y = 0; y < box.height(); ++y) std::copy_n(img.constScanLine(y), box.stride(), box.row(y));
    };
}

}  // namespace tavu
