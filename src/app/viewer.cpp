#include "app/viewer.h"

#include "app/previewer.h"
#include "app/widgets.h"
#include "filelist/pathtext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

#include "imageio/render.h"
#include "raster/canvas.h"

namespace tavu {

namespace detail {
// Ties pool work to the window that asked for it: once the window is gone, work that has not
// started is skipped and finished work is not delivered.
struct LoadGuard {
    QMutex mutex;
    QObject* target = nullptr;
};
}  // namespace detail

namespace {

constexpr int kThumbWidth = 160, kThumbHeight = 120;  // thumbnail box, logical pixels
const QColor kTextGrey(0x9A, 0x9A, 0x9A);

std::shared_ptr<detail::LoadGuard> MakeGuard(QObject* target) {
    auto g = std::make_shared<detail::LoadGuard>();
    g->target = target;
    return g;
}

void ReleaseGuard(const std::shared_ptr<detail::LoadGuard>& g) {
    QMutexLocker lock(&g->mutex);
    g->target = nullptr;
}

struct Decoded {
    QImage image;
    QString error;
};

// Decodes on the thread pool and hands the result to `deliver` on the target's thread.
template <class Deliver>
void DecodeOffThread(const std::shared_ptr<detail::LoadGuard>& guard, const QString& path,
                     QSize bounds, Deliver deliver) {
    QThreadPool::globalInstance()->start([guard, path, bounds, deliver] {
        {
            QMutexLocker lock(&guard->mutex);
            if (!guard->target) return;
        }
        Decoded d;
        d.image = LoadFittedPicture(path, bounds, &d.error);
        QMutexLocker lock(&guard->mutex);
        // A window destroyed before the delivery runs takes its posted call with it.
        if (guard->target)
            QMetaObject::invokeMethod(
                guard->target, [deliver, d] { deliver(d); }, Qt::QueuedConnection);
    });
}

// Full screen on the screen the window is on. The geometry is set first so that the window
// covers the screen even where no window manager honours the full-screen request.
void ShowOnWholeScreen(QWidget* w) {
    QScreen* s = w->screen();
    if (!s) s = QGuiApplication::primaryScreen();
    if (s) w->setGeometry(s->geometry());
    w->showFullScreen();
}

QSize ScreenPixels(const QWidget* w) {
    QScreen* s = w->screen();
    if (!s) s = QGuiApplication::primaryScreen();
    if (!s) return {1920, 1080};
    const QSize logical = s->geometry().size();
    const qreal dpr = s->devicePixelRatio();
    return {std::max(1, int(std::lround(logical.width() * dpr))),
            std::max(1, int(std::lround(logical.height() * dpr)))};
}

// Light grey text on the black surround, drawn in the given rectangle.
void DrawNote(QPainter& p, const QRectF& r, const QString& text, int flags, qreal scale = 1.0) {
    QFont f = p.font();
    f.setPointSizeF(std::max(8.0, f.pointSizeF() * scale));
    p.setFont(f);
    p.setPen(kTextGrey);
    p.drawText(r, flags | Qt::TextWordWrap, text);
}

void DrawPicture(QPainter& p, const QImage& img, qreal dpr, const QRectF& area) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(FittedRect(img.size(), dpr, area), img);
}

}  // namespace

QImage LoadFittedPicture(const QString& path, QSize bounds, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return QImage();
    };
    const std::string file = PathBytes(path);
    Canvas canvas;
    DrawParams params;
    params.sizeMode = kSizeWidthLimit;
    int w0 = 0, h0 = 0;
    if (!ReadPictureSize(file, w0, h0) || w0 <= 0 || h0 <= 0) {
        // Let the pipeline name the trouble (missing file, not a picture, ...).
        params.width = 1;
        DrawOutcome o = DrawPicFile(canvas, file, params);
        return fail(o.ok() || o.errorText.empty() ? QStringLiteral("无法读取图片")
                                                  : QString::fromStdString(o.errorText));
    }
    const double scale = std::min({1.0, double(std::max(1, bounds.width())) / w0,
                                   double(std::max(1, bounds.height())) / h0});
    params.width = float(std::max(1.0, w0 * scale));
    DrawOutcome o = DrawPicFile(canvas, file, params);
    if (!o.ok()) {
        if (o.status == DrawOutcome::NoCanvas) return fail(QStringLiteral("图片过于细长，无法显示"));
        return fail(o.errorText.empty() ? QStringLiteral("无法读取图片")
                                        : QString::fromStdString(o.errorText));
    }
    QImage img = CanvasToImage(canvas);
    if (img.isNull()) return fail(QStringLiteral("内存不足，无法显示图片"));
    if (error) error->clear();
    return img;
}

