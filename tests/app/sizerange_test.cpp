// The "文件大小" and DPI boxes of "3.输出设置", the presets that fill them, the preview's size
// line, and the "智能" anchor of the options window.
#include <QSignalSpy>

#include "app/optionsdialog.h"
#include "app/windowstate.h"
#include "filelist/filelistpanel.h"
#include "app/windowfixture.h"
#include "batch/sizerules.h"

using namespace tavu;
using namespace tavu::test;

namespace {

struct SizeUi {
    explicit SizeUi(const QWidget* w)
        : chkSize(Find<QCheckBox>(w, "chkSize")),
          chkSizePad(Find<QCheckBox>(w, "chkSizePad")),
          txtMinKB(Find<QLineEdit>(w, "txtMinKB")),
          txtMaxKB(Find<QLineEdit>(w, "txtMaxKB")),
          txtDPI(Find<QLineEdit>(w, "txtDPI")),
          lblSizeInfo(Find<QLabel>(w, "lblSizeInfo")) {}
    QCheckBox *chkSize, *chkSizePad;
    QLineEdit *txtMinKB, *txtMaxKB, *txtDPI;
    QLabel* lblSizeInfo;
};

void WritePresets(Fixture& f) {
    const std::string ini = "考试 144×192;144;192;20;200;300\r\n800×600;800;600\r\n";
    WriteBytes(f.program.file("size.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
}

}  // namespace

TEST(SizeRange, PresetFillsTheBoxesAndTheRunUsesThem) {
    Fixture f;
    WritePresets(f);
    {
        auto w = f.open();
        const Ui ui(w.get());
        const SizeUi s(w.get());
        EXPECT_FALSE(s.chkSize->isChecked());
        EXPECT_TRUE(s.chkSizePad->isChecked());
        EXPECT_EQ(ui.cmbSize->itemData(2, Qt::ToolTipRole).toString(), "144×192 像素, 20-200 KB, 300 DPI(JPEG)");

        ui.cmbSize->setCurrentIndex(2);
        EXPECT_TRUE(s.chkSize->isChecked());
        EXPECT_EQ(s.txtMinKB->text(), "20");
        EXPECT_EQ(s.txtMaxKB->text(), "200");
        EXPECT_EQ(s.txtDPI->text(), "300");
        // A preset without rules leaves them.
        ui.cmbSize->setCurrentIndex(3);
        EXPECT_EQ(s.txtMaxKB->text(), "200");
        ui.cmbSize->setCurrentIndex(2);

        // The range acts on JPEG output only; the resolution on every format but bitmaps.
        ui.cmbEncode->setCurrentText("png");
        EXPECT_FALSE(s.chkSize->isEnabled());
        EXPECT_TRUE(s.txtDPI->isEnabled());
        EXPECT_FALSE(w->state().batchOptions().sizeTarget.active());
        ui.cmbEncode->setCurrentText("bmp");
        EXPECT_FALSE(s.txtDPI->isEnabled());
        EXPECT_EQ(w->state().batchOptions().dpi, 0);
        ui.cmbEncode->setCurrentText("jpg");
        EXPECT_TRUE(s.txtMinKB->isEnabled());
        BatchOptions o = w->state().batchOptions();
        EXPECT_EQ(o.sizeTarget.minKB, 20);
        EXPECT_EQ(o.sizeTarget.maxKB, 200);
        EXPECT_EQ(o.dpi, 300);
        EXPECT_TRUE(o.sizePad);

        // Typing changes them; unchecking switches the range off.
        s.txtMaxKB->setText("150");
        s.chkSizePad->setChecked(false);
        o = w->state().batchOptions();
        EXPECT_EQ(o.sizeTarget.maxKB, 150);
        EXPECT_FALSE(o.sizePad);
        s.chkSize->setChecked(false);
        EXPECT_FALSE(s.txtMinKB->isEnabled());
        EXPECT_FALSE(w->state().batchOptions().sizeTarget.active());
        s.chkSize->setChecked(true);

        // A range the wrong way round is refused when the run starts.
        const QString a = QString::fromStdString(f.work.file("a.png"));
        WriteSolid(a.toStdString(), 300, 200, {200, 100, 50});
        w->files().addPaths({a}, true);
        s.txtMinKB->setText("300");
        ui.cmdDone->click();
        ASSERT_FALSE(f.prompts.errors.empty());
        EXPECT_EQ(f.prompts.errors.back(), "文件大小的最小值不能大于最大值！");
        s.txtMinKB->setText("20");
        w->close();
    }
    EXPECT_EQ(f.store.values["bSizeRange"], "1");
    EXPECT_EQ(f.store.values["lMinKB"], "20");
    EXPECT_EQ(f.store.values["lMaxKB"], "150");
    EXPECT_EQ(f.store.values["bSizePad"], "0");
    EXPECT_EQ(f.store.values["iDPI"], "300");

    // They come back; restoring the stored preset does not overwrite what was typed.
    auto w = f.open();
    const SizeUi s(w.get());
    EXPECT_TRUE(s.chkSize->isChecked());
    EXPECT_EQ(s.txtMaxKB->text(), "150");
    EXPECT_FALSE(s.chkSizePad->isChecked());
    EXPECT_EQ(s.txtDPI->text(), "300");
}

TEST(SizeRange, PreviewNamesTheQualityAndSizeOfTheResult) {
    Fixture f;
    WritePresets(f);
    auto w = f.open();
    const Ui ui(w.get());
    const SizeUi s(w.get());
    const QString a = QString::fromStdString(f.work.file("a.png"));
    WritePicture(a.toStdString(), 400, 500, [](int x, int y) { return Rgb{uint8_t(x * 5), uint8_t(y * 3), uint8_t(x ^ y)}; });
    w->files().addPaths({a}, true);
    ui.cmbEncode->setCurrentText("jpg");
    ui.cmbSize->setCurrentIndex(2);
    ASSERT_TRUE(WaitFor([&] { return w->state().previewSizeText.contains("质量"); })) << w->state().previewSizeText.toStdString();
    EXPECT_TRUE(s.lblSizeInfo->text().contains("KB"));
    // Unreachable at this pixel size: the preview says so.
    ui.cmbSize->setCurrentIndex(4);
    ui.txtW->setText("1200");
    ui.txtH->setText("1500");
    s.txtMinKB->setText("");
    s.txtMaxKB->setText("1");
    ASSERT_TRUE(WaitFor([&] { return w->state().previewSizeText.contains("无法压缩到 1 KB 以内"); }))
        << w->state().previewSizeText.toStdString();
    // Without a range there is no size line.
    s.chkSize->setChecked(false);
    ASSERT_TRUE(WaitFor([&] { return w->state().previewSizeText.isEmpty(); }));
    EXPECT_TRUE(s.lblSizeInfo->text().isEmpty());
}

TEST(SizeRange, SmartAnchorInTheOptionsWindow) {
    Settings st;
    LoadSettings(MemorySettingsStore(), "/p", Date{}, st);
    MemorySettingsStore store;
    OptionsDialog dlg(st, store, OptionsDialog::Page::General);
    dlg.show();
    auto* smart = Find<QCheckBox>(&dlg, "chkSmartCut");
    auto* left = Find<QWidget>(&dlg, "optXCut0");
    EXPECT_FALSE(smart->isChecked());
    EXPECT_TRUE(left->isEnabled());
    smart->setChecked(true);
    EXPECT_FALSE(left->isEnabled());  // the 3x3 anchors give way
    Find<QPushButton>(&dlg, "cmdOK")->click();
    EXPECT_EQ(store.values["bSmartCut"], "1");
    EXPECT_EQ(st.bSmartCut, 1);
}
