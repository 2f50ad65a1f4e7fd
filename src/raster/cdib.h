// CDIB: the program's 24-bit raster bitmap. Plain memory, no dependencies.
//
// Pixel store layout (the effect operations below rely on it):
//   - 3 bytes per pixel in the order blue, green, red;
//   - row stride = width * 3 rounded up to a multiple of 4; the 0..3 bytes after a row's last
//     pixel are padding;
//   - rows stored bottom-up: the first stride bytes are the bottom row of the picture;
//   - byte index of column x in stored row r (r counted from the bottom): r * stride + 3 * x.
//
// Every pixel operation walks row by row and pixel by pixel. Padding bytes are never read as
// colour and never changed (only whole-row copies and Cls write them). A neighbour left of the
// first or right of the last column is that edge pixel itself.
//
// Errors are not thrown: a method that cannot do its work returns normally and leaves a record
// in LastError()/LastErrorText(); the state tells whether the object holds a bitmap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "raster/canvas.h"

namespace tavu {

class CDIB {
public:
    // empty: nothing made yet (or released); created: a bitmap exists; failed: the last Create
    // could not make a bitmap (the requested size is kept in Width/Height).
    enum class State { Empty, Created, Failed };

    // Raster codes of the block transfers (the values of the classic GDI codes).
    enum class Rop : uint32_t {
        SrcCopy = 0x00CC0020,    // dst = src
        SrcPaint = 0x00EE0086,   // dst = dst | src
        SrcAnd = 0x008800C6,     // dst = dst & src
        SrcInvert = 0x00660046,  // dst = dst ^ src
    };

    static constexpr int kErrCreateFailed = 825;
    static constexpr int kErrNotCreated = -1;
    static constexpr std::string_view kErrCreateFailedText =
        "DIB failed to create\r\nPlease restart your system and try again";
    static constexpr std::string_view kErrNotCreatedText = "DIB has to be created first";

    // Writable view straight over the pixel store (no copy): RGBSize bytes, bottom row first.
    struct PixelView {
        std::span<uint8_t> bytes;
        int stride = 0;
        uint8_t* row(int storedRow) const { return bytes.data() + size_t(storedRow) * size_t(stride); }
    };
    struct ConstPixelView {
        std::span<const uint8_t> bytes;
        int stride = 0;
        const uint8_t* row(int storedRow) const {
            return bytes.data() + size_t(storedRow) * size_t(stride);
        }
    };

    // Text box of the last PrintTxt, in picture coordinates (top-left origin).
    struct Rect {
        int left = 0, top = 0, right = 0, bottom = 0;
        bool operator==(const Rect&) const = default;
    };

    // Draws `utf8` for PrintTxt. `box` holds the part of the text rectangle that lies on the
    // bitmap, filled with the bitmap's current pixels (RGB, top row first). The text's rectangle
    // has its top-left corner at (originX, originY) in box coordinates (both <= 0 when the
    // rectangle starts left of or above the bitmap). The renderer draws the text left and top
    // aligned, breaking lines only at line breaks in the text, black on an opaque white background
    // behind the glyphs, clipped to the box; whatever it leaves in `box` goes back to the bitmap.
    using TextRenderer =
        std::function<void(Canvas& box, int originX, int originY, std::string_view utf8)>;

    CDIB() = default;
    CDIB(CDIB&&) noexcept = default;
    CDIB& operator=(CDIB&&) noexcept = default;
    CDIB(const CDIB&) = delete;
    CDIB& operator=(const CDIB&) = delete;

    // ---- Surface ------------------------------------------------------------------------------

    // Releases any bitmap, then makes a W x H bitmap cleared to black. A size that is not positive,
    // whose width * 3 or stride * height leaves the signed 32-bit range, or that cannot be
    // allocated leaves the object failed with error 825.
    void Create(int W, int H);
    // Copies the picture onto the bitmap, stretched over the whole bitmap (nearest pixel). With
    // fitSize the bitmap is first re-created at the picture's size. Without a bitmap this records
    // error -1 and copies nothing. Returns whether a bitmap holds the picture.
    bool Clone(const Canvas& pic, bool fitSize = true);
    // Copies the area of `src` whose top-left corner is (x, y) and whose size is the bitmap's onto
    // the whole bitmap. Bitmap pixels whose source lies outside `src` stay as they are.
    void CloneHDC(const Canvas& src, Rop rop, int x, int y);
    // Copies the whole bitmap 1 : 1 onto `dst` with its top-left corner at (atX, atY), clipped.
    void PaintTo(Canvas& dst, int atX, int atY, Rop rop = Rop::SrcCopy) const;
    // Copies the whole bitmap onto `dst` at (atX, atY), scaled by `ratio` percent (nearest pixel).
    void PaintZoom(Canvas& dst, int atX, int atY, double ratio, Rop rop = Rop::SrcCopy) const;
    // The painted size of PaintZoom: ratio * 0.01 * Width and Height, rounded half to even.
    int ZoomWidth(double ratio) const;
    int ZoomHeight(double ratio) const;
    // The picture as a canvas (RGB, top row first); empty without a bitmap.
    Canvas ToCanvas() const;
    // Sets every byte of the store, padding included, to 0. Nothing without a bitmap.
    void Cls();
    // Back to the empty state.
    void Release();

