#include <gtest/gtest.h>

#include <vips/vips8>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include "imageio/jpegsegments.h"
#include "imageio/sizesearch.h"
#include "imageio/testimages.h"
#include "imageio/vipsinit.h"

using namespace tavu;
using namespace tavu::test;

namespace {

// A picture with detail everywhere (gradients and noise), so that its JPEG size depends strongly
// on the quality, as a photo's does.
Canvas Detailed(int w, int h, unsigned seed = 7) {
    Canvas c(w, h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-40, 40);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto clamp = [](int v) { return uint8_t(std::clamp(v, 0, 255)); };
            c.setPixel(x, y, {clamp(x * 255 / w + noise(rng)), clamp(y * 255 / h + noise(rng)),
                              clamp(128 + ((x / 8 + y / 8) % 2) * 60 + noise(rng))});
        }
    return c;
}

Canvas Decode(const std::vector<uint8_t>& jpeg) {
    EnsureImageIO();
    vips::VImage img = vips::VImage::new_from_buffer(jpeg.data(), jpeg.size(), "",
                                                     vips::VImage::option()->set("fail", true));
    img = img.copy_memory();
    Canvas c(img.width(), img.height());
    size_t n = 0;
    void* mem = img.write_to_memory(&n);
    std::memcpy(c.data(), mem, std::min(n, c.byteSize()));
    g_free(mem);
    return c;
}

size_t EncodedSize(const Canvas& c, int q, bool subOff) {
    std::vector<uint8_t> b;
    EXPECT_TRUE(EncodeJpegToMemory(c, q, subOff, 0, b));
    return b.size();
}

JpegSizeOptions Range(std::optional<int> minKB, std::optional<int> maxKB, int quality = 100) {
    return MakeJpegSizeOptions(SizeTarget{minKB, maxKB}, quality, true, false, 0);
}

}  // namespace

TEST(JpegSegments, CommentPaddingKeepsThePictureAndSplitsLongPads) {
    const Canvas c = Detailed(64, 48);
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpegToMemory(c, 80, false, 0, jpeg));
    for (int withJfif = 0; withJfif < 2; ++withJfif) {
        if (withJfif) ASSERT_TRUE(SetJfifDensity(jpeg, 72));
        const Canvas before = Decode(jpeg);
        for (size_t extra : {size_t(4), size_t(5), size_t(1000), size_t(65537), size_t(65540), size_t(200000)}) {
            std::vector<uint8_t> padded = jpeg;
            ASSERT_TRUE(PadWithComments(padded, extra)) << extra;
            EXPECT_EQ(padded.size(), jpeg.size() + extra);
            // Every COM segment right after the header, none longer than a segment can be.
            size_t at = padded[3] == 0xE0 ? 2 + 2 + ((size_t(padded[4]) << 8) | padded[5]) : 2;
            size_t seen = 0;
            while (padded[at] == 0xFF && padded[at + 1] == 0xFE) {
                const size_t len = (size_t(padded[at + 2]) << 8) | padded[at + 3];
                EXPECT_LE(len - 2, kMaxSegmentPayload);
                seen += len + 2;
                at += len + 2;
            }
            EXPECT_EQ(seen, extra);
            // The file ends in EOI: nothing trails the picture.
            EXPECT_EQ(padded[padded.size() - 2], 0xFF);
            EXPECT_EQ(padded[padded.size() - 1], 0xD9);
            const Canvas after = Decode(padded);
            ASSERT_EQ(after.byteSize(), before.byteSize());
            EXPECT_EQ(std::memcmp(after.data(), before.data(), before.byteSize()), 0) << extra;
            if (withJfif) EXPECT_EQ(ReadJfifDpi(padded), 72);
        }
    }
    std::vector<uint8_t> small = jpeg;
    EXPECT_FALSE(PadWithComments(small, 3));
    EXPECT_EQ(small, jpeg);
    std::vector<uint8_t> notJpeg{1, 2, 3, 4, 5};
    EXPECT_FALSE(PadWithComments(notJpeg, 10));
}

