#include <gtest/gtest.h>

#include <vips/vips8>

#include <array>
#include <cstring>

#include "batch/picturerender.h"
#include "imageio/decorate.h"
#include "imageio/testimages.h"
#include "imageio/vipsinit.h"

using namespace tavu;
using namespace tavu::test;

namespace {

using Rgba = std::array<uint8_t, 4>;

void WriteRgba(const std::string& path, int w, int h, const std::function<Rgba(int, int)>& f) {
    EnsureImageIO();
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) std::memcpy(&px[(size_t(y) * w + x) * 4], f(x, y).data(), 4);
    vips::VImage::new_from_memory(px.data(), px.size(), w, h, 4, VIPS_FORMAT_UCHAR).write_to_file(path.c_str());
}

// The bounding box and count of the pixels where `after` differs from `before`.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, count = 0;
};
Box Changed(const Canvas& before, const Canvas& after) {
    Box b;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y)) {
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
                ++b.count;
            }
    return b;
}

bool SameBytes(const Canvas& a, const Canvas& b) {
    return a.width() == b.width() && a.height() == b.height() && std::memcmp(a.data(), b.data(), a.byteSize()) == 0;
}

Canvas Decorated(const Canvas& before, const Decorations& d, std::string* error = nullptr) {
    Canvas c = before.clone();
    const bool ok = Decorate(c, d, error);
    EXPECT_TRUE(ok || error) << "unexpected failure";
    return c;
}

Decorations WithPicture(const std::string& file, Position pos, double opacity = 1, double scale = 1) {
    Decorations d;
    d.picture = {true, file, scale, opacity, pos};
    return d;
}

Decorations WithText(const std::string& s, int size, Position pos) {
    Decorations d;
    d.text.on = true;
    d.text.text = s;
    d.text.sizePt = size;
    d.text.pos = pos;
    return d;
}

}  // namespace

TEST(DecorateLayers, EachAtEveryNamedPositionAndNowhereElse) {
    TempDir t;
    WriteRgba(t.file("wm.png"), 40, 20, [](int, int) { return Rgba{255, 0, 0, 255}; });
    const Canvas before(400, 300, {255, 255, 255});
    int tw = 0, th = 0;
    ASSERT_TRUE(TextWatermarkSize(WithText("Tavu 水印", 16, {}).text, tw, th));
    EXPECT_NEAR(th, 16 * 96 / 72, 6);  // points for a 96-dpi view
    // Top-left corners on a 400 x 300 canvas: the margin is 2 % of 300.
    auto expected = [](Position::Named n, int w, int h) {
        const int xs[] = {394 - w, 6, 6, 394 - w, (400 - w) / 2}, ys[] = {294 - h, 294 - h, 6, 6, (300 - h) / 2};
        return std::make_pair(xs[n], ys[n]);
    };
    for (Position::Named n : {Position::BottomRight, Position::BottomLeft, Position::TopLeft, Position::TopRight,
                              Position::Centre}) {
        Box b = Changed(before, Decorated(before, WithPicture(t.file("wm.png"), {n})));
        auto [x, y] = expected(n, 40, 20);
        EXPECT_EQ(b.count, 40 * 20) << n;
        EXPECT_EQ(std::make_tuple(b.x0, b.y0, b.x1, b.y1), std::make_tuple(x, y, x + 39, y + 19)) << n;

        b = Changed(before, Decorated(before, WithText("Tavu 水印", 16, {n})));
        std::tie(x, y) = expected(n, tw, th);
        EXPECT_NEAR(b.x0, x, 1) << n;
        EXPECT_NEAR(b.y0, y, 1) << n;
        EXPECT_NEAR(b.x1, x + tw - 1, 1) << n;
        EXPECT_NEAR(b.y1, y + th - 1, 1) << n;
    }
}

TEST(DecorateLayers, CustomPositionsAnchorTextAtItsTopLeftAndThePictureAtItsCentre) {
    TempDir t;
    WriteRgba(t.file("wm.png"), 40, 20, [](int, int) { return Rgba{255, 0, 0, 255}; });
    const Canvas before(400, 300, {255, 255, 255});
    Box b = Changed(before, Decorated(before, WithPicture(t.file("wm.png"), {Position::Custom, 0.25, 0.75})));
    EXPECT_EQ(std::make_pair(b.x0, b.y0), std::make_pair(80, 215));
    b = Changed(before, Decorated(before, WithText("Tavu", 16, {Position::Custom, 0.5, 0.25})));
    EXPECT_NEAR(b.x0, 200, 1);
    EXPECT_NEAR(b.y0, 75, 1);
    // (0, 0) is "not placed yet": the text centred, the picture top-right, as the switches choose.
    EXPECT_EQ(PlaceLayer({Position::Custom, 0, 0}, false, 800, 600, 100, 50).x, 350);
    EXPECT_EQ(PlaceLayer({Position::Custom, 0, 0}, true, 800, 600, 100, 50).x, 688);
    EXPECT_EQ(PlaceLayer({Position::Custom, 0, 0.5}, false, 800, 600, 100, 50).x, 0);
    // Over the edge only the part on the canvas lands; wholly off it, nothing.
    b = Changed(before, Decorated(before, WithPicture(t.file("wm.png"), {Position::Custom, 1, 1})));
    EXPECT_EQ(std::make_tuple(b.x0, b.y0, b.count), std::make_tuple(380, 290, 20 * 10));
    EXPECT_TRUE(SameBytes(before, Decorated(before, WithPicture(t.file("wm.png"), {Position::Custom, 3, 3}))));
}

