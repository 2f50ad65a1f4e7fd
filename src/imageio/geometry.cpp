#include "imageio/geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace tavu {

int RoundHalfEven(double v) {
    if (!std::isfinite(v)) return 0;
    v = std::nearbyint(v);  // default rounding mode: to nearest, halves to even
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

namespace {

// Rounded, but a positive size never becomes zero.
int AtLeastOne(double v) {
    const int r = RoundHalfEven(v);
    return v > 0 && r < 1 ? 1 : r;
}

DrawGeometry PlainGeometry(int w0, int h0, const DrawParams& p) {
    DrawGeometry g;
    if (w0 <= 0 || h0 <= 0) return g;

    // Target size.
    float W = p.width, H = p.height;
    if (p.sizeMode == kSizeWidthLimit) {
        H = float(1.0 * W * h0 / w0);
    } else if (p.sizeMode == kSizeOriginal) {
        W = float(w0);
        H = float(h0);
    }
    g.targetWidth = W;
    g.targetHeight = H;
    // A target of any size above zero gives at least one pixel each way (a 20000 x 1 strip at
    // width 500 is 500 x 1, not 500 x 0).
    g.canvasWidth = AtLeastOne(W);
    g.canvasHeight = AtLeastOne(H);

    double sx = 0, sy = 0, sw = w0, sh = h0;
    double dx = p.offsetX, dy = p.offsetY, dw = W, dh = H;

    if (p.sizeMode != kSizeWidthLimit && H != 0 && W != 0) {
        const double a0 = double(w0) / h0;
        const double a1 = double(W) / H;
        if (p.cropToFill == 1) {
            if (a0 >= a1) {
                sw = h0 * (1.0 * W / H);
                if (p.xCutMode == kAnchorCentre) sx = (1.0 * (w0 - sw)) / 2;
                else if (p.xCutMode == kAnchorEnd) sx = w0 - sw;
            } else {
                sh = w0 * (1.0 * H / W);
                if (p.yCutMode == kAnchorCentre) sy = (1.0 * (h0 - sh)) / 2;
                else if (p.yCutMode == kAnchorEnd) sy = h0 - sh;
            }
        } else {
            if (a0 >= a1) {
                // The horizontal offset is dropped; a vertical one also shortens the picture.
                dx = 0;
                dy = p.offsetY + (H - W * (1.0 * h0 / w0)) / 2;
                dh = H - 2 * dy;
            } else {
                dy = 0;
                dx = p.offsetX + (W - H * (1.0 * w0 / h0)) / 2;
                dw = W - 2 * dx;
            }
        }
    }

    g.source = {RoundHalfEven(sx), RoundHalfEven(sy), RoundHalfEven(sw), RoundHalfEven(sh)};
    g.destination = {RoundHalfEven(dx), RoundHalfEven(dy), AtLeastOne(dw), AtLeastOne(dh)};
    return g;
}

int Saturated(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// A rectangle of a picture turned a quarter (`turn` +1 clockwise, -1 counter-clockwise) back in
// the unturned picture, which is `unturnedW` x `unturnedH`. A rectangle far off the canvas (an
// enormous offset) stays off it: the arithmetic saturates instead of overflowing.
IntRect Unturn(const IntRect& r, int turn, int unturnedW, int unturnedH) {
    if (turn > 0) return {r.y, Saturated(0LL + unturnedH - r.x - r.w), r.h, r.w};
    return {Saturated(0LL + unturnedW - r.y - r.h), r.x, r.h, r.w};
}

}  // namespace

IntRect CropArea(int w0, int h0, const DrawParams& p) {
    const int x0 = std::clamp(p.cropX, 0, w0), y0 = std::clamp(p.cropY, 0, h0);
    const int x1 = int(std::clamp<long long>(0LL + p.cropX + p.cropW, 0, w0));
    const int y1 = int(std::clamp<long long>(0LL + p.cropY + p.cropH, 0, h0));
    if (p.cropW <= 0 || p.cropH <= 0 || x1 <= x0 || y1 <= y0) return {0, 0, w0, h0};
    return {x0, y0, x1 - x0, y1 - y0};
}

DrawGeometry ComputeGeometry(int w0, int h0, const DrawParams& p) {
    if (w0 <= 0 || h0 <= 0) return {};
    const IntRect crop = CropArea(w0, h0, p);
    DrawGeometry g;
    if (p.quarterTurn == 0) {
        g = PlainGeometry(crop.w, crop.h, p);
    } else {
        // Lay the turned picture out, then carry the layout back to the unturned one.
        const DrawGeometry t = PlainGeometry(crop.h, crop.w, p);
        g = t;
        g.canvasWidth = t.canvasHeight;
        g.canvasHeight = t.canvasWidth;
        g.targetWidth = t.targetHeight;
        g.targetHeight = t.targetWidth;
        g.source = Unturn(t.source, p.quarterTurn, crop.w, crop.h);
        g.destination = Unturn(t.destination, p.quarterTurn, g.canvasWidth, g.canvasHeight);
    }
    // Saturating: a target of zero or below (no canvas) may leave a source far outside.
    g.source.x = Saturated(0LL + g.source.x + crop.x);
    g.source.y = Saturated(0LL + g.source.y + crop.y);
    return g;
}

}  // namespace tavu