TEST(JpegSegments, DensityInDotsPerInch) {
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpegToMemory(Detailed(32, 32), 80, false, 300, jpeg));
    EXPECT_EQ(ReadJfifDpi(jpeg), 300);
    ASSERT_TRUE(SetJfifDensity(jpeg, 350));
    EXPECT_EQ(ReadJfifDpi(jpeg), 350);
    EXPECT_NEAR(vips::VImage::new_from_buffer(jpeg.data(), jpeg.size(), "").xres() * 25.4, 350, 0.01);
    // A file without JFIF segment gets one.
    std::vector<uint8_t> bare{0xFF, 0xD8};
    bare.insert(bare.end(), jpeg.begin() + 2 + 2 + ((jpeg[4] << 8) | jpeg[5]), jpeg.end());
    EXPECT_EQ(ReadJfifDpi(bare), 0);
    ASSERT_TRUE(SetJfifDensity(bare, 96));
    EXPECT_EQ(ReadJfifDpi(bare), 96);
    Decode(bare);
}

TEST(SizeSearch, HighestQualityUnderTheUpperBound) {
    const Canvas c = Detailed(300, 400);
    const size_t at100 = EncodedSize(c, 100, false), at20 = EncodedSize(c, 20, false);
    ASSERT_GT(at100, at20 * 2);
    const int maxKB = int((at100 + at20) / 2 / 1024);
    const JpegSizeResult r = FindJpegForSize(c, Range(std::nullopt, maxKB));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_LE(r.bytes.size(), size_t(maxKB) * 1024);
    EXPECT_GT(EncodedSize(c, r.quality + 1, r.subsamplingOff), size_t(maxKB) * 1024);
    EXPECT_EQ(r.bytes.size(), EncodedSize(c, r.quality, r.subsamplingOff));
    EXPECT_LE(r.encodes, 8);
    EXPECT_FALSE(r.padded);
    EXPECT_EQ(r.width, 300);
    EXPECT_EQ(r.height, 400);

    // The user's quality is the ceiling: a loose bound keeps it, in one encode.
    const JpegSizeResult loose = FindJpegForSize(c, Range(std::nullopt, 100000, 75));
    EXPECT_EQ(loose.quality, 75);
    EXPECT_EQ(loose.encodes, 1);
}

TEST(SizeSearch, LowerBoundRaisesQualityThenPads) {
    const Canvas c = Detailed(120, 90);
    const size_t at100 = EncodedSize(c, 100, true);
    // Reachable by raising the quality from 50.
    const int reachable = int(EncodedSize(c, 95, true) / 1024);
    JpegSizeResult r = FindJpegForSize(c, Range(reachable, reachable + 200, 50));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GT(r.quality, 50);
    EXPECT_GE(r.bytes.size(), size_t(reachable) * 1024);
    EXPECT_FALSE(r.padded);

    // Out of reach: padded with comments to the bound, at quality 100.
    const int far = int(at100 / 1024) + 40;
    r = FindJpegForSize(c, Range(far, far + 10, 80));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.padded);
    EXPECT_EQ(r.quality, 100);
    EXPECT_GE(r.bytes.size(), size_t(far) * 1024);
    EXPECT_LE(r.bytes.size(), size_t(far + 10) * 1024);
    EXPECT_LE(r.encodes, 8);
    Decode(r.bytes);

    // Padding switched off: a failure, no bytes.
    JpegSizeOptions noPad = Range(far, far + 10, 80);
    noPad.pad = false;
    r = FindJpegForSize(c, noPad);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(r.error, CannotReachMinText(far));
}

TEST(SizeSearch, TooBigAtQualityOneFailsOrShrinksWhenThePixelSizeIsFree) {
    const Canvas c = Detailed(800, 600);
    const size_t at1 = EncodedSize(c, 1, false);
    const int maxKB = int(at1 / 1024 / 3);
    ASSERT_GT(maxKB, 0);
    JpegSizeResult r = FindJpegForSize(c, Range(std::nullopt, maxKB));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "无法压缩到 " + std::to_string(maxKB) + " KB 以内");
    EXPECT_TRUE(r.bytes.empty());

    JpegSizeOptions free = Range(std::nullopt, maxKB);
    free.pixelSizeFree = true;
    r = FindJpegForSize(c, free);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.scaled);
    EXPECT_LT(r.width, 800);
    EXPECT_NEAR(double(r.width) / r.height, 800.0 / 600.0, 0.02);
    EXPECT_LE(r.bytes.size(), size_t(maxKB) * 1024);
    const Canvas d = Decode(r.bytes);
    EXPECT_EQ(d.width(), r.width);
}

TEST(SizeSearch, RangeTheWrongWayRoundIsRefused) {
    const JpegSizeResult r = FindJpegForSize(Detailed(40, 40), Range(50, 20));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}
