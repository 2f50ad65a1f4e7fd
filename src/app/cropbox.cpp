#include "app/cropbox.h"

#include <algorithm>
#include <cmath>

#include "platform/settings.h"

namespace tavu {

namespace {

int Round(double v) { return int(std::lround(v)); }

// The largest w x h of the given ratio within maxW x maxH, at most the wanted size.
void KeepRatio(double ratio, double& w, double& h, double maxW, double maxH) {
    if (ratio <= 0) {
        w = std::min(w, maxW);
        h = std::min(h, maxH);
        return;
    }
    if (w / std::max(h, 1e-9) > ratio) w = h * ratio;
    else h = w / ratio;
    if (w > maxW) {
        w = maxW;
        h = w / ratio;
    }
    if (h > maxH) {
        h = maxH;
        w = h * ratio;
    }
}

}  // namespace

CropBox::CropBox(int pictureWidth, int pictureHeight)
    : w0_(std::max(1, pictureWidth)), h0_(std::max(1, pictureHeight)), rect_{0, 0, w0_, h0_} {}

void CropBox::setRect(const IntRect& r) {
    DrawParams p;
    p.cropX = r.x;
    p.cropY = r.y;
    p.cropW = r.w;
    p.cropH = r.h;
    rect_ = CropArea(w0_, h0_, p);
}

void CropBox::setRatio(double ratio) {
    ratio_ = std::isfinite(ratio) && ratio > 0 ? ratio : 0;
    if (ratio_ <= 0) return;
    double w = rect_.w, h = rect_.h;
    KeepRatio(ratio_, w, h, w0_, h0_);
    const double cx = rect_.x + rect_.w / 2.0, cy = rect_.y + rect_.h / 2.0;
    IntRect r{0, 0, std::max(1, Round(w)), std::max(1, Round(h))};
    r.x = std::clamp(Round(cx - r.w / 2.0), 0, w0_ - r.w);
    r.y = std::clamp(Round(cy - r.h / 2.0), 0, h0_ - r.h);
    rect_ = r;
}

CropBox::Grip CropBox::gripAt(double x, double y, double reach) const {
    const double l = rect_.x, t = rect_.y, r = rect_.x + rect_.w, b = rect_.y + rect_.h;
    const bool withinX = x >= l - reach && x <= r + reach, withinY = y >= t - reach && y <= b + reach;
    if (!withinX || !withinY) return Grip::New;
    // Edges closer than their reach; on a small rectangle the nearer edge wins.
    const bool nearL = std::abs(x - l) <= reach && std::abs(x - l) <= std::abs(x - r);
    const bool nearR = !nearL && std::abs(x - r) <= reach;
    const bool nearT = std::abs(y - t) <= reach && std::abs(y - t) <= std::abs(y - b);
    const bool nearB = !nearT && std::abs(y - b) <= reach;
    if (nearL && nearT) return Grip::TopLeft;
    if (nearR && nearT) return Grip::TopRight;
    if (nearL && nearB) return Grip::BottomLeft;
    if (nearR && nearB) return Grip::BottomRight;
    if (nearL) return Grip::Left;
    if (nearR) return Grip::Right;
    if (nearT) return Grip::Top;
    if (nearB) return Grip::Bottom;
    return wholePicture() ? Grip::New : Grip::Move;  // nothing to move yet: draw a rectangle
}

void CropBox::press(double x, double y, double reach) {
    grip_ = gripAt(x, y, reach);
    start_ = rect_;
    pressX_ = std::clamp(x, 0.0, double(w0_));
    pressY_ = std::clamp(y, 0.0, double(h0_));
}

void CropBox::moveTo(double x, double y) {
    if (grip_ == Grip::None) return;
    if (grip_ == Grip::Move) {
        IntRect r = start_;
        r.x = std::clamp(start_.x + Round(x - pressX_), 0, w0_ - r.w);
        r.y = std::clamp(start_.y + Round(y - pressY_), 0, h0_ - r.h);
        rect_ = r;
        return;
    }
    resizeFrom(x, y);
}

void CropBox::resizeFrom(double x, double y) {
    const double l = start_.x, t = start_.y, r = start_.x + start_.w, b = start_.y + start_.h;
    const bool corner = grip_ == Grip::New || grip_ == Grip::TopLeft || grip_ == Grip::TopRight ||
                        grip_ == Grip::BottomLeft || grip_ == Grip::BottomRight;
    // A grip moves by as much as the pointer has moved since the press, so a press that does not
    // move changes nothing; a new rectangle grows from the press to the pointer.
    const double dx = x - pressX_, dy = y - pressY_;
    if (corner) {
        double fx = pressX_, fy = pressY_, mx = x, my = y;  // the fixed corner and the moving one
        if (grip_ == Grip::TopLeft) fx = r, fy = b, mx = l + dx, my = t + dy;
        if (grip_ == Grip::TopRight) fx = l, fy = b, mx = r + dx, my = t + dy;
        if (grip_ == Grip::BottomLeft) fx = r, fy = t, mx = l + dx, my = b + dy;
        if (grip_ == Grip::BottomRight) fx = l, fy = t, mx = r + dx, my = b + dy;
        mx = std::clamp(mx, 0.0, double(w0_));
        my = std::clamp(my, 0.0, double(h0_));
        const bool right = mx >= fx, down = my >= fy;
        double w = std::abs(mx - fx), h = std::abs(my - fy);
        KeepRatio(ratio_, w, h, right ? w0_ - fx : fx, down ? h0_ - fy : fy);
        rect_ = fitted(right ? fx : fx - w, down ? fy : fy - h, right ? fx + w : fx, down ? fy + h : fy, !right, !down);
        return;
    }
    const bool horizontal = grip_ == Grip::Left || grip_ == Grip::Right;
    if (horizontal) {
        const double fx = grip_ == Grip::Left ? r : l;
        const double mx = std::clamp((grip_ == Grip::Left ? l : r) + dx, 0.0, double(w0_));
        const bool right = mx >= fx;
        double w = std::abs(mx - fx), h = start_.h;
        const double cy = t + start_.h / 2.0;
        if (ratio_ > 0) {
            h = w / ratio_;
            KeepRatio(ratio_, w, h, right ? w0_ - fx : fx, 2 * std::min(cy, h0_ - cy));
        }
        const double top = ratio_ > 0 ? cy - h / 2 : t;
        rect_ = fitted(right ? fx : fx - w, top, right ? fx + w : fx, top + h, !right, false);
    } else {
        const double fy = grip_ == Grip::Top ? b : t;
        const double my = std::clamp((grip_ == Grip::Top ? t : b) + dy, 0.0, double(h0_));
        const bool down = my >= fy;
        double h = std::abs(my - fy), w = start_.w;
        const double cx = l + start_.w / 2.0;
        if (ratio_ > 0) {
            w = h * ratio_;
            KeepRatio(ratio_, w, h, 2 * std::min(cx, w0_ - cx), down ? h0_ - fy : fy);
        }
        const double left = ratio_ > 0 ? cx - w / 2 : l;
        rect_ = fitted(left, down ? fy : fy - h, left + w, down ? fy + h : fy, false, !down);
    }
}

// Whole pixels inside the picture, at least one each way; the fixed sides stay where they are.
IntRect CropBox::fitted(double left, double top, double right, double bottom, bool keepRight, bool keepBottom) const {
    int x0 = Round(left), y0 = Round(top), x1 = Round(right), y1 = Round(bottom);
    x0 = std::clamp(x0, 0, w0_);
    x1 = std::clamp(x1, 0, w0_);
    y0 = std::clamp(y0, 0, h0_);
    y1 = std::clamp(y1, 0, h0_);
    if (x1 - x0 < 1) {
        if (keepRight) x0 = std::max(0, x1 - 1);
        else x1 = std::min(w0_, x0 + 1);
        if (x1 - x0 < 1) x0 = x1 - 1;
    }
    if (y1 - y0 < 1) {
        if (keepBottom) y0 = std::max(0, y1 - 1);
        else y1 = std::min(h0_, y0 + 1);
        if (y1 - y0 < 1) y0 = y1 - 1;
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

void CropBox::nudge(int dx, int dy) {
    rect_.x = std::clamp(rect_.x + dx, 0, w0_ - rect_.w);
    rect_.y = std::clamp(rect_.y + dy, 0, h0_ - rect_.h);
}

double TargetRatio(const RenderSettings& s) {
    if (s.sizeMode == kSizeWidthLimit || s.sizeMode == kSizeOriginal) return 0;
    const std::optional<float> w = ReadSingle(s.widthText), h = ReadSingle(s.heightText);
    if (!w || !h || !(*w > 0) || !(*h > 0) || !std::isfinite(*w) || !std::isfinite(*h)) return 0;
    const bool quarter = s.turn == kTurnClockwise || s.turn == kTurnCounterClockwise;
    return quarter ? double(*h) / *w : double(*w) / *h;
}

}  // namespace tavu