QRectF FittedRect(QSize pictureSize, qreal dpr, const QRectF& area) {
    if (pictureSize.isEmpty() || area.isEmpty()) return {};
    if (dpr <= 0) dpr = 1;
    qreal w = pictureSize.width() / dpr, h = pictureSize.height() / dpr;
    const qreal k = std::min({1.0, area.width() / w, area.height() / h});
    w *= k;
    h *= k;
    return {area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h};
}

// ---------------------------------------------------------------------------------------------
// FullScreenViewer

FullScreenViewer::FullScreenViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), guard_(MakeGuard(this)) {
    setObjectName(QStringLiteral("frmFullScreen"));
    setWindowTitle(QStringLiteral("全屏查看"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

FullScreenViewer::~FullScreenViewer() { ReleaseGuard(guard_); }

FullScreenViewer* FullScreenViewer::open(const QString& path, QWidget* parent) {
    auto* v = new FullScreenViewer(parent);
    v->setAttribute(Qt::WA_DeleteOnClose);
    ShowOnWholeScreen(v);
    v->activateWindow();
    v->showPicture(path);
    return v;
}

void FullScreenViewer::showPicture(const QString& path) {
    path_ = path;
    image_ = QImage();
    error_.clear();
    loading_ = true;
    setWindowTitle(QFileInfo(path).fileName());
    const quint64 request = ++request_;
    DecodeOffThread(guard_, path, ScreenPixels(this), [this, request](const Decoded& d) {
        if (request != request_) return;
        loading_ = false;
        image_ = d.image;
        error_ = d.error;
        update();
        emit pictureLoaded(!image_.isNull());
    });
    update();
}

void FullScreenViewer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRectF area = rect();
    if (!image_.isNull()) {
        DrawPicture(p, image_, devicePixelRatioF(), area);
        return;
    }
    if (loading_) {
        DrawNote(p, area, QStringLiteral("正在载入图片……"), Qt::AlignCenter);
    } else if (!path_.isEmpty()) {
        DrawNote(p, area.adjusted(40, 40, -40, -40),
                 QStringLiteral("无法显示图片：%1\n%2\n\n按 Esc 键或单击鼠标返回")
                     .arg(QDir::toNativeSeparators(path_), error_),
                 Qt::AlignCenter, 1.2);
    }
}

void FullScreenViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenViewer::mousePressEvent(QMouseEvent*) { close(); }

// ---------------------------------------------------------------------------------------------
// PictureBrowser

PictureBrowser::PictureBrowser(const QStringList& files, Mode mode, int slideSeconds, int startIndex,
                               QWidget* parent)
    : QWidget(parent, Qt::Window),
      guard_(MakeGuard(this)),
      files_(files),
      mode_(mode),
      seconds_(std::max(1, slideSeconds)) {
    if (mode_ == Mode::List) {
        setObjectName(QStringLiteral("frmBrowse"));
        setWindowTitle(QStringLiteral("多图列表浏览原图"));
        buildList();
        requestThumbnails();
        return;
    }
    setObjectName(QStringLiteral("frmSlide"));
    setWindowTitle(QStringLiteral("幻灯片模式浏览原图"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    timer_ = new QTimer(this);
    timer_->setInterval(intervalMs());
    connect(timer_, &QTimer::timeout, this, &PictureBrowser::advance);
    if (!files_.isEmpty()) showSlide(std::clamp(startIndex, 0, int(files_.size()) - 1));
}

PictureBrowser::~PictureBrowser() { ReleaseGuard(guard_); }

int PictureBrowser::intervalMs() const { return seconds_ * 1000; }

void PictureBrowser::present() {
    if (mode_ == Mode::SlideShow) {
        ShowOnWholeScreen(this);
    } else {
        QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        if (s) {
            const QRect avail = s->availableGeometry();
            resize(avail.width() * 4 / 5, avail.height() * 4 / 5);
            move(avail.center() - rect().center());
        }
        show();
    }
    activateWindow();
}

void PictureBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (timer_ && !paused_ && !files_.isEmpty()) timer_->start();
}

void PictureBrowser::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (timer_) timer_->stop();
}

// --- list mode --------------------------------------------------------------------------------

namespace {

// A thumbnail tile: the picture centred in the box, with a thin frame; or a grey stand-in with
// a word while there is no picture.
QPixmap Tile(const QImage& img, const QString& word, qreal dpr) {
    QPixmap pm(QSize(int(std::lround(kThumbWidth * dpr)), int(std::lround(kThumbHeight * dpr))));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0, 0, kThumbWidth, kThumbHeight);
    if (!img.isNull()) {
        const QRectF r = FittedRect(img.size(), dpr, box);
        p.drawImage(r, img);
        p.setPen(QPen(QColor(0, 0, 0, 60), 1.0 / dpr));
        p.drawRect(r.adjusted(0.5 / dpr, 0.5 / dpr, -0.5 / dpr, -0.5 / dpr));
    } else {
        QPainterPath path;
        path.addRoundedRect(box.adjusted(8, 8, -8, -8), 6, 6);
        p.fillPath(path, QColor(0xE4, 0xE8, 0xEC));
        p.setPen(QColor(0x8A, 0x94, 0x9E));
        p.drawText(box, Qt::AlignCenter, word);
    }
    return pm;
}

}  // namespace

void PictureBrowser::buildList() {
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstBrowse"));
    list_->setViewMode(QListView::IconMode);
    list_->setMovement(QListView::Static);
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setIconSize(QSize(kThumbWidth, kThumbHeight));
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setWordWrap(false);
    const int lineH = list_->fontMetrics().height();
    list_->setGridSize(QSize(kThumbWidth + 28, kThumbHeight + lineH + 22));
    list_->installEventFilter(this);

    const qreal dpr = devicePixelRatioF();
    const QIcon waiting(Tile({}, QStringLiteral("载入中…"), dpr));
    for (const QString& f : files_) {
        auto* item = new QListWidgetItem(waiting, QFileInfo(f).fileName(), list_);
        item->setToolTip(PlainTip(QDir::toNativeSeparators(f)));
        item->setSizeHint(list_->gridSize() - QSize(6, 6));
    }
    if (!files_.isEmpty()) list_->setCurrentRow(0);
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { openViewer(list_->row(item)); });

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lBrowseInfo"));
    status_->setTextFormat(Qt::PlainText);
    status_->setContentsMargins(8, 2, 8, 2);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(list_, 1);
    lay->addWidget(status_);
    setMinimumSize(480, 360);
}

