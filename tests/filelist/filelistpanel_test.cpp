// The list group: adding, removing and undoing, drops on each target, the folder scan, the keys.
#include <QDir>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app/windowfixture.h"
#include "filelist/filelistpanel.h"

using namespace tavu;
using namespace tavu::test;

TEST(FileListPanel, RemoveUndoAndClear) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    QStringList five;
    for (const char* n : {"a", "b", "c", "d", "e"}) five << QStringLiteral("/p/%1.jpg").arg(n);
    w->files().addPaths(five, false);
    ui.lstFile->clearSelection();
    ui.lstFile->item(1)->setSelected(true);
    ui.lstFile->item(3)->setSelected(true);
    w->files().cmdDel_Click();
    EXPECT_EQ(ui.lFile->text(), "图片数量:3个");
    EXPECT_EQ(ui.lstFile->currentItem()->text(), "/p/c.jpg");  // the entry after the first removed one
    EXPECT_TRUE(ui.mUndoDel->isEnabled());
    EXPECT_TRUE(ui.mUndoDelFile->isEnabled());
    QTest::keyClick(ui.lstFile, Qt::Key_Escape);  // Esc on the list undoes
    QStringList now;
    for (int i = 0; i < ui.lstFile->count(); ++i) now << ui.lstFile->item(i)->text();
    EXPECT_EQ(now, five);
    EXPECT_FALSE(ui.mUndoDel->isEnabled());

    // Removing the only entries disables the list commands; undo still brings them back.
    ui.lstFile->selectAll();
    QTest::keyClick(ui.lstFile, Qt::Key_Delete);
    EXPECT_EQ(ui.lstFile->count(), 0);
    EXPECT_FALSE(ui.cmdDel->isEnabled());
    EXPECT_FALSE(ui.mClear->isEnabled());
    w->files().mUndoDel_Click();
    EXPECT_EQ(ui.lstFile->count(), 5);

    w->files().cmdClr_Click();
    EXPECT_EQ(ui.lFile->text(), "图片数量:0个");
    EXPECT_FALSE(ui.mUndoDel->isEnabled());
    w->files().addPaths({"/p/x.jpg", "/p/x.jpg", "/p/y.txt", "/P/x.jpg"}, false);  // duplicates and non-pictures
    EXPECT_EQ(ui.lstFile->count(), 2);
}

TEST(FileListPanel, DropsOnEachTarget) {
    Fixture f;
    auto w = f.open();
    const Ui ui(w.get());
    w->resize(1100, 700);
    w->show();
    QApplication::processEvents();
    auto drop = [&](QWidget* target, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        w->dropAt(&data, target->mapTo(w.get(), target->rect().center()));
    };
    drop(ui.lstFile, {"/d/1.jpg", "/d/2.jpg"});
    EXPECT_EQ(ui.lstFile->currentRow(), 1);  // the list: the last one added is selected
    ui.lstFile->setCurrentRow(0);
    drop(ui.lFile, {"/d/3.jpg"});
    EXPECT_EQ(ui.lstFile->currentRow(), 0);  // elsewhere on the window: the selection stays
    drop(ui.picImg, {"/d/4.jpg", "/d/1.jpg"});
    EXPECT_EQ(ui.lstFile->count(), 4);
    EXPECT_EQ(ui.lstFile->currentRow(), 3);  // the preview: the last one actually added

    // Picture data becomes a bitmap in the user folder, under a new name each time.
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    for (int i = 0; i < 2; ++i) {
        QMimeData data;
        data.setImageData(img);
        w->dropAt(&data, ui.lstFile->mapTo(w.get(), ui.lstFile->rect().center()));
    }
    ASSERT_EQ(ui.lstFile->count(), 6);
    const QString a = ui.lstFile->item(4)->text(), b = ui.lstFile->item(5)->text();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("tempWL"));
    EXPECT_TRUE(a.startsWith(QString::fromStdString(f.work.file("user/"))));
    EXPECT_EQ(ReadCanvas(b.toStdString()).pixel(5, 5), (Rgb{255, 0, 0}));
}

