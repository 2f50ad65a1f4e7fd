// File names that are not UTF-8 (GBK names from Windows archives): kept exactly through the
// list, the chooser, drops, the preview and the batch; only their display is lossy.
#include <QMimeData>

#include <filesystem>

#include "app/batchpanel.h"
#include "app/windowfixture.h"
#include "chooser/chooser.h"
#include "filelist/droppedpicture.h"
#include "filelist/filelist.h"
#include "filelist/filelistpanel.h"
#include "filelist/pathtext.h"

using namespace tavu;
using namespace tavu::test;

namespace {
// "照片" in GBK, and a stray continuation byte, an overlong slash and an encoded surrogate.
const std::string kGbkName = "\xD5\xD5\xC6\xAC";
}  // namespace

TEST(PathText, EveryByteSequenceComesBackAsItWas) {
    const std::string cases[] = {
        "/home/u/a.jpg", "/照片/😀.png", kGbkName + ".jpg", "a\x80z", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
        std::string("\xE4\xB8", 2), "",
    };
    for (const std::string& c : cases) EXPECT_EQ(PathBytes(PathText(c)), c) << c;
    EXPECT_EQ(PathText("/照片/😀.png"), QStringLiteral("/照片/😀.png"));  // valid UTF-8 is plain text
    // D5 D5 are no UTF-8 and show as replacement marks; C6 AC happen to read as one character.
    const QString shown = ReadablePath(PathText(kGbkName + ".jpg"));
    EXPECT_EQ(shown, QString(2, QChar(0xFFFD)) + QChar(0x01AC) + QStringLiteral(".jpg"));
    EXPECT_EQ(ReadablePath(QStringLiteral("😀")), QStringLiteral("😀"));
}

TEST(PathText, AGbkNamedPictureIsListedScannedDroppedAndProcessed) {
    Fixture f;
    f.store.values["bAutoODir"] = "0";
    const std::string folder = f.work.mkdir("旧相册");
    const std::string file = folder + "/" + kGbkName + ".png";
    WritePicture(file, 80, 60, [](int x, int y) { return Rgb{uint8_t(x * 3), uint8_t(y * 4), 50}; });

    // The chooser lists it, and what it hands back opens the same file.
    const QStringList names = FolderFiles(PathText(folder), {QStringLiteral("*.png")});
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(PathBytes(JoinFolder(PathText(folder), names[0])), file);

    // A drop names it with its percent-encoded bytes.
    QMimeData drop;
    drop.setData(QStringLiteral("text/uri-list"), QByteArray("file://") + QByteArray::fromStdString(file).toPercentEncoding("/") + "\r\n");
    const QStringList dropped = DroppedFilePaths(&drop);
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(PathBytes(dropped[0]), file);

    // The folder scan lists it; the preview and the batch open it by its own name.
    auto w = f.open();
    const Ui ui(w.get());
    f.prompts.folder = PathText(folder);
    w->files().cmdAdds_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->files().scanning(); }));
    ASSERT_EQ(ui.lstFile->count(), 1);
    ASSERT_EQ(w->state().list->entries(), std::vector<std::string>{file});
    EXPECT_EQ(w->state().currentSource, file);
    ASSERT_TRUE(WaitFor([&] { return !w->state().previewImage.isNull(); }));

    ui.cmbEncode->setCurrentText(QStringLiteral("jpg"));
    w->batchPanel().cmdDone_Click();
    ASSERT_TRUE(WaitFor([&] { return !w->batchPanel().batch().running() && ui.cmdDone->isEnabled(); }));
    const std::string result = w->state().sOutDir.toStdString() + "/" + kGbkName + ".jpg";
    EXPECT_TRUE(std::filesystem::exists(result)) << ui.lInfo->text().toStdString();
    EXPECT_EQ(ReadCanvas(result).width(), w->state().widthText.toInt());
}
