// Phone formats in: HEIC, AVIF and WebP sources are listed, drawn upright (HEIF's rotation box,
// WebP's EXIF orientation) through the same render step as the preview and the batch, decoded at
// a reduced scale where the decoder can, and saved as JPEG where their format cannot be written.
// Content that is none of the formats taken is refused, whatever the file is called.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/batchrun.h"
#include "batch/picname.h"
#include "imageio/phonepictures.h"
#include "imageio/render.h"

using namespace tavu;
using namespace tavu::test;

namespace {

// Stored 120 x 80: the left half red, the right half blue. Turned by orientation 6 (a quarter
// clockwise) it stands 80 x 120, red on top.
Rgb Halves(int x, int) { return x < 60 ? Rgb{220, 20, 20} : Rgb{20, 20, 220}; }

struct Source {
    std::string path;
    bool writtenAsJpeg;  // the kept format cannot be written
};

// HEIC and AVIF through libheif (skipped where the encoder is missing), turned by HEIF's rotation
// box and, as phones write them, also saying so in their EXIF block (which must not turn them a
// second time); WebP and JPEG turned by EXIF alone.
std::vector<Source> MakeTurnedSources(const TempDir& t, std::vector<std::string>& skipped) {
    std::vector<Source> s;
    const std::vector<uint8_t> exif6 = MakeExif({.orientation = 6});
    if (WriteHeif(t.file("phone.HEIC"), 120, 80, Halves, false, 6, exif6)) s.push_back({t.file("phone.HEIC"), true});
    else skipped.push_back("HEIC");
    if (WriteHeif(t.file("phone.avif"), 120, 80, Halves, true, 6, exif6)) s.push_back({t.file("phone.avif"), true});
    else skipped.push_back("AVIF");
    WriteWithExif(t.file("app.webp"), 120, 80, Halves, exif6);
    s.push_back({t.file("app.webp"), false});
    WriteWithExif(t.file("camera.jpg"), 120, 80, Halves, exif6);
    s.push_back({t.file("camera.jpg"), false});
    return s;
}

void ExpectRedOverBlue(const Canvas& c, const std::string& what) {
    ASSERT_EQ(c.width(), 80) << what;
    ASSERT_EQ(c.height(), 120) << what;
    const Mean top = MeanColour(c, 10, 10, 60, 40), bottom = MeanColour(c, 10, 70, 60, 40);
    EXPECT_GT(top.r, 150) << what;
    EXPECT_LT(top.b, 90) << what;
    EXPECT_GT(bottom.b, 150) << what;
    EXPECT_LT(bottom.r, 90) << what;
}

}  // namespace

TEST(PhoneFormats, NamesAreTakenInAnyCase) {
    for (const char* name : {"a.heic", "B.HEIC", "c.heif", "d.HeIf", "e.avif", "f.AVIF", "g.webp", "/x/h.WebP"})
        EXPECT_TRUE(IsPicName(name)) << name;
    for (const char* name : {"aheic", "b.heic.txt", "c.avi", "d.web", "e.webm"}) EXPECT_FALSE(IsPicName(name)) << name;
}

TEST(PhoneFormats, TurnedUprightInThePreviewAndTheBatchAndSavedAsJpegWhereNeeded) {
    TempDir t;
    std::vector<std::string> skipped;
    const std::vector<Source> sources = MakeTurnedSources(t, skipped);
    for (const std::string& s : skipped) std::cout << "[  NOTE    ] no " << s << " encoder here: that source is left out\n";

    RenderSettings original;
    original.sizeMode = kSizeOriginal;
    std::vector<std::string> entries;
    bool anyAsJpeg = false;
    for (const Source& s : sources) {
        int w = 0, h = 0;
        ASSERT_TRUE(ReadPictureSize(s.path, w, h)) << s.path;
        EXPECT_EQ(w, 80) << s.path;
        EXPECT_EQ(h, 120) << s.path;
        Canvas c;
        ASSERT_TRUE(RenderPicture(c, s.path, original).ok()) << s.path;
        ExpectRedOverBlue(c, s.path);
        entries.push_back(s.path);
        anyAsJpeg = anyAsJpeg || s.writtenAsJpeg;
    }

    BatchOptions o;
    o.render = original;
    o.format = kKeepFormatChoice;
    o.naming.outDir = t.mkdir("out");
    o.quality = 92;
    BatchRunner r;
    const Completion c = r.run(entries, o);
    EXPECT_EQ(c.written, entries.size()) << c.errorText;
    EXPECT_EQ(c.formatNotice, anyAsJpeg ? std::string(kNoticeSavedAsJpeg) : std::string());
    if (anyAsJpeg) EXPECT_NE(c.resultTip.find(kNoticeSavedAsJpeg), std::string::npos);
    for (const Source& s : sources) {
        const std::string stem = std::filesystem::path(s.path).stem().string();
        const std::string ext = s.writtenAsJpeg ? "jpg" : std::filesystem::path(s.path).extension().string().substr(1);
        const std::string result = o.naming.outDir + "/" + stem + "." + ext;
        ASSERT_TRUE(std::filesystem::exists(result)) << result;
        EXPECT_EQ(LoaderOf(result), s.writtenAsJpeg ? "VipsForeignLoadJpegFile" : LoaderOf(s.path)) << result;
        // The result is upright and carries no orientation of its own.
        ExpectRedOverBlue(ReadCanvas(result), result);
        EXPECT_EQ(HeaderInt(result, "orientation", 1), 1) << result;
    }
}

