#include "watermark/placement.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>

#include "app/appcontext.h"
#include "app/prompts.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "imageio/decorate.h"
#include "platform/settings.h"

namespace tavu {

WatermarkPlacement::WatermarkPlacement(WindowState& state, AppContext& context, QWidget* box, QLabel* image)
    : QObject(box), state_(state), ctx_(context), picImg(box), imgM(image) {
    lblPos = new QLabel(picImg);
    lblPos->setObjectName(QStringLiteral("lblPos"));
    lblPos->setStyleSheet(QStringLiteral("border: 2px dashed #d03030;"));
    lblPos->hide();
    imgM->installEventFilter(this);
}

QRect WatermarkPlacement::shownPictureRect() const {
    const QPixmap pm = imgM->pixmap();
    if (pm.isNull()) return imgM->rect();
    const QSize size = pm.deviceIndependentSize().toSize();
    return QRect(QPoint((imgM->width() - size.width()) / 2, (imgM->height() - size.height()) / 2), size);
}

QSize WatermarkPlacement::layerSizeOnPreview(bool picture) const {
    // The layer's size on the canvas, scaled to the preview like the picture itself.
    int w = 0, h = 0;
    const Decorations d = state_.decorations();
    const bool known = picture ? d.pictureOn() && WatermarkPictureSize(d.picture, w, h)
                               : d.textOn() && TextWatermarkSize(d.text, w, h);
    if (!known || state_.previewImage.isNull()) return {};
    const double k = previewScale();
    return {int(w * k), int(h * k)};
}

double WatermarkPlacement::previewScale() const {
    // The preview may be shown smaller than the canvas it stands for.
    const QImage& image = state_.previewImage;
    const double canvasWidth = state_.previewCanvasWidth > 0 ? state_.previewCanvasWidth : image.width();
    return canvasWidth > 0 ? image.width() / canvasWidth : 1.0;
}

void WatermarkPlacement::placeMarker(const QPoint& at, bool centred) {
    const QPoint origin = imgM->mapTo(picImg, QPoint(0, 0));
    const int mw = lblPos->width(), mh = lblPos->height();
    lblPos->move(origin.x() + at.x() - mw / 2, origin.y() + at.y() - (centred ? mh / 2 : 0));
    lblPos->show();
    lblPos->raise();
}

void WatermarkPlacement::positionListChanged(bool picture, bool custom) {
    emit coordinateEntryEnabled(false);
    if (!custom) {
        lblPos->hide();
        return;
    }
    state_.iSYMode = picture ? -1 : 0;
    // Over the watermark when it has been placed: the marker flashes a few times (counted in
    // time, not in event-loop passes) and stays.
    const double fx = picture ? state_.dISyX : state_.dTSyX, fy = picture ? state_.dISyY : state_.dTSyY;
    if (state_.bLoaded && (fx != 0 || fy != 0) && !state_.previewImage.isNull()) {
        const QRect r = shownPictureRect();
        const QSize size = layerSizeOnPreview(picture);
        lblPos->resize(std::max(size.width(), 12), 12);
        const QPoint at(r.left() + int(r.width() * fx), r.top() + int(r.height() * fy));
        placeMarker(picture ? at : at + QPoint(lblPos->width() / 2, 0), false);
        for (int i = 1; i <= 4; ++i) QTimer::singleShot(150 * i, lblPos, [this, i] { lblPos->setVisible(i % 2 == 0); });
    }
    state_.bMoveMode = false;
    picImg->setFocus();
}

bool WatermarkPlacement::PinRect(const QPoint& at) {
    const QRect r = shownPictureRect();
    if (r.width() <= 0 || r.height() <= 0) return false;
    const double X = at.x() - r.left(), Y = at.y() - r.top(), W = r.width(), H = r.height();
    // The text first: it wins where both would be hit.
    const QSize t = layerSizeOnPreview(false);
    const double tx = state_.dTSyX, ty = state_.dTSyY;
    if (state_.textOn && !t.isEmpty() && W * tx - t.width() / 4.0 < X && X < W * tx + t.width() &&
        H * ty - t.height() < Y && Y < H * ty + 2.0 * t.height()) {
        emit grabbed(false);
        state_.iSYMode = 0;
        lblPos->resize(std::max(t.width(), 12), 12);
        return true;
    }
    const QSize p = layerSizeOnPreview(true);
    const double px = state_.dISyX, py = state_.dISyY;
    if (state_.pictureOn && !p.isEmpty() && W * px - p.width() / 2.0 < X && X < W * px + p.width() / 2.0 &&
        H * py - p.height() / 2.0 < Y && Y < H * py + p.height() / 2.0) {
        emit grabbed(true);
        state_.iSYMode = -1;
        lblPos->resize(std::max(p.width(), 12), 12);
        return true;
    }
    return false;
}

void WatermarkPlacement::enterMoveMode() {
    state_.bMoveMode = true;
    imgM->setCursor(Qt::SizeAllCursor);
    lblPos->resize(16, 16);
    placeMarker(QPoint(imgM->width() / 2, imgM->height() / 2), true);
    emit coordinateEntryEnabled(true);
    picImg->setFocus();
}

void WatermarkPlacement::mXYPos_Click() {
    if (!ctx_.prompts) return;
    const auto answer = ctx_.prompts->input(
        picImg->window(), U("起始点坐标"), U("请输入主图起始点坐标，格式为X,Y。\n\n如:要定点于左100像素、上120像素，请输入100,120"),
        QString::number(double(state_.sngPicX), 'g', 7) + "," + QString::number(double(state_.sngPicY), 'g', 7));
    if (!answer || answer->size() < 3) return;
    const int comma = answer->indexOf(',');
    if (comma < 0) return;
    const auto x = ReadSingle(answer->left(comma).toStdString()), y = ReadSingle(answer->mid(comma + 1).toStdString());
    if (!x || !y || *x < 0 || *y < 0) return;
    state_.sngPicX = *x;
    state_.sngPicY = *y;
    emit offsetCommitted(*x, *y);
}

bool WatermarkPlacement::nudge(int dx, int dy) {
    const bool placing = state_.bMoveMode || (state_.textPos == 5 && state_.textOn) || (state_.picturePos == 5 && state_.pictureOn);
    if (!placing) return false;
    lblPos->hide();
    const QRect r = shownPictureRect();
    const double W = std::max(1, r.width()), H = std::max(1, r.height());
    if (state_.bMoveMode) {
        state_.sngPicX += float(dx);
        state_.sngPicY += float(dy);
    } else if (state_.iSYMode == 0) {
        state_.dTSyX += dx / W;
        state_.dTSyY += dy / H;
    } else {
        state_.dISyX += dx / W;
        state_.dISyY += dy / H;
    }
    state_.changed();
    return true;
}

bool WatermarkPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgM && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                            (event->type() == QEvent::MouseMove && dragging_)))
        return mouseEvent(event);
    return QObject::eventFilter(watched, event);
}

