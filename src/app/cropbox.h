// The crop rectangle being edited: dragged by its inside, its edges or its corners, drawn anew
// outside it, kept inside the picture and, when locked, at a width-to-height ratio. Everything is
// in the upright picture's pixels; the crop window maps the pointer into them.
#pragma once

#include "batch/picturerender.h"
#include "imageio/geometry.h"

namespace tavu {

class CropBox {
public:
    enum class Grip { None, Move, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight, New };

    CropBox(int pictureWidth, int pictureHeight);

    int pictureWidth() const { return w0_; }
    int pictureHeight() const { return h0_; }

    // Clipped to the picture; an empty or outside rectangle selects the whole picture.
    void setRect(const IntRect& r);
    const IntRect& rect() const { return rect_; }
    bool wholePicture() const { return rect_ == IntRect{0, 0, w0_, h0_}; }

    // Width / height to keep (0: free). Locking reshapes the rectangle to the largest one of that
    // ratio that fits inside it, about its centre.
    void setRatio(double ratio);
    double ratio() const { return ratio_; }

    // What a press at (x, y) would take hold of; `reach` is how far from an edge still grips it.
    Grip gripAt(double x, double y, double reach) const;
    void press(double x, double y, double reach);
    void moveTo(double x, double y);
    void release() { grip_ = Grip::None; }
    Grip held() const { return grip_; }

    // Moves the whole rectangle, staying inside the picture.
    void nudge(int dx, int dy);

private:
    void resizeFrom(double x, double y);
    IntRect fitted(double left, double top, double right, double bottom, bool keepRight, bool keepBottom) const;

    int w0_, h0_;
    IntRect rect_;
    double ratio_ = 0;
    Grip grip_ = Grip::None;
    IntRect start_;              // the rectangle when the press began
    double pressX_ = 0, pressY_ = 0;
};

// The width-to-height ratio of the upright picture's part that fills the target size exactly
// (after a quarter turn the target's sides swap); 0 when the size mode has no fixed shape.
double TargetRatio(const RenderSettings& s);

}  // namespace tavu