TEST(PhoneFormats, WebpIsDecodedAtAReducedScaleAndStillLooksRight) {
    TempDir t;
    const std::string webp = t.file("big.webp");
    WritePicture(webp, 1600, 1200, [](int x, int y) { return Rgb{uint8_t(x * 255 / 1600), uint8_t(y * 255 / 1200), 60}; },
                 "[Q=95]");
    DrawParams small, full;
    small.width = 200;
    full.sizeMode = kSizeOriginal;
    // At width 200 the decoder delivers an eighth: far less than the full picture in memory.
    EXPECT_LT(DrawMemoryNeeded(webp, small) * 10, DrawMemoryNeeded(webp, full));
    Canvas c;
    ASSERT_TRUE(DrawPicFile(c, webp, small).ok());
    ASSERT_EQ(c.width(), 200);
    ASSERT_EQ(c.height(), 150);
    // The gradient lands where it belongs: nothing shifted by the reduced decode.
    const Mean left = MeanColour(c, 5, 70, 10, 10), right = MeanColour(c, 185, 70, 10, 10);
    EXPECT_NEAR(left.r, 255.0 * 10 / 200, 12);
    EXPECT_NEAR(right.r, 255.0 * 190 / 200, 12);
    EXPECT_NEAR(MeanColour(c, 95, 140, 10, 5).g, 255.0 * 142 / 150, 12);
}

TEST(PhoneFormats, OtherContentNamedJpgIsRefusedWithAFailureLine) {
    TempDir t;
    const std::string pdf = t.file("document.jpg"), svg = t.file("drawing.jpg"), pcx = t.file("old.jpg");
    const std::string pdfText =
        "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
        "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 72 72]>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
    WriteBytes(pdf, std::vector<uint8_t>(pdfText.begin(), pdfText.end()));
    const std::string svgText =
        "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\">"
        "<rect width=\"40\" height=\"30\" fill=\"red\"/></svg>";
    WriteBytes(svg, std::vector<uint8_t>(svgText.begin(), svgText.end()));
    // A 4 x 2 PCX (ZSoft, 8 bits, 3 planes, run-length coded) as old scanners wrote them.
    std::vector<uint8_t> pcxBytes(128, 0);
    pcxBytes[0] = 0x0A, pcxBytes[1] = 5, pcxBytes[2] = 1, pcxBytes[3] = 8;
    pcxBytes[8] = 3, pcxBytes[10] = 1;  // Xmax 3, Ymax 1
    pcxBytes[65] = 3, pcxBytes[66] = 4;  // 3 planes, 4 bytes per line
    for (int row = 0; row < 2 * 3; ++row) pcxBytes.insert(pcxBytes.end(), {0xC4, 0x80});
    WriteBytes(pcx, pcxBytes);

    BatchOptions o;
    o.render.widthText = "20";
    o.format = "png";
    o.naming.outDir = t.mkdir("out");
    BatchRunner r;
    const Completion c = r.run({pdf, svg, pcx}, o);
    EXPECT_EQ(c.written, 0u);
    EXPECT_EQ(c.failed, 3u);
    for (const std::string& f : {pdf, svg, pcx}) {
        const size_t at = c.errorText.find(f);
        ASSERT_NE(at, std::string::npos) << f << "\n" << c.errorText;
        const std::string line = c.errorText.substr(at, c.errorText.find('\n', at) - at);
        EXPECT_NE(line.find("文件内容不是"), std::string::npos) << line;
        int w, h;
        EXPECT_FALSE(ReadPictureSize(f, w, h)) << f;
    }
    EXPECT_TRUE(ListFolder(o.naming.outDir).empty());
}
