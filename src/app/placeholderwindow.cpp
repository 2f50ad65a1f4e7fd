#include "app/placeholderwindow.h"

#include <QLabel>

namespace tavu {

PlaceholderWindow::PlaceholderWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Tavu照片/相片/图片压缩1.0版"));
    auto* label = new QLabel(QStringLiteral(
        "<h2>Tavu照片压缩</h2>"
        "<p>批量压缩照片:限制宽度、原始尺寸、预设尺寸或自定义尺寸,输出 JPG/PNG/TIFF/BMP。</p>"
        "<p>命令行用法:<br><code>tavuzip --batch -w 800 -f jpg -q 85 -o 输出文件夹 照片文件夹</code><br>"
        "查看全部选项:<code>tavuzip --batch --help</code></p>"));
    label->setMargin(24);
    label->setWordWrap(true);
    setCentralWidget(label);
    resize(560, 260);
}

}  // namespace tavu
