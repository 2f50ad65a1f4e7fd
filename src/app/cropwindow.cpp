#include "app/cropwindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/screenguard.h"
#include "app/widgets.h"

namespace tavu {

namespace {

// How far from an edge (screen pixels) a press still takes hold of it.
constexpr double kReach = 6;
// The picture is read at most this large for the window; the rectangle stays in its own pixels.
constexpr int kReadLimit = 2400;
constexpr double kMinZoom = 0.02, kMaxZoom = 8;

Qt::CursorShape CursorFor(CropBox::Grip g) {
    switch (g) {
    case CropBox::Grip::Move: return Qt::SizeAllCursor;
    case CropBox::Grip::Left:
    case CropBox::Grip::Right: return Qt::SizeHorCursor;
    case CropBox::Grip::Top:
    case CropBox::Grip::Bottom: return Qt::SizeVerCursor;
    case CropBox::Grip::TopLeft:
    case CropBox::Grip::BottomRight: return Qt::SizeFDiagCursor;
    case CropBox::Grip::TopRight:
    case CropBox::Grip::BottomLeft: return Qt::SizeBDiagCursor;
    default: return Qt::CrossCursor;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CropView

CropView::CropView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picCut"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CropView::setPicture(const QImage& image, int pictureWidth, int pictureHeight, const IntRect& rect) {
    image_ = image;
    box_ = std::make_unique<CropBox>(pictureWidth, pictureHeight);
    box_->setRect(rect);
    setZoom(zoom_);
}

void CropView::setZoom(double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (box_) resize(std::max(1, int(std::lround(box_->pictureWidth() * zoom_))),
                     std::max(1, int(std::lround(box_->pictureHeight() * zoom_))));
    update();
}

QSize CropView::sizeHint() const { return box_ ? size() : QSize(320, 240); }

void CropView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!box_) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1);
    const QRectF all(0, 0, box_->pictureWidth() * zoom_, box_->pictureHeight() * zoom_);
    p.drawImage(all, image_);
    const IntRect& r = box_->rect();
    const QRectF sel(r.x * zoom_, r.y * zoom_, r.w * zoom_, r.h * zoom_);
    // Dim what is cut away.
    QPainterPath outside;
    outside.addRect(all);
    QPainterPath inside;
    inside.addRect(sel);
    p.fillPath(outside.subtracted(inside), QColor(0, 0, 0, 130));
    // The rectangle, its thirds and its grips.
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    for (int i = 1; i < 3; ++i) {
        p.drawLine(QPointF(sel.left() + sel.width() * i / 3, sel.top()), QPointF(sel.left() + sel.width() * i / 3, sel.bottom()));
        p.drawLine(QPointF(sel.left(), sel.top() + sel.height() * i / 3), QPointF(sel.right(), sel.top() + sel.height() * i / 3));
    }
    p.setPen(QPen(Qt::white, 1.5));
    p.drawRect(sel.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(QPen(QColor(0, 120, 215), 1));
    p.setBrush(Qt::white);
    const double g = 7;
    for (double x : {sel.left(), sel.center().x(), sel.right()})
        for (double y : {sel.top(), sel.center().y(), sel.bottom()})
            if (x != sel.center().x() || y != sel.center().y()) p.drawRect(QRectF(x - g / 2, y - g / 2, g, g));
}

void CropView::updateCursor(const QPointF& at) {
    if (!box_) return;
    const CropBox::Grip g = box_->held() != CropBox::Grip::None ? box_->held()
                                                                 : box_->gripAt(at.x() / zoom_, at.y() / zoom_, kReach / zoom_);
    setCursor(CursorFor(g));
}

void CropView::mousePressEvent(QMouseEvent* e) {
    if (!box_ || e->button() != Qt::LeftButton) return;
    const QPointF at = toPicture(e->position());
    box_->press(at.x(), at.y(), kReach / zoom_);
    updateCursor(e->position());
}

void CropView::mouseMoveEvent(QMouseEvent* e) {
    if (!box_) return;
    if (box_->held() != CropBox::Grip::None) {
        const QPointF at = toPicture(e->position());
        box_->moveTo(at.x(), at.y());
        update();
        emit rectChanged();
    }
    updateCursor(e->position());
}

void CropView::mouseReleaseEvent(QMouseEvent* e) {
    if (!box_ || e->button() != Qt::LeftButton) return;
    box_->release();
    updateCursor(e->position());
}

void CropView::keyPressEvent(QKeyEvent* e) {
    if (!box_) return QWidget::keyPressEvent(e);
    const int step = (e->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    int dx = 0, dy = 0;
    switch (e->key()) {
    case Qt::Key_Left: dx = -step; break;
    case Qt::Key_Right: dx = step; break;
    case Qt::Key_Up: dy = -step; break;
    case Qt::Key_Down: dy = step; break;
    default: return QWidget::keyPressEvent(e);
    }
    box_->nudge(dx, dy);
    update();
    emit rectChanged();
}

void CropView::wheelEvent(QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier)) return QWidget::wheelEvent(e);  // the scroll area scrolls
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0) emit zoomWheel(steps);
    e->accept();
}

