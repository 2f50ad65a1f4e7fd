// What is drawn over a picture once it is drawn, turned and given its effect: a border frame,
// a picture watermark and a text watermark, in that order.
//
// Placement. Named positions keep the layer inside a margin of 2 % of the canvas's shorter side
// (rounded): bottom-right, bottom-left, top-left, top-right, or centred. A custom position gives
// fractions of the canvas's width and height: for the text they are its left edge and top, for
// the picture its centre (as the preview's markers show them). The custom pair (0, 0) means "not
// placed yet" and falls back to the layer's default: the text centred, the picture top-right.
// A layer may reach over the canvas's edge; only the part on the canvas is drawn.
#pragma once

#include <cstdint>
#include <string>

#include "raster/canvas.h"

namespace tavu {

struct Position {
    // Numbered as the position lists: "右下", "左下", "左上", "右上", "居中", "自定义".
    enum Named { BottomRight = 0, BottomLeft = 1, TopLeft = 2, TopRight = 3, Centre = 4, Custom = 5 };
    Named named = Centre;
    double fx = 0, fy = 0;  // Custom only: fractions of the canvas's width and height
};

struct TextWatermark {
    bool on = false;
    std::string text;          // drawn as typed (several lines allowed); empty draws nothing
    std::string font = "宋体";  // a family missing on this system falls back to a Chinese-capable one
    int sizePt = 9;            // points, for the result viewed at 96 dpi: about sizePt * 4/3 pixels
    uint32_t color = 0;        // 0x00BBGGRR as stored: red in the low byte
    bool bold = false, underline = false, italic = false;
    Position pos{Position::Centre};
};

struct PictureWatermark {
    bool on = false;
    std::string file;
    double scale = 1.0;    // of the picture's own pixel size; must be above 0
    double opacity = 0.8;  // times the picture's own alpha; held to 0..1 when drawing
    Position pos{Position::TopRight};
};

struct Decorations {
    std::string borderFile;  // a PNG stretched over the whole canvas; empty: no border
    PictureWatermark picture;
    TextWatermark text;

    bool borderOn() const { return !borderFile.empty(); }
    bool pictureOn() const { return picture.on && !picture.file.empty(); }
    bool textOn() const { return text.on && !text.text.empty(); }
    bool any() const { return borderOn() || pictureOn() || textOn(); }
};

// Draws the chosen layers onto the canvas. With nothing chosen, or an empty canvas, the canvas is
// not touched. A layer that cannot be drawn (a missing or undecodable file, an invalid size or
// scale) is left out while the others are drawn; then the result is false and `error` (when
// given) holds one Chinese line per layer left out, separated by "\n". Safe to call from several
// threads at once.
bool Decorate(Canvas& canvas, const Decorations& decorations, std::string* error = nullptr);

// Sizes in canvas pixels, for the preview's markers and hit tests. False when the layer cannot be
// drawn (the reason goes to `error`).
bool WatermarkPictureSize(const PictureWatermark& picture, int& width, int& height, std::string* error = nullptr);
bool TextWatermarkSize(const TextWatermark& text, int& width, int& height, std::string* error = nullptr);

// Where a layer of w x h lands on a canvas of cw x ch (its top-left corner). `centreAnchored`:
// the custom fractions give the layer's centre (the picture) rather than its top-left (the text).
struct LayerPlace {
    int x = 0, y = 0;
};
LayerPlace PlaceLayer(const Position& pos, bool centreAnchored, int cw, int ch, int w, int h);
// The margin of the named positions: 2 % of the shorter side, rounded.
int DecorationMargin(int cw, int ch);

// The picture-scale scroll bar's value as a scale: v/20 for -20..0 (0 gives 0.05), v/5 above 10,
// v/10 otherwise.
double WatermarkScaleFromSlider(int v);

// Where the font size is clamped to when drawing.
inline constexpr int kMaxTextSizePt = 1000;

}  // namespace tavu