void PictureBrowser::requestThumbnails() {
    const qreal dpr = devicePixelRatioF();
    const QSize bounds(int(std::lround(kThumbWidth * dpr)), int(std::lround(kThumbHeight * dpr)));
    auto updateStatus = [this] {
        QString text = files_.isEmpty()
                           ? QStringLiteral("当前没有图片可以浏览。")
                           : QStringLiteral("共 %1 张图片　·　双击图片全屏查看原图　·　按 Esc 键关闭")
                                 .arg(files_.size());
        if (thumbsDone_ < files_.size())
            text += QStringLiteral("　·　正在生成缩略图 %1/%2").arg(thumbsDone_).arg(files_.size());
        status_->setText(text);
    };
    updateStatus();
    for (int i = 0; i < files_.size(); ++i) {
        DecodeOffThread(guard_, files_[i], bounds, [this, i, dpr, updateStatus](const Decoded& d) {
            if (QListWidgetItem* item = list_->item(i))
                item->setIcon(QIcon(Tile(d.image, QStringLiteral("无法读取"), dpr)));
            ++thumbsDone_;
            updateStatus();
            emit thumbnailReady(i, !d.image.isNull());
        });
    }
}

void PictureBrowser::openViewer(int index) {
    if (index < 0 || index >= files_.size()) return;
    FullScreenViewer::open(files_[index], this);
}