// ---------------------------------------------------------------------------------------------
// CropWindow

CropWindow::CropWindow(const QString& title, const std::string& source, const IntRect& rect, double ratio,
                       const QString& ratioText, QWidget* parent)
    : QDialog(parent), source_(source), start_(rect), ratio_(ratio) {
    setObjectName(QStringLiteral("frmCut"));
    setWindowTitle(U("裁剪图片 - ") + title);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    resize(820, 620);

    auto* top = new QHBoxLayout;
    chkCutRatio = new QCheckBox(ratio > 0 ? U("锁定比例 ") + ratioText : U("锁定比例"), this);
    chkCutRatio->setObjectName(QStringLiteral("chkCutRatio"));
    chkCutRatio->setEnabled(ratio > 0);
    chkCutRatio->setChecked(ratio > 0);
    chkCutRatio->setToolTip(ratio > 0 ? U("裁剪框保持输出尺寸的宽高比,裁剪后的图片正好填满输出尺寸。")
                                      : U("当前尺寸模式没有固定的宽高比,可以自由裁剪。"));
    cmdCutFit = MakeButton(this, "cmdCutFit", "适合窗口", "整张图片显示在窗口中");
    cmdCutZoomIn = MakeButton(this, "cmdCutZoomIn", "放大", "放大显示(也可按住 Ctrl 滚动鼠标滚轮)");
    cmdCutZoomOut = MakeButton(this, "cmdCutZoomOut", "缩小", "缩小显示(也可按住 Ctrl 滚动鼠标滚轮)");
    cmdCut100 = MakeButton(this, "cmdCut100", "实际大小", "按原图像素显示");
    top->addWidget(chkCutRatio);
    top->addStretch(1);
    for (QPushButton* b : {cmdCutFit, cmdCutZoomIn, cmdCutZoomOut, cmdCut100}) top->addWidget(b);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scrCut"));
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new CropView;
    scroll_->setWidget(view_);
    scroll_->setWidgetResizable(false);

    lblCutInfo = new QLabel(U("正在读取图片……"), this);
    lblCutInfo->setObjectName(QStringLiteral("lblCutInfo"));
    lblCutInfo->setTextFormat(Qt::PlainText);
    auto* bottom = new QHBoxLayout;
    cmdCutClear = MakeButton(this, "cmdCutClear", "清除裁剪", "不裁剪,使用整张图片");
    cmdCutOK = MakeButton(this, "cmdCutOK", "确定", "按裁剪框裁剪这张图片(处理时先裁剪再缩放)");
    cmdCutCancel = MakeButton(this, "cmdCutCancel", "取消", "不改变这张图片的裁剪");
    bottom->addWidget(lblCutInfo, 1);
    bottom->addWidget(cmdCutClear);
    bottom->addWidget(cmdCutOK);
    bottom->addWidget(cmdCutCancel);
    cmdCutOK->setDefault(true);
    for (QPushButton* b : {cmdCutClear, cmdCutOK, cmdCutFit, cmdCutZoomIn, cmdCutZoomOut, cmdCut100}) b->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(scroll_, 1);
    layout->addLayout(bottom);

    connect(view_, &CropView::rectChanged, this, &CropWindow::showInfo);
    connect(view_, &CropView::zoomWheel, this, [this](int steps) { zoomBy(std::pow(1.25, steps)); });
    connect(cmdCutFit, &QPushButton::clicked, this, [this] {
        fitted_ = true;
        fitZoom();
    });
    connect(cmdCutZoomIn, &QPushButton::clicked, this, [this] { zoomBy(1.25); });
    connect(cmdCutZoomOut, &QPushButton::clicked, this, [this] { zoomBy(0.8); });
    connect(cmdCut100, &QPushButton::clicked, this, [this] {
        fitted_ = false;
        view_->setZoom(1);
    });
    connect(chkCutRatio, &QCheckBox::toggled, this, [this](bool on) {
        if (!view_->box()) return;
        view_->box()->setRatio(on ? ratio_ : 0);
        view_->update();
        showInfo();
    });
    connect(cmdCutClear, &QPushButton::clicked, this, [this] {
        emit cropChosen(source_, IntRect{});
        close();
    });
    connect(cmdCutOK, &QPushButton::clicked, this, [this] {
        CropBox* b = view_->box();
        emit cropChosen(source_, b && !b->wholePicture() ? b->rect() : IntRect{});
        close();
    });
    connect(cmdCutCancel, &QPushButton::clicked, this, &QWidget::close);

    // The source as it is, upright: its own size tells the rectangle's pixels.
    connect(&reader_, &Previewer::rendered, this, [this](quint64 id, const QImage& image, const QString& error, const QSize& size) {
        if (id == readId_) pictureRead(image, error, size);
    });
    RenderSettings whole;
    whole.sizeMode = kSizeOriginal;
    whole.widthText = whole.heightText = "0";
    readId_ = reader_.request(source_, whole, kReadLimit, kReadLimit);
    ScreenGuard::Fit(this);
}

