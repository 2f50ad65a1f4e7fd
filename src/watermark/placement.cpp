#include "watermark/placement.h"

#include <QLabel>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "app/appcontext.h"
#include "app/prompts.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "imageio/decorate.h"
#include "platform/settings.h"

namespace tavu {

namespace {
const char* const kTipGrabbed = "【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。";
const char* const kTipMoveMode = "【提示】按住鼠标左键拖动蓝色方块即可调整图片位置,方向键微调,鼠标右键退出移动模式。";
const char* const kTipMoving = "【提示】按住鼠标左键拖动蓝色条块即可调整位置,键盘方向键微调。鼠标右键退出移动模式。";
constexpr int kCustom = Position::Custom;
}  // namespace

WatermarkPlacement::WatermarkPlacement(WindowState& state, AppContext& context, QWidget* box, QLabel* image)
    : QObject(box), state_(state), ctx_(context), picImg(box), imgM(image) {
    lblPos = new QLabel(picImg);
    lblPos->setObjectName(QStringLiteral("lblPos"));
    lblPos->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblPos->hide();
    imgM->installEventFilter(this);
    flash_.setInterval(150);
    connect(&flash_, &QTimer::timeout, this, [this] {
        lblPos->setVisible(!lblPos->isVisible());
        if (--flashesLeft_ <= 0) {
            flash_.stop();
            lblPos->show();  // it ends visible
        }
    });
}

QRect WatermarkPlacement::shownPictureRect() const {
    const QPixmap pm = imgM->pixmap();
    if (pm.isNull()) return imgM->rect();
    const QSize size = pm.deviceIndependentSize().toSize();
    return QRect(QPoint((imgM->width() - size.width()) / 2, (imgM->height() - size.height()) / 2), size);
}

double WatermarkPlacement::previewScale() const {
    // The preview may be shown smaller than the canvas it stands for.
    const QImage& image = state_.previewImage;
    const double canvasWidth = state_.previewCanvas.width() > 0 ? state_.previewCanvas.width() : image.width();
    return canvasWidth > 0 ? image.width() / canvasWidth : 1.0;
}

QRect WatermarkPlacement::drawnRect(bool picture) const {
    if (state_.previewImage.isNull()) return {};
    const Decorations d = state_.decorations();
    int w = 0, h = 0;
    const bool known = picture ? d.pictureOn() && WatermarkPictureSize(d.picture, w, h)
                               : d.textOn() && TextWatermarkSize(d.text, w, h);
    if (!known || w <= 0 || h <= 0) return {};
    const QSize canvas = state_.previewCanvas.isEmpty() ? state_.previewImage.size() : state_.previewCanvas;
    const LayerPlace p = PlaceLayer(picture ? d.picture.pos : d.text.pos, picture, canvas.width(), canvas.height(), w, h);
    const double k = previewScale();
    const QRect r = shownPictureRect();
    return QRect(r.left() + int(std::lround(p.x * k)), r.top() + int(std::lround(p.y * k)),
                 std::max(1, int(std::lround(w * k))), std::max(1, int(std::lround(h * k))));
}

void WatermarkPlacement::adoptDrawnPlace(bool picture, int named) {
    const Decorations d = state_.decorations();
    int w = 0, h = 0;
    const bool known = picture ? d.pictureOn() && WatermarkPictureSize(d.picture, w, h)
                               : d.textOn() && TextWatermarkSize(d.text, w, h);
    const QSize canvas = state_.previewCanvas.isEmpty() ? state_.previewImage.size() : state_.previewCanvas;
    if (!known || canvas.isEmpty()) return;
    Position pos = picture ? d.picture.pos : d.text.pos;
    pos.named = Position::Named(std::clamp(named, 0, int(kCustom)));
    const LayerPlace p = PlaceLayer(pos, picture, canvas.width(), canvas.height(), w, h);
    if (picture) {
        state_.dISyX = (p.x + w / 2.0) / canvas.width();
        state_.dISyY = (p.y + h / 2.0) / canvas.height();
    } else {
        state_.dTSyX = double(p.x) / canvas.width();
        state_.dTSyY = double(p.y) / canvas.height();
    }
}

void WatermarkPlacement::showMarker(Marker kind, const QPoint& at) {
    // `at` is the marker's centre, in the image label's coordinates.
    switch (kind) {
        case Marker::TextDot:
            lblPos->resize(12, 12);
            lblPos->setStyleSheet(QStringLiteral("background:#e02020;border:1px solid white;border-radius:6px;"));
            break;
        case Marker::PictureBar:
            lblPos->setStyleSheet(QStringLiteral("background:#2060e0;border:1px solid white;"));
            break;
        case Marker::MoveSquare:
            lblPos->resize(16, 16);
            lblPos->setStyleSheet(QStringLiteral("background:#2060e0;border:1px solid white;"));
            break;
    }
    const QPoint origin = imgM->mapTo(picImg, QPoint(0, 0));
    lblPos->move(origin + at - QPoint(lblPos->width() / 2, lblPos->height() / 2));
    lblPos->show();
    lblPos->raise();
}

void WatermarkPlacement::showMarkerOnWatermark(bool picture) {
    // The text's dot sits on its top-left corner; the picture's bar lies across its middle.
    const QRect r = drawnRect(picture);
    if (r.isEmpty()) return;
    if (picture) {
        lblPos->resize(std::max(12, r.width()), 8);
        showMarker(Marker::PictureBar, r.center());
    } else {
        showMarker(Marker::TextDot, r.topLeft());
    }
}

void WatermarkPlacement::flashMarker() {
    flash_.stop();  // a flash still under way gives way to the new one
    flashesLeft_ = 4;
    lblPos->show();
    flash_.start();
}

void WatermarkPlacement::positionListChanged(bool picture, bool custom, int previous) {
    emit coordinateEntryEnabled(false);
    flash_.stop();
    if (!custom) {
        lblPos->hide();
        return;
    }
    state_.iSYMode = picture ? -1 : 0;
    // "自定义" starts where the watermark is drawn now.
    if (state_.bLoaded && previous >= 0 && previous != kCustom) adoptDrawnPlace(picture, previous);
    if (state_.bLoaded && !drawnRect(picture).isEmpty()) {
        showMarkerOnWatermark(picture);
        flashMarker();
    }
    state_.bMoveMode = false;
    picImg->setFocus();
}

bool WatermarkPlacement::PinRect(const QPoint& at) {
    const QRect shown = shownPictureRect();
    if (shown.width() <= 0 || shown.height() <= 0) return false;
    // The text first: it wins where both would be hit. Its area reaches a quarter of its width to
    // the left, its height above and twice its height below its top.
    const QRect t = drawnRect(false);
    if (!t.isEmpty() && t.left() - t.width() / 4.0 < at.x() && at.x() < t.left() + t.width() &&
        t.top() - t.height() < at.y() && at.y() < t.top() + 2.0 * t.height()) {
        if (state_.textPos != kCustom) adoptDrawnPlace(false, state_.textPos);
        grabOffset_ = at - t.topLeft();
        emit grabbed(false);
        state_.iSYMode = 0;
        return true;
    }
    const QRect p = drawnRect(true);
    if (!p.isEmpty() && p.left() < at.x() && at.x() < p.left() + p.width() && p.top() < at.y() &&
        at.y() < p.top() + p.height()) {
        if (state_.picturePos != kCustom) adoptDrawnPlace(true, state_.picturePos);
        grabOffset_ = at - p.center();
        emit grabbed(true);
        state_.iSYMode = -1;
        return true;
    }
    return false;
}

void WatermarkPlacement::enterMoveMode() {
    state_.bMoveMode = true;
    imgM->setCursor(Qt::SizeAllCursor);
    state_.tip(U(kTipMoveMode));
    showMarker(Marker::MoveSquare, QPoint(imgM->width() / 2, imgM->height() / 2));
    flashMarker();
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
    const bool text = state_.textPos == kCustom && state_.textOn, picture = state_.picturePos == kCustom && state_.pictureOn;
    if (!state_.bMoveMode && !text && !picture) return false;
    lblPos->hide();
    flash_.stop();
    const QRect r = shownPictureRect();
    const double W = std::max(1, r.width()), H = std::max(1, r.height());
    if (state_.bMoveMode) {
        state_.sngPicX += float(dx);
        state_.sngPicY += float(dy);
    } else if (state_.iSYMode == 0) {
        if (state_.dTSyX == 0 && state_.dTSyY == 0) adoptDrawnPlace(false, Position::Centre);  // from where it is drawn
        state_.dTSyX += dx / W;
        state_.dTSyY += dy / H;
    } else {
        if (state_.dISyX == 0 && state_.dISyY == 0) adoptDrawnPlace(true, Position::TopRight);
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
    if (event->type() == QEvent::MouseButtonPress) {
        if (m->button() == Qt::RightButton && imgM->cursor().shape() == Qt::SizeAllCursor) {
            state_.bMoveMode = false;
            imgM->setCursor(Qt::ArrowCursor);
            flash_.stop();
            lblPos->hide();
            return true;
        }
        if (m->button() != Qt::LeftButton) return false;
        if (state_.bMoveMode) {
            imgM->setCursor(Qt::SizeAllCursor);
            flash_.stop();
            showMarker(Marker::MoveSquare, at);
            state_.tip(U(kTipMoving));
            dragging_ = true;
        } else if (PinRect(at)) {
            flash_.stop();
            showMarkerOnWatermark(state_.iSYMode != 0);
            imgM->setCursor(Qt::SizeAllCursor);
            state_.tip(U(kTipGrabbed));
            dragging_ = true;
        } else {
            imgM->setCursor(Qt::ArrowCursor);
            flash_.stop();
            lblPos->hide();
        }
        return true;
    }
    if (!dragging_) return false;
    if (state_.bMoveMode) {
        showMarker(Marker::MoveSquare, at);
        // The distance from the preview's centre pixel: a release on it puts the picture at the origin.
        state_.sngPicX = float(at.x() - imgM->width() / 2);
        state_.sngPicY = float(at.y() - imgM->height() / 2);
    } else {
        // The grabbed point stays under the pointer.
        const QRect r = shownPictureRect();
        const double W = std::max(1, r.width()), H = std::max(1, r.height());
        const QPoint anchor = at - grabOffset_ - r.topLeft();
        if (state_.iSYMode != 0) {
            state_.dISyX = anchor.x() / W;
            state_.dISyY = anchor.y() / H;
        } else {
            state_.dTSyX = anchor.x() / W;
            state_.dTSyY = anchor.y() / H;
        }
        showMarkerOnWatermark(state_.iSYMode != 0);
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