    State state() const { return state_; }
    bool HasBitmap() const { return state_ == State::Created; }
    int LastError() const { return errNumber_; }
    const std::string& LastErrorText() const { return errText_; }
    void ClearError();

    int RGBSize() const { return sizeImage_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }

    // The pixel view in place of mapping an array over the store; empty without a bitmap.
    PixelView MapArray();
    ConstPixelView MapArray() const;

    // One pixel in picture coordinates (x from the left, y from the top).
    Rgb PixelAt(int x, int y) const;
    void SetPixelAt(int x, int y, Rgb c);

    // ---- Geometric transforms -----------------------------------------------------------------

    // Quarter turn counter-clockwise; width and height change places.
    void RotatePic();
    // Quarter turn clockwise; width and height change places.
    void RotatePicClockwise();
    // Half turn.
    void FastRot();
    // Each row mirrored left to right.
    void FlipHorZ();
    // Row order reversed (top and bottom change places).
    void FlipVert();

    // ---- Colour operations --------------------------------------------------------------------

    // Per pixel: B = clamp(B + addBlue), G = clamp(G + addGreen), R = clamp(R + addRed).
    void ShiftColors(int addRed, int addGreen, int addBlue);
    // As ShiftColors, but pixels whose colour value (R + G * 256 + B * 65536) is exCol stay.
    void ShiftColorsEx(int addRed, int addGreen, int addBlue, int exCol);
    // 1: (B, G, R) -> (G, R, B); 2: -> (R, B, G); 3: blue and red swap; else nothing.
    void ExchangeRGB(int oper);
    // B = G = R = (B + G + R) / 3.
    void Greyscale();
    // ShiftColors(bValue, bValue, bValue).
    void Brightness(int bValue);
    // Every channel becomes 255 - value.
    void InvertColors();
    // Channels whose flag is false become 0.
    void FilterOutColors(bool red, bool green, bool blue);
    // Black when (B + G + R) / 3 < threshold, otherwise white.
    void Monochrome(uint8_t threshold);

    static constexpr uint8_t ClampByte(int v) { return uint8_t(std::clamp(v, 0, 255)); }

    // ---- Filters and blending -----------------------------------------------------------------

    // Each channel becomes clamp(embFactor + value - neighbour), the neighbour being the pixel to
    // the right or, with `extended`, the one above and to the right; with useGreyscale the three
    // clamped values are averaged into all channels. With `extended` the top row stays.
    void MakeEmboss(int embFactor, bool extended, bool useGreyscale);
    // Blackens stored rows 0, step, 2 * step, ... with step = 100 / percent rounded half to even.
    // Percent 0 and percent 200 or more (a step of 0) do nothing.
    void ScanLines(uint8_t percent);
    // (up + left + right + down + 2 * centre) / 6 on every row but the top and bottom ones.
    void FastBlur();
    // Weighted mean of the centre and the neighbours selected by `format` (bit 0..7 = up-left,
    // up, up-right, left, right, down-left, down, down-right) on every row but the top and bottom
    // ones. format 0, strength 0 or strength above 100 do nothing.
    void DynamicBlur(uint8_t format, uint8_t strength);
    // clamp(2 * value - up-right neighbour), every row but the top one.
    void Sharpen();
    // Lays `other` with its top-left corner on pixel (atX, atY), clipped at the right and bottom
    // edges, and blends channel = (this * (100 - visibility) + other * visibility) / 100, skipping
    // pixels of `other` whose colour value is exCol. Does nothing unless 1 <= visibility <= 100,
    // 0 <= atX <= Width and 0 <= atY <= Height.
    void AlphaBlend(const CDIB& other, int atX, int atY, int visibility, int exCol);
    // Text box (x, y, x + 16 * characters, y + 50) becomes TextRect(); the renderer draws the text
    // into the part of the box on the bitmap. Characters are counted as UTF-16 units.
    void PrintTxt(std::string_view utf8, int x, int y, const TextRenderer& render);
    const Rect& TextRect() const { return rcText_; }

    // ---- Tone presets -------------------------------------------------------------------------

    void Flame();
    void Freeze(bool strong);
    void Brown();
    void Aqua();
    void NightShade();
    void PurpleStain();
    void Spooky();
    void Psycho();

private:
    uint8_t* row(int storedRow) { return bits_.get() + size_t(storedRow) * size_t(stride_); }
    const uint8_t* row(int storedRow) const {
        return bits_.get() + size_t(storedRow) * size_t(stride_);
    }
    void SetError(int number, std::string_view text);
    // Per-channel tables: B = lut[0][B], G = lut[1][G], R = lut[2][R].
    void ApplyChannelTables(const uint8_t (&lut)[3][256]);
    template <bool Clockwise>
    void QuarterTurn();

    State state_ = State::Empty;
    int width_ = 0, height_ = 0, stride_ = 0, sizeImage_ = 0;
    std::unique_ptr<uint8_t[]> bits_;
    Rect rcText_;
    int errNumber_ = 0;
    std::string errText_;
};

}  // namespace tavu
