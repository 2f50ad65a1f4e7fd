// The estimate under the preview and the before/after window.
#include <QSlider>
#include <QTest>

#include "app/batchpanel.h"
#include "app/compareview.h"
#include "app/comparewindow.h"
#include "app/outputpanel.h"
#include "app/windowfixture.h"
#include "batch/savings.h"
#include "filelist/filelistpanel.h"

using namespace tavu;
using namespace tavu::test;

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

CompareWindow* OpenComparison() {
    CompareWindow* found = nullptr;
    WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<CompareWindow*>(w); c && c->isVisible() && c->isReady()) found = c;
        return found != nullptr;
    });
    return found;
}

int OpenComparisonCount() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CompareWindow*>(w) && w->isVisible()) ++n;
    return n;
}

void Photo(const std::string& path, int w, int h) {
    WritePicture(path, w, h, [](int x, int y) { return Rgb{uint8_t(x * 7), uint8_t(y * 3 + x), uint8_t((x * y) >> 3)}; },
                 "[Q=95]");
}
// A window whose output folder is "out", with a 640×480 photo in "in" and the width limit `width`.
struct PhotoWindow {
    Fixture f;
    std::unique_ptr<MainWindow> w;
    std::string in, out;
    explicit PhotoWindow(const char* width) {
        f.store.values["bAutoODir"] = "0";
        w = f.open();
        in = f.work.mkdir("in");
        out = f.work.mkdir("out");
        Photo(in + "/photo.jpg", 640, 480);
        f.prompts.folder = Q(out);
        w->output().cmdODir_Click();
        Ui(w.get()).txtW->setText(QString::fromLatin1(width));
    }
};
}  // namespace

TEST(Estimate, IsTheSizeOfTheFileTheRunThenWrites) {
    PhotoWindow p("320");
    const auto& [in, out, w] = std::tie(p.in, p.out, p.w);
    const Ui ui(w.get());
    for (const char* format : {"jpg", "png"}) {
        ui.cmbEncode->setCurrentText(QString::fromLatin1(format));
        w->files().cmdClr_Click();
        w->files().addPaths({Q(in + "/photo.jpg")}, true);
        ASSERT_TRUE(WaitFor([&] { return w->state().previewEstimate.ok && w->state().previewEstimate.extension == format; }))
            << format;
        const SaveEstimate e = w->state().previewEstimate;
        const QLabel* label = Find<QLabel>(w.get(), "lblEstimate");
        EXPECT_EQ(label->text(), Q(EstimateText(e)));
        EXPECT_TRUE(label->text().startsWith(QStringLiteral("原图 640×480 · "))) << label->text().toStdString();
        EXPECT_TRUE(label->text().contains(QStringLiteral("→ 320×240 · 约 "))) << label->text().toStdString();

        w->batchPanel().cmdDone_Click();
        ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
        EXPECT_EQ(ReadBytes(out + "/photo." + format).size(), e.bytes) << format;
    }
}

TEST(Compare, FromThePreviewShowsTheEncodedResultBesideTheSource) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    const std::string in = f.work.mkdir("in");
    Photo(in + "/photo.jpg", 640, 480);
    ui.txtW->setText(QStringLiteral("320"));
    ui.cmbEncode->setCurrentText(QStringLiteral("jpg"));
    w->files().addPaths({Q(in + "/photo.jpg")}, true);
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull(); }));

    // Double click on the preview opens it.
    QTest::mouseDClick(ui.imgM, Qt::LeftButton, {}, ui.imgM->rect().center());
    CompareWindow* cw = OpenComparison();
    ASSERT_NE(cw, nullptr);
    const QString title = cw->windowTitle();
    EXPECT_TRUE(title.startsWith(QStringLiteral("对比 - 原图 640×480 · "))) << title.toStdString();
    EXPECT_TRUE(title.contains(QStringLiteral("| 压缩后 320×240 · "))) << title.toStdString();

    CompareView* view = cw->view();
    EXPECT_TRUE(view->fitted());
    Find<QPushButton>(cw, "cmd100")->click();
    EXPECT_FALSE(view->fitted());
    EXPECT_DOUBLE_EQ(view->scale(), 1.0);
    const QPointF centred = view->origin();
    view->panBy({-100000, 0});  // a picture smaller than the view does not pan
    if (view->width() >= 320) EXPECT_EQ(view->origin(), centred);
    Find<QPushButton>(cw, "cmdFit")->click();
    EXPECT_TRUE(view->fitted());
    Find<QSlider>(cw, "sldSplit")->setValue(250);
    EXPECT_DOUBLE_EQ(view->split(), 0.25);

    QTest::keyClick(cw, Qt::Key_Escape);  // Esc closes (and the window goes)
    EXPECT_TRUE(WaitFor([&] { return OpenComparisonCount() == 0; }, 3000));
}

TEST(Compare, AResultOfTheRunIsDecodedFromItsFile) {
    TempDir dir;
    const std::string source = dir.file("photo.jpg"), result = dir.file("small.jpg");
    Photo(source, 640, 480);
    CompareJob preview;
    preview.source = source;
    preview.render.widthText = "320";
    BatchOptions o;
    o.format = "jpg";
    o.quality = 10;  // artefacts that must show
    preview.save = o;
    const Comparison c = MakeComparison(preview);
    ASSERT_TRUE(c.error.isEmpty()) << c.error.toStdString();
    ASSERT_EQ(c.before.size(), QSize(320, 240));
    ASSERT_EQ(c.after.size(), QSize(320, 240));
    EXPECT_NE(c.before, c.after);  // the right side is what the encoded file shows, not the render

    // A result written earlier: its own pixels and bytes.
    WritePicture(result, 160, 120, [](int, int) { return Rgb{10, 200, 30}; });
    CompareJob written;
    written.source = source;
    written.render = preview.render;
    written.result = result;
    const Comparison r = MakeComparison(written);
    ASSERT_TRUE(r.error.isEmpty());
    EXPECT_EQ(r.after.size(), QSize(160, 120));
    EXPECT_EQ(r.resultBytes, ReadBytes(result).size());
    EXPECT_TRUE(r.title.contains(QStringLiteral("压缩后 160×120 · ") + Q(ByteSizeText(r.resultBytes))));

    written.result = dir.file("missing.jpg");
    EXPECT_FALSE(MakeComparison(written).error.isEmpty());
}

TEST(Compare, FromAListEntryAfterARun) {
    PhotoWindow p("200");
    const auto& [in, out, w] = std::tie(p.in, p.out, p.w);
    const Ui ui(w.get());
    w->files().addPaths({Q(in + "/photo.jpg")}, true);
    QAction* entry = Find<QAction>(w.get(), "mCompareResult");
    emit w->files().compareRequested(in + "/photo.jpg");  // before a run there is nothing to compare
    EXPECT_EQ(OpenComparisonCount(), 0);

    w->batchPanel().cmdDone_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    ui.lstFile->setCurrentRow(0);
    entry->trigger();
    CompareWindow* cw = OpenComparison();
    ASSERT_NE(cw, nullptr);
    EXPECT_TRUE(cw->windowTitle().contains(QStringLiteral("压缩后 200×150 · ") +
                                           Q(ByteSizeText(ReadBytes(out + "/photo.jpg").size()))))
        << cw->windowTitle().toStdString();
    cw->close();
    EXPECT_TRUE(WaitFor([&] { return OpenComparisonCount() == 0; }, 3000));
}