TEST(DecoratePicture, ScaleOpacityAndItsOwnAlpha) {
    EXPECT_DOUBLE_EQ(WatermarkScaleFromSlider(0), 0.05);
    EXPECT_DOUBLE_EQ(WatermarkScaleFromSlider(10), 1.0);
    EXPECT_DOUBLE_EQ(WatermarkScaleFromSlider(11), 2.2);
    EXPECT_DOUBLE_EQ(WatermarkScaleFromSlider(-10), -0.5);
    EXPECT_DOUBLE_EQ(WatermarkScaleFromSlider(-21), -2.1);

    TempDir t;
    // Left half opaque red, right half red at half alpha.
    WriteRgba(t.file("wm.png"), 40, 20, [](int x, int) { return Rgba{255, 0, 0, uint8_t(x < 20 ? 255 : 128)}; });
    const Canvas black(400, 300, {0, 0, 0});
    const Position centre{Position::Custom, 0.5, 0.5};
    Canvas c = Decorated(black, WithPicture(t.file("wm.png"), centre, 1, 2.5));
    const Box b = Changed(black, c);
    EXPECT_EQ(std::make_tuple(b.x0, b.y0, b.x1, b.y1), std::make_tuple(150, 125, 249, 174));  // 100 x 50
    EXPECT_EQ(c.pixel(170, 150).r, 255);
    EXPECT_NEAR(c.pixel(230, 150).r, 128, 1);

    c = Decorated(black, WithPicture(t.file("wm.png"), centre, 0.5));
    EXPECT_NEAR(c.pixel(185, 150).r, 128, 1);
    EXPECT_NEAR(c.pixel(215, 150).r, 64, 1);  // opacity times its own alpha
    EXPECT_EQ(Decorated(black, WithPicture(t.file("wm.png"), centre, 1.5)).pixel(185, 150).r, 255);
    for (double none : {0.0, -0.2}) EXPECT_TRUE(SameBytes(black, Decorated(black, WithPicture(t.file("wm.png"), centre, none))));

    // A camera-sized picture drawn small.
    WritePicture(t.file("big.jpg"), 4000, 3000, [](int x, int) { return x < 2000 ? Rgb{0, 0, 255} : Rgb{255, 255, 0}; });
    const Decorations big = WithPicture(t.file("big.jpg"), {Position::TopLeft}, 1, 0.05);
    int w = 0, h = 0;
    ASSERT_TRUE(WatermarkPictureSize(big.picture, w, h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(200, 150));
    c = Decorated(black, big);
    EXPECT_EQ(Changed(black, c).count, 200 * 150);
    EXPECT_GT(c.pixel(56, 81).b, 200);
    EXPECT_GT(c.pixel(156, 81).g, 200);
}

TEST(DecoratePicture, GreyPicturesStayGrey) {
    TempDir t;
    EnsureImageIO();
    const vips::VImage grey = vips::VImage::black(40, 20) + 200;
    grey.cast(VIPS_FORMAT_UCHAR).write_to_file(t.file("grey.png").c_str());
    grey.cast(VIPS_FORMAT_UCHAR).bandjoin_const({128}).write_to_file(t.file("greyalpha.png").c_str());
    const Canvas black(400, 300, {0, 0, 0});
    const Position centre{Position::Custom, 0.5, 0.5};
    EXPECT_EQ(Decorated(black, WithPicture(t.file("grey.png"), centre)).pixel(200, 150), (Rgb{200, 200, 200}));
    const Rgb half = Decorated(black, WithPicture(t.file("greyalpha.png"), centre)).pixel(200, 150);
    EXPECT_NEAR(half.r, 100, 1);
    EXPECT_EQ(half.r, half.g);
    EXPECT_EQ(half.r, half.b);
    Decorations d;
    d.borderFile = t.file("grey.png");
    EXPECT_EQ(Decorated(black, d).pixel(3, 3), (Rgb{200, 200, 200})) << "as a border";
}

TEST(DecorateBorder, StretchedOverTheCanvasWithItsAlpha) {
    TempDir t;
    // 120 x 90: a 10-pixel opaque blue band, a half-transparent white band inside it, clear centre.
    WriteRgba(t.file("frame.png"), 120, 90, [](int x, int y) {
        const int edge = std::min({x, y, 119 - x, 89 - y});
        return edge < 10 ? Rgba{0, 0, 255, 255} : edge < 20 ? Rgba{255, 255, 255, 128} : Rgba{9, 9, 9, 0};
    });
    const Canvas black(240, 180, {0, 0, 0});
    Decorations d;
    d.borderFile = t.file("frame.png");
    const Canvas c = Decorated(black, d);
    EXPECT_EQ(c.pixel(5, 5), (Rgb{0, 0, 255}));
    EXPECT_EQ(c.pixel(234, 174), (Rgb{0, 0, 255}));
    EXPECT_EQ(c.pixel(120, 8), (Rgb{0, 0, 255}));  // twice as thick: 20 pixels
    EXPECT_NEAR(c.pixel(120, 30).r, 128, 2);         // the half-transparent band
    EXPECT_EQ(c.pixel(120, 90), (Rgb{0, 0, 0}));     // the centre shows the picture
    EXPECT_EQ(c.pixel(50, 50), (Rgb{0, 0, 0}));
}

TEST(DecorateText, ChineseColourStylesAndMarkupCharacters) {
    // "一" is one flat stroke; a missing-glyph box would be as tall as it is wide. The default
    // font "宋体" does not exist here.
    int w = 0, h = 0;
    ASSERT_TRUE(TextWatermarkSize(WithText("一", 48, {}).text, w, h));
    EXPECT_GT(w, 30);
    EXPECT_LT(h * 3, w);

    // Red is the low byte of the colour; full coverage gives the colour exactly.
    const Canvas black(300, 100, {0, 0, 0});
    Decorations d = WithText("照片压缩水印", 24, {Position::TopLeft});
    d.text.color = 0x0000FF;
    Canvas c = Decorated(black, d);
    int red = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x) red += c.pixel(x, y) == Rgb{255, 0, 0};
    EXPECT_GT(red, 200);
    EXPECT_LT(Changed(black, c).y1, 50);

    // Bold puts down more ink; underline adds a line below the letters.
    auto ink = [](const Decorations& dd) {
        const Canvas k = Decorated(Canvas(400, 120, {0, 0, 0}), dd);
        long sum = 0;
        for (size_t i = 0; i < k.byteSize(); ++i) sum += k.data()[i];
        return sum;
    };
    Decorations plain = WithText("Tavu 水印", 30, {Position::TopLeft}), bold = plain, under = plain;
    plain.text.color = bold.text.color = 0xFFFFFF;
    bold.text.bold = true;
    under.text.underline = true;
    EXPECT_GT(ink(bold), ink(plain) * 11 / 10);
    int ph = 0, uh = 0;
    ASSERT_TRUE(TextWatermarkSize(plain.text, w, ph));
    ASSERT_TRUE(TextWatermarkSize(under.text, w, uh));
    EXPECT_GT(uh, ph);

    // Markup characters are text, not markup.
    int aw = 0, mw = 0;
    ASSERT_TRUE(TextWatermarkSize(WithText("<&>", 9, {}).text, aw, h));
    EXPECT_GT(aw, 20);
    ASSERT_TRUE(TextWatermarkSize(WithText("<b>x</b> & \"y\" 'z'", 9, {}).text, mw, h));
    EXPECT_GT(mw, aw * 3);
    // Odd font names and invalid UTF-8 still draw; blank text draws nothing.
    d = WithText("a\xff\xfe" "b", 9, {});
    d.text.font = "Foo\"Bar<&>, Bold 12";
    EXPECT_TRUE(Decorate(c, d));
    for (const char* blank : {"  \n ", "\u3000"}) EXPECT_TRUE(SameBytes(black, Decorated(black, WithText(blank, 9, {}))));
}