TEST(FileListPanel, FolderScanRunsOffTheWindowThread) {
    Fixture f;
    const std::string root = f.work.mkdir("pics");
    f.work.mkdir("pics/sub");
    f.work.mkdir("pics/.hidden");
    for (const char* n : {"pics/a.jpg", "pics/.h.jpg", "pics/sub/b.png", "pics/.hidden/c.jpg", "pics/t.txt"})
        WriteBytes(f.work.file(n), {0});
    // The panel on its own, without the main window.
    WindowState state;
    AppContext context = f.context();
    FileListPanel panel(state, context);
    f.prompts.folder = QString::fromStdString(root);
    f.prompts.subfolders = true;
    panel.cmdAdds_Click();
    ASSERT_TRUE(WaitFor([&] { return !panel.scanning(); }));
    QStringList got;
    for (int i = 0; i < panel.listBox()->count(); ++i) got << panel.listBox()->item(i)->text();
    // With subfolders hidden files count too; hidden subfolders never do.
    EXPECT_EQ(got, (QStringList{QString::fromStdString(root + "/.h.jpg"), QString::fromStdString(root + "/a.jpg"),
                                QString::fromStdString(root + "/sub/b.png")}));
    EXPECT_EQ(f.store.values["sODIR"], root);
    EXPECT_EQ(state.current, got.last());  // the last one found is selected
}

TEST(FileListPanel, ListKeys) {
    Fixture f;
    WindowState state;
    AppContext context = f.context();
    FileListPanel panel(state, context);
    panel.resize(500, 400);
    panel.show();
    QListWidget* lstFile = panel.listBox();
    QStringList many;
    for (int i = 0; i < 53; ++i) many << QStringLiteral("/p/%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
    panel.addPaths(many, false);
    QApplication::processEvents();
    lstFile->setCurrentRow(50);
    QTest::keyClick(lstFile, Qt::Key_PageDown);  // the last page is partly filled
    EXPECT_EQ(lstFile->currentRow(), 52);
    QTest::keyClick(lstFile, Qt::Key_Home);
    EXPECT_EQ(lstFile->currentRow(), 0);
    QTest::keyClick(lstFile, Qt::Key_End);
    EXPECT_EQ(lstFile->currentRow(), 52);
}

TEST(FileListPanel, PicturesAddedWithSubfoldersKeepTheirPlaceForTheBatch) {
    Fixture f;
    const std::string root = f.work.mkdir("phone");
    f.work.mkdir("phone/2023");
    const std::string other = f.work.mkdir("other");
    for (const char* n : {"phone/a.HEIC", "phone/2023/b.webp", "other/c.avif"}) WriteBytes(f.work.file(n), {0});
    WindowState state;
    state.settings.bKeepTree = 1;
    AppContext context = f.context();
    FileListPanel panel(state, context);
    f.prompts.folder = QString::fromStdString(root + "/");
    f.prompts.subfolders = true;
    panel.cmdAdds_Click();
    ASSERT_TRUE(WaitFor([&] { return !panel.scanning(); }));
    // A folder added without its subfolders gives its pictures no place to keep.
    f.prompts.folder = QString::fromStdString(other);
    f.prompts.subfolders = false;
    panel.cmdAdds_Click();
    ASSERT_TRUE(WaitFor([&] { return !panel.scanning(); }));
    ASSERT_EQ(panel.listBox()->count(), 3);  // the phone formats are listed
    const BatchOptions o = state.batchOptions();
    EXPECT_TRUE(o.keepTree);
    EXPECT_EQ(o.entryBases, (std::vector<std::string>{root, root, ""}));
    state.settings.bKeepTree = 0;
    EXPECT_TRUE(state.batchOptions().entryBases.empty());
}