bool WatermarkPlacement::mouseEvent(QEvent* event) {
    auto* m = static_cast<QMouseEvent*>(event);
    const QPoint at = m->position().toPoint();
    const QRect r = shownPictureRect();
    const double W = std::max(1, r.width()), H = std::max(1, r.height());
    const double X = at.x() - r.left(), Y = at.y() - r.top();
    if (event->type() == QEvent::MouseButtonPress) {
        if (m->button() == Qt::RightButton && imgM->cursor().shape() == Qt::SizeAllCursor) {
            state_.bMoveMode = false;
            imgM->setCursor(Qt::ArrowCursor);
            lblPos->hide();
            return true;
        }
        if (m->button() != Qt::LeftButton) return false;
        if (state_.bMoveMode) {
            imgM->setCursor(Qt::SizeAllCursor);
            placeMarker(at, false);
            state_.tip(U("【提示】按住鼠标左键拖动蓝色条块即可调整位置,键盘方向键微调。鼠标右键退出移动模式。"));
            dragging_ = true;
        } else if (PinRect(at)) {
            placeMarker(at, false);
            imgM->setCursor(Qt::SizeAllCursor);
            state_.tip(U("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。"));
            dragging_ = true;
        } else {
            imgM->setCursor(Qt::ArrowCursor);
            lblPos->hide();
        }
        return true;
    }
    if (!dragging_) return false;
    const double mw = lblPos->width();
    if (state_.bMoveMode) {
        placeMarker(at, true);
        state_.sngPicX = float(at.x() - imgM->width() / 2.0);
        state_.sngPicY = float(at.y() - imgM->height() / 2.0);
    } else if (state_.iSYMode != 0) {
        state_.dISyX = X / W;
        state_.dISyY = Y / H;
        placeMarker(at, false);
    } else {
        state_.dTSyX = (X - mw / 2) / W;
        state_.dTSyY = Y / H;
        placeMarker(at, false);
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        dragging_ = false;
        if (state_.bMoveMode) emit offsetCommitted(state_.sngPicX, state_.sngPicY);
        lblPos->hide();
        if (!state_.bMoveMode) imgM->setCursor(Qt::ArrowCursor);
        state_.changed();
    }
    return true;
}

}  // namespace tavu