TEST(DecorateLayers, OrderMissingFilesAndInvalidValues) {
    TempDir t;
    WriteRgba(t.file("green.png"), 10, 10, [](int, int) { return Rgba{0, 255, 0, 255}; });
    WriteRgba(t.file("red.png"), 200, 100, [](int, int) { return Rgba{255, 0, 0, 255}; });
    const Canvas white(400, 300, {255, 255, 255});
    Decorations d = WithPicture(t.file("red.png"), {Position::Centre});
    d.borderFile = t.file("green.png");  // opaque: covers everything
    d.text = WithText("■", 40, {Position::Centre}).text;
    Canvas c = Decorated(white, d);
    EXPECT_EQ(c.pixel(10, 10), (Rgb{0, 255, 0}));    // border
    EXPECT_EQ(c.pixel(110, 110), (Rgb{255, 0, 0}));  // the picture over it
    EXPECT_EQ(c.pixel(200, 150), (Rgb{0, 0, 0}));    // the text over both

    // A missing border and an undecodable picture are left out and reported; the text is drawn.
    WriteBytes(t.file("broken.png"), {0x89, 'P', 'N', 'G', 1, 2, 3, 4});
    d.borderFile = t.file("nothing.png");
    d.picture.file = t.file("broken.png");
    std::string error;
    c = white.clone();
    EXPECT_FALSE(Decorate(c, d, &error));
    EXPECT_NE(error.find("边框文件未找到: " + t.file("nothing.png") + "\n水印图片"), std::string::npos) << error;
    EXPECT_GT(Changed(white, c).x0, 150);  // only the text
    EXPECT_EQ(c.pixel(110, 110), (Rgb{255, 255, 255}));

    // Invalid sizes and scales are refused the same way.
    d = WithPicture(t.file("red.png"), {}, 1, -0.5);
    d.text = WithText("x", 0, {}).text;
    error.clear();
    c = white.clone();
    EXPECT_FALSE(Decorate(c, d, &error));
    EXPECT_TRUE(SameBytes(c, white));
    EXPECT_NE(error.find("缩放比例"), std::string::npos) << error;
    EXPECT_NE(error.find("文字大小"), std::string::npos) << error;
}

