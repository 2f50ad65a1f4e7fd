#include "app/compareview.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tavu {

CompareView::CompareView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picCompare"));
    setMinimumSize(200, 150);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CompareView::setImages(const QImage& before, const QImage& after) {
    after_ = after;
    before_ = before.size() == after.size() || before.isNull() || after.isNull()
                  ? before
                  : before.scaled(after.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pan_ = {};
    update();
}

void CompareView::setSplit(double split) {
    split_ = std::clamp(split, 0.0, 1.0);
    update();
}

void CompareView::setMessage(const QString& message) {
    message_ = message;
    update();
}

void CompareView::fitToWindow() {
    fit_ = true;
    pan_ = {};
    update();
}

void CompareView::actualSize() {
    fit_ = false;
    pan_ = {};
    update();
}

double CompareView::scale() const {
    if (!fit_ || after_.isNull()) return 1.0;
    return std::min(double(width()) / after_.width(), double(height()) / after_.height());
}

QPointF CompareView::origin() const {
    const double s = scale();
    return QPointF((width() - after_.width() * s) / 2, (height() - after_.height() * s) / 2) + pan_;
}

void CompareView::panBy(QPointF delta) {
    pan_ += delta;
    clampPan();
    update();
}

void CompareView::clampPan() {
    // A picture larger than the view pans until its edge meets the view's; a smaller one stays centred.
    const double s = scale();
    const double spareX = std::max(0.0, (after_.width() * s - width()) / 2);
    const double spareY = std::max(0.0, (after_.height() * s - height()) / 2);
    pan_.setX(std::clamp(pan_.x(), -spareX, spareX));
    pan_.setY(std::clamp(pan_.y(), -spareY, spareY));
}

void CompareView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(48, 48, 48));
    if (after_.isNull()) {
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, message_);
        return;
    }
    const double s = scale();
    const QRectF target(origin(), QSizeF(after_.width() * s, after_.height() * s));
    p.setRenderHint(QPainter::SmoothPixmapTransform, s < 1.0);
    const int line = int(std::lround(width() * split_));
    p.save();
    p.setClipRect(QRect(0, 0, line, height()));
    if (!before_.isNull()) p.drawImage(target, before_);
    p.restore();
    p.save();
    p.setClipRect(QRect(line, 0, width() - line, height()));
    p.drawImage(target, after_);
    p.restore();
    p.setPen(QPen(QColor(255, 255, 255, 220), 2));
    p.drawLine(line, 0, line, height());
    // The sides' names, on a dark tag so they read on any picture.
    const auto tag = [&](const QString& text, bool left) {
        const QRect r = p.fontMetrics().boundingRect(text).adjusted(-6, -3, 6, 3);
        const QRect at = left ? QRect(line - r.width() - 8, 8, r.width(), r.height()) : QRect(line + 8, 8, r.width(), r.height());
        p.fillRect(at, QColor(0, 0, 0, 150));
        p.setPen(Qt::white);
        p.drawText(at, Qt::AlignCenter, text);
    };
    if (line > 60) tag(QStringLiteral("原图"), true);
    if (width() - line > 60) tag(QStringLiteral("压缩后"), false);
}

void CompareView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const double line = width() * split_;
    drag_ = std::abs(e->position().x() - line) <= 8 ? Drag::Line : Drag::Pan;
    last_ = e->position();
    if (drag_ == Drag::Pan) setCursor(Qt::ClosedHandCursor);
}

void CompareView::mouseMoveEvent(QMouseEvent* e) {
    if (drag_ == Drag::Line) {
        setSplit(e->position().x() / std::max(1, width()));
        emit splitMoved(split_);
    } else if (drag_ == Drag::Pan) {
        panBy(e->position() - last_);
        last_ = e->position();
    } else {
        setCursor(std::abs(e->position().x() - width() * split_) <= 8 ? Qt::SplitHCursor : Qt::OpenHandCursor);
    }
}

void CompareView::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
    unsetCursor();
}

void CompareView::resizeEvent(QResizeEvent*) { clampPan(); }

}  // namespace tavu
