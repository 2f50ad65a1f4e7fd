#include "imageio/geometry.h"

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

DrawGeometry ComputeGeometry(int w0, int h0, const DrawParams& p) {
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
    g.canvasWidth = RoundHalfEven(W);
    g.canvasHeight = RoundHalfEven(H);

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
    g.destination = {RoundHalfEven(dx), RoundHalfEven(dy), RoundHalfEven(dw), RoundHalfEven(dh)};
    return g;
}

}  // namespace tavu