void CropWindow::waitLoaded() {
    reader_.waitIdle();
    QCoreApplication::sendPostedEvents(&reader_);  // the answer is posted to the reader
}

void CropWindow::pictureRead(const QImage& image, const QString& error, const QSize& size) {
    if (image.isNull() || size.isEmpty()) {
        lblCutInfo->setText(U("无法读取这张图片,不能裁剪。") + (error.isEmpty() ? QString() : QStringLiteral(" ") + error));
        return;
    }
    view_->setPicture(image, size.width(), size.height(), start_);
    if (chkCutRatio->isChecked()) view_->box()->setRatio(ratio_);
    for (QPushButton* b : {cmdCutClear, cmdCutOK, cmdCutFit, cmdCutZoomIn, cmdCutZoomOut, cmdCut100}) b->setEnabled(true);
    fitZoom();
    showInfo();
    view_->setFocus();
}

void CropWindow::fitZoom() {
    CropBox* b = view_->box();
    if (!b) return;
    const QSize room = scroll_->viewport()->size() - QSize(4, 4);
    view_->setZoom(std::min(double(std::max(1, room.width())) / b->pictureWidth(),
                            double(std::max(1, room.height())) / b->pictureHeight()));
}

void CropWindow::zoomBy(double factor) {
    if (!view_->box()) return;
    fitted_ = false;
    view_->setZoom(view_->zoom() * factor);
}

void CropWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (fitted_) fitZoom();
}

void CropWindow::showInfo() {
    CropBox* b = view_->box();
    if (!b) return;
    const IntRect& r = b->rect();
    lblCutInfo->setText(b->wholePicture()
                            ? U("原图 %1×%2,未裁剪。在图片上拖动鼠标画出裁剪框。").arg(b->pictureWidth()).arg(b->pictureHeight())
                            : U("裁剪区域 %1×%2,左上角 (%3, %4),原图 %5×%6")
                                  .arg(r.w).arg(r.h).arg(r.x).arg(r.y).arg(b->pictureWidth()).arg(b->pictureHeight()));
}

}  // namespace tavu