TEST(DecorateLayers, FilesRewrittenAtTheSamePathAreReadAgain) {
    // Layers made from files are kept for the next picture; a changed file must be read again.
    TempDir t;
    Decorations d = WithPicture(t.file("wm.png"), {Position::Centre});
    d.borderFile = t.file("frame.png");
    auto write = [&](uint8_t v, bool noisy) {
        WriteRgba(d.borderFile, 50, 50, [=](int x, int y) {
            return Rgba{0, uint8_t(noisy ? v ^ ((x * y) & 1) : v), 0, uint8_t(x < 5 ? 255 : 0)};
        });
        WriteRgba(d.picture.file, 20, 20, [=](int x, int y) {
            return Rgba{uint8_t(noisy ? v ^ ((x * 7 + y) & 1) : v), 0, 0, 255};
        });
    };
    const Canvas black(100, 100, {0, 0, 0});
    write(200, false);
    Canvas c = Decorated(black, d);
    EXPECT_EQ(c.pixel(2, 50).g, 200);
    EXPECT_EQ(c.pixel(50, 50).r, 200);
    write(100, true);
    c = Decorated(black, d);
    EXPECT_NEAR(c.pixel(2, 50).g, 100, 1);
    EXPECT_NEAR(c.pixel(50, 50).r, 100, 1);
}

TEST(DecorateRender, NothingChosenIsByteIdenticalAndDecorationFollowsTheTurn) {
    TempDir t;
    const std::string src = t.file("p.jpg");
    WritePicture(src, 640, 480, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x ^ y)}; });
    WriteRgba(t.file("wm.png"), 20, 20, [](int, int) { return Rgba{255, 0, 255, 255}; });

    DrawParams p;
    p.width = 320;
    Canvas plain, rendered;
    ASSERT_TRUE(DrawPicFile(plain, src, p).ok());
    // Switched-off layers with their settings filled in change nothing either.
    RenderSettings s;
    s.widthText = "320";
    s.decorations.picture.file = t.file("wm.png");
    s.decorations.text.text = "水印";
    std::string error = "stale";
    ASSERT_TRUE(RenderPicture(rendered, src, s, &error).ok());
    EXPECT_TRUE(SameBytes(plain, rendered));
    EXPECT_TRUE(error.empty());

    // Placed on the turned picture: the top-left of the result, which keeps the width limit of
    // 320 after the turn (margin 5).
    s.turn = kTurnClockwise;
    s.decorations.picture.on = true;
    s.decorations.picture.opacity = 1;
    s.decorations.picture.pos.named = Position::TopLeft;
    ASSERT_TRUE(RenderPicture(rendered, src, s).ok());
    ASSERT_EQ(rendered.width(), 320);
    EXPECT_GT(rendered.height(), 320);
    EXPECT_EQ(rendered.pixel(15, 15), (Rgb{255, 0, 255}));

    // A missing watermark leaves the picture drawn and says why.
    s.decorations.picture.file = t.file("gone.png");
    ASSERT_TRUE(RenderPicture(rendered, src, s, &error).ok());
    EXPECT_NE(error.find("gone.png"), std::string::npos);
}