bool PictureBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            close();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openViewer(list_->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- slide show -------------------------------------------------------------------------------

QSize PictureBrowser::slideBounds() const { return ScreenPixels(this); }

void PictureBrowser::requestSlide(int index) {
    if (index < 0 || index >= files_.size() || slides_.contains(index) || pending_.contains(index))
        return;
    pending_.insert(index);
    DecodeOffThread(guard_, files_[index], slideBounds(), [this, index](const Decoded& d) {
        pending_.remove(index);
        slides_.insert(index, Slide{d.image, d.error});
        if (index == index_) update();
    });
}

void PictureBrowser::showSlide(int index) {
    const int n = int(files_.size());
    index_ = index;
    // Keep the slides next to the current one; drop the rest.
    for (auto it = slides_.begin(); it != slides_.end();) {
        const int d = std::abs(it.key() - index);
        if (std::min(d, n - d) > 1) it = slides_.erase(it);
        else ++it;
    }
    requestSlide(index);
    requestSlide((index + 1) % n);
    update();
    emit currentChanged(index);
}

void PictureBrowser::advance() {
    if (mode_ != Mode::SlideShow || files_.isEmpty()) return;
    showSlide((index_ + 1) % int(files_.size()));
    if (timer_->isActive()) timer_->start();  // a full interval for the new slide
}

void PictureBrowser::goBack() {
    if (mode_ != Mode::SlideShow || files_.isEmpty()) return;
    const int n = int(files_.size());
    showSlide((index_ - 1 + n) % n);
    requestSlide((index_ - 1 + n) % n);
    if (timer_->isActive()) timer_->start();
}

void PictureBrowser::setPaused(bool paused) {
    if (mode_ != Mode::SlideShow) return;
    paused_ = paused;
    if (paused_) timer_->stop();
    else if (isVisible() && !files_.isEmpty()) timer_->start();
    update();
}

void PictureBrowser::togglePause() { setPaused(!paused_); }

void PictureBrowser::paintEvent(QPaintEvent* event) {
    if (mode_ != Mode::SlideShow) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (files_.isEmpty()) {
        DrawNote(p, rect(), QStringLiteral("当前没有图片可以浏览。\n\n按 Esc 键返回"), Qt::AlignCenter, 1.2);
        return;
    }
    const auto it = slides_.constFind(index_);
    const QString name = QFileInfo(files_[index_]).fileName();
    if (it == slides_.constEnd()) {
        DrawNote(p, rect(), QStringLiteral("正在载入图片……"), Qt::AlignCenter);
    } else if (it->image.isNull()) {
        DrawNote(p, QRectF(rect()).adjusted(40, 40, -40, -40),
                 QStringLiteral("无法显示图片：%1\n%2").arg(name, it->error), Qt::AlignCenter, 1.2);
    } else {
        DrawPicture(p, it->image, devicePixelRatioF(), rect());
    }

    // Where we are, in a quiet band at the bottom.
    QString info = QStringLiteral("%1 / %2　%3").arg(index_ + 1).arg(files_.size()).arg(name);
    info += paused_ ? QStringLiteral("　·　已暂停（空格键继续）")
                    : QStringLiteral("　·　空格键暂停　←/→ 切换　Esc 退出");
    const int bandH = fontMetrics().height() + 12;
    const QRect band(0, height() - bandH, width(), bandH);
    p.fillRect(band, QColor(0, 0, 0, 150));
    DrawNote(p, band.adjusted(12, 0, -12, 0), info, Qt::AlignVCenter | Qt::AlignLeft);
}

void PictureBrowser::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape: close(); return;
        case Qt::Key_Space:
            togglePause();
            return;
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            advance();
            return;
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            goBack();
            return;
        default: QWidget::keyPressEvent(event);
    }
}

void PictureBrowser::mousePressEvent(QMouseEvent* event) {
    if (mode_ != Mode::SlideShow) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::RightButton) goBack();
    else advance();
}

}  // namespace tavu
