// The work canvas: the picture a render produces and a save writes. Plain memory, 8-bit RGB,
// top row first, rows packed (stride = 3 * width). An empty canvas (no picture) has no pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavu {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// The window background colour that shows wherever nothing is drawn.
inline constexpr Rgb kCanvasBackground{0xF0, 0xF0, 0xF0};

class Canvas {
public:
    using Deleter = void (*)(void*);

    Canvas() = default;
    Canvas(int width, int height, Rgb fill = kCanvasBackground);
    // Takes over a pixel store of width * height * 3 bytes that `release` frees.
    static Canvas Adopt(int width, int height, uint8_t* pixels, Deleter release);

    Canvas(Canvas&&) noexcept = default;
    Canvas& operator=(Canvas&&) noexcept = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    Canvas clone() const;

    bool empty() const { return width_ <= 0 || height_ <= 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    size_t stride() const { return size_t(width_) * 3; }
    size_t byteSize() const { return stride() * size_t(height_); }
    uint8_t* data() { return pixels_.get(); }
    const uint8_t* data() const { return pixels_.get(); }
    uint8_t* row(int y) { return data() + size_t(y) * stride(); }
    const uint8_t* row(int y) const { return data() + size_t(y) * stride(); }
    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb c);
    void clear();  // back to no picture

private:
    int width_ = 0, height_ = 0;
    static void FreeArray(void* p);
    std::unique_ptr<uint8_t, Deleter> pixels_{nullptr, &FreeArray};
};

// A 5 x 5 colour matrix in the row-vector layout: [r g b a 1] x M, values on the 0..1 scale.
// Row 4 holds the translations. Only the colour rows and columns act on a canvas (alpha is 1).
struct ColorMatrix {
    std::array<std::array<float, 5>, 5> m{};

    static ColorMatrix Identity();
    static ColorMatrix Gains(float red, float green, float blue);
    bool isIdentity() const;
};

// Applies the matrix to the pixels of the rectangle (clipped to the canvas): each channel is
// computed in floating point, then rounded half to even and clamped to 0..255.
void ApplyColorMatrix(Canvas& canvas, const ColorMatrix& cm, int x, int y, int w, int h);

}  // namespace tavu
