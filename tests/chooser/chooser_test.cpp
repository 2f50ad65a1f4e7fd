// The chooser window: how OK, Cancel and Esc end it in each mode and what each leaves, the folder
// it stores, the new-folder names, the root separator, the file pattern and the preview.
// The QApplication comes from the main() of this test program.
#include "chooser/chooser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include "imageio/testimages.h"
#include "platform/settings.h"

using namespace tavu;
using tavu::test::TempDir;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString U(const char* s) { return QString::fromUtf8(s); }

void Touch(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QStringList Shown(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

void Select(QListWidget* list, const QStringList& names) {
    list->clearSelection();
    for (const QString& n : names) {
        const auto found = list->findItems(n, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << n.toStdString();
        found.first()->setSelected(true);
        list->setCurrentItem(found.first(), QItemSelectionModel::NoUpdate);
    }
}

// A folder with three pictures, a text file and a subfolder.
class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = Q(tmp.path());
        for (const char* n : {"a.jpg", "b.png", "c.gif"}) Touch(folder + "/" + n);
        Touch(folder + "/notes.txt");
        QDir(folder).mkdir("sub");
        store.values["sODIR"] = "/before";
    }
    TempDir tmp;
    QString folder;
    MemorySettingsStore store;
};

// ---------------------------------------------------------------------------------------------
// Folder mode (0)

TEST_F(ChooserTest, FolderOkGivesTheShownFolderTheSubfolderAnswerAndStoresIt) {
    ChooserDialog dlg(ChooserDialog::Folder, &store);
    dlg.setStartFolder(folder);
    ASSERT_TRUE(dlg.setDirPath(folder + "/sub"));
    dlg.chkSelAll->setChecked(true);
    dlg.cmdOK_Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.folder(), folder + "/sub");
    EXPECT_TRUE(dlg.includeSubfolders());
    EXPECT_EQ(store.get("sODIR"), (folder + "/sub").toStdString());
}

TEST_F(ChooserTest, FolderCancelEmptiesTheFolderButEscKeepsTheStartFolder) {
    ChooserDialog cancelled(ChooserDialog::Folder, &store);
    cancelled.setStartFolder(folder);
    cancelled.cmdCancel_Click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_TRUE(cancelled.folder().isEmpty());

    // The start folder is kept as given, even one that no longer exists.
    const QString gone = folder + "/gone/deeper";
    ChooserDialog escaped(ChooserDialog::Folder, &store);
    escaped.setStartFolder(gone);
    EXPECT_EQ(escaped.dirPath(), folder);  // opened at the nearest existing folder
    escaped.show();
    escaped.setDirPath(folder + "/sub");
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_FALSE(escaped.isVisible());
    EXPECT_EQ(escaped.result(), int(ChooserDialog::Escaped));
    EXPECT_EQ(escaped.folder(), gone);
    EXPECT_EQ(store.get("sODIR"), "/before");
}

// ---------------------------------------------------------------------------------------------
// Pictures mode (1)

TEST_F(ChooserTest, PicturesAreReportedAndOkGivesThemInListOrder) {
    ChooserDialog dlg(ChooserDialog::AddPictures, &store);
    dlg.setStartFolder(folder);
    dlg.setPattern({"*"});  // let a non-picture into the list: OK must still leave it out
    Select(dlg.File1, {"c.gif", "notes.txt", "a.jpg"});
    EXPECT_EQ(dlg.Label1->text(), U("您选择的是\"") + folder + U("/a.jpg\"等共3个文件。"));
    dlg.cmdOK_Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.chosenFiles(), (QStringList{folder + "/a.jpg", folder + "/c.gif"}));
    EXPECT_EQ(dlg.folder(), folder);
    EXPECT_EQ(store.get("sODIR"), folder.toStdString());
}

// ---------------------------------------------------------------------------------------------
// Watermark (2) and skin (4) modes

TEST_F(ChooserTest, WatermarkOkGivesTheFocusedFileAndTheTransparency) {
    ChooserDialog dlg(ChooserDialog::Watermark, &store);
    EXPECT_FALSE(dlg.frmSY->isHidden());
    dlg.setAlpha(0);  // out of 1..100: the layout value stays
    EXPECT_EQ(dlg.txtSYAlpha->text(), "80");
    dlg.setAlpha(35);
    EXPECT_EQ(dlg.HScroll1->value(), 35);
    EXPECT_EQ(dlg.txtSYAlpha->text(), "35");

    dlg.HScroll1->setValue(60);
    EXPECT_EQ(dlg.txtSYAlpha->text(), "60");
    dlg.txtSYAlpha->setText("50");
    EXPECT_EQ(dlg.HScroll1->value(), 50);
    dlg.txtSYAlpha->setText("150");  // not 0..100: the slider stays
    EXPECT_EQ(dlg.HScroll1->value(), 50);
    EXPECT_EQ(dlg.alpha(), 50);
    dlg.txtSYAlpha->setText("50");

    dlg.setStartFolder(folder);
    Select(dlg.File1, {"b.png"});
    dlg.cmdOK_Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.chosenFile(), folder + "/b.png");
    EXPECT_EQ(dlg.alpha(), 50);
    EXPECT_EQ(store.get("sODIR"), folder.toStdString());
}

TEST_F(ChooserTest, FileModesCancelAndEscChooseNothing) {
    for (ChooserDialog::Mode mode : {ChooserDialog::AddPictures, ChooserDialog::Watermark, ChooserDialog::Skin}) {
        ChooserDialog cancelled(mode, &store);
        cancelled.setStartFolder(folder);
        Select(cancelled.File1, {"a.jpg"});
        cancelled.cmdCancel_Click();
        EXPECT_EQ(cancelled.result(), QDialog::Rejected) << mode;
        EXPECT_TRUE(cancelled.chosenFiles().isEmpty() && cancelled.chosenFile().isEmpty()) << mode;
        EXPECT_EQ(cancelled.folder(), folder) << mode;  // only folder mode's Cancel empties it

        // Esc while the file list has the focus closes the window too, as no cancel.
        ChooserDialog escaped(mode, &store);
        escaped.setStartFolder(folder);
        escaped.show();
        Select(escaped.File1, {"a.jpg"});
        QTest::keyClick(escaped.File1, Qt::Key_Escape);
        EXPECT_EQ(escaped.result(), int(ChooserDialog::Escaped)) << mode;
        EXPECT_TRUE(escaped.chosenFiles().isEmpty() && escaped.chosenFile().isEmpty()) << mode;
    }
    EXPECT_EQ(store.get("sODIR"), "/before");
}

// The stored folder follows every OK, also one without a file chosen.
TEST_F(ChooserTest, EveryOkStoresTheShownFolder) {
    for (ChooserDialog::Mode mode :
         {ChooserDialog::Folder, ChooserDialog::AddPictures, ChooserDialog::Watermark, ChooserDialog::Skin}) {
        store.values["sODIR"] = "/before";
        ChooserDialog dlg(mode, &store);
        dlg.setStartFolder(folder);
        dlg.setDirPath(folder + "/sub");
        dlg.cmdOK_Click();
        EXPECT_EQ(store.get("sODIR"), (folder + "/sub").toStdString()) << mode;
        EXPECT_EQ(dlg.folder(), folder + "/sub") << mode;
        EXPECT_TRUE(dlg.chosenFile().isEmpty()) << mode;
    }
}

// ---------------------------------------------------------------------------------------------
// Folders and files

TEST_F(ChooserTest, NewFolderTakesTheFirstFreeNameAndOpensIt) {
    Touch(folder + U("/新建文件夹"));  // a plain file holds the first name
    ASSERT_TRUE(QDir(folder).mkdir(U("新建文件夹( 2)")));
    ChooserDialog dlg(ChooserDialog::Folder, &store);
    dlg.setStartFolder(folder);
    dlg.cmdDirNew_Click();
    const QString made = folder + U("/新建文件夹( 3)");
    EXPECT_TRUE(QFileInfo(made).isDir());
    EXPECT_EQ(dlg.dirPath(), made);
    auto* model = qobject_cast<QFileSystemModel*>(dlg.Dir1->model());
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->filePath(dlg.Dir1->currentIndex()), made);

    // Once more: the next number.
    dlg.setDirPath(folder);
    dlg.cmdDirNew_Click();
    EXPECT_TRUE(QFileInfo(folder + U("/新建文件夹( 4)")).isDir());
}

TEST(ChooserRoot, TheRootSeparatorIsNotDoubled) {
    EXPECT_EQ(JoinFolder("/", "a.jpg"), "/a.jpg");
    EXPECT_EQ(JoinFolder("/home/u", "a.jpg"), "/home/u/a.jpg");
    const QString atRoot = NewFolderPath("/");
    EXPECT_FALSE(atRoot.startsWith("//")) << atRoot.toStdString();
    EXPECT_EQ(QFileInfo(atRoot).path(), "/");
    EXPECT_TRUE(QFileInfo(atRoot).fileName().startsWith(U("新建文件夹")));

    // The drive list starts with the root, and the root shown selects it.
    ChooserDialog dlg(ChooserDialog::Folder);
    ASSERT_GT(dlg.Drive1->count(), 0);
    EXPECT_EQ(dlg.Drive1->itemData(0).toString(), "/");
    ASSERT_TRUE(dlg.setDirPath("/"));
    EXPECT_EQ(dlg.dirPath(), "/");
    EXPECT_EQ(dlg.Drive1->currentData().toString(), "/");
}

TEST(ChooserPattern, ListsEveryPictureSpellingAndNothingElse) {
    TempDir tmp;
    const QString dir = Q(tmp.path());
    for (const char* n : {"a.jpeg", "b.tif", "c.TIFF", "d.JPG", "e.Png", "f.bmp", "g.gif", "h.txt", "i.png.bak",
                          ".hidden.jpg", "j.HEIC", "k.heif", "l.Avif", "m.webp", "n.webm"})
        Touch(dir + "/" + n);
    QDir(dir).mkdir("folder.jpg");
    ChooserDialog dlg(ChooserDialog::AddPictures);
    dlg.setStartFolder(dir);
    EXPECT_EQ(Shown(dlg.File1), (QStringList{"a.jpeg", "b.tif", "c.TIFF", "d.JPG", "e.Png", "f.bmp", "g.gif", "j.HEIC",
                                             "k.heif", "l.Avif", "m.webp"}));

    // OK accepts each of them as a picture.
    Select(dlg.File1, Shown(dlg.File1));
    dlg.cmdOK_Click();
    EXPECT_EQ(dlg.chosenFiles().size(), 11);

    // The skin pattern, in any case too.
    Touch(dir + "/blue.she");
    Touch(dir + "/Grey.SHE");
    dlg.setPattern({"*.she"});
    EXPECT_EQ(Shown(dlg.File1), (QStringList{"blue.she", "Grey.SHE"}));
}

// ---------------------------------------------------------------------------------------------
// Preview

class ChooserPreviewTest : public ChooserTest {
protected:
    // Selects the file and waits for its preview; the outcome, or nothing when none came.
    std::optional<bool> Preview(ChooserDialog& dlg, const QString& name) {
        QSignalSpy spy(&dlg, &ChooserDialog::previewReady);
        Select(dlg.File1, {name});
        if (!spy.wait(20000)) return std::nullopt;
        return spy.takeLast().at(0).toBool();
    }
};

TEST_F(ChooserPreviewTest, TiffIsPreviewedInNaturalColoursAndFitsTheBox) {
    test::WriteSolid(tmp.file("wide.tif"), 400, 100, Rgb{200, 30, 40});
    ChooserDialog dlg(ChooserDialog::AddPictures, &store);
    dlg.setStartFolder(folder);
    ASSERT_EQ(Preview(dlg, "wide.tif"), true);
    const QImage shown = dlg.Image1->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.width(), dlg.Image1->width());
    EXPECT_NEAR(shown.height(), dlg.Image1->width() / 4, 1);  // the shape kept, no grey bands
    const QColor c = shown.pixelColor(shown.width() / 2, shown.height() / 2);
    EXPECT_NEAR(c.red(), 200, 2);
    EXPECT_NEAR(c.green(), 30, 2);
    EXPECT_NEAR(c.blue(), 40, 2);
}

TEST_F(ChooserPreviewTest, ABrokenPictureShowsAShortTextAndTheNextOneShowsAgain) {
    Touch(folder + "/broken.jpg", "not a picture");
    test::WriteSolid(tmp.file("ok.png"), 50, 50, Rgb{0, 0, 255});
    ChooserDialog dlg(ChooserDialog::Watermark, &store);
    dlg.setStartFolder(folder);
    ASSERT_EQ(Preview(dlg, "broken.jpg"), false);
    EXPECT_TRUE(dlg.Image1->pixmap().isNull());
    EXPECT_FALSE(dlg.Image1->text().isEmpty());
    ASSERT_EQ(Preview(dlg, "ok.png"), true);
    EXPECT_FALSE(dlg.Image1->pixmap().isNull());
}

// The seam's answers: Esc and the close box choose nothing in any mode, and never touch the
// remembered folder.
TEST_F(ChooserTest, EscAndTheCloseBoxChooseNothingInEveryMode) {
    store.values["sODIR"] = "/before";
    auto endWith = [](bool closeBox) {
        QTimer::singleShot(0, [closeBox] {
            QWidget* dlg = QApplication::activeModalWidget();
            ASSERT_NE(dlg, nullptr);
            if (closeBox) dlg->close();
            else QTest::keyClick(dlg, Qt::Key_Escape);
        });
    };
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Esc");
        bool sub = true;
        endWith(closeBox);
        EXPECT_TRUE(ChooseFolderWithChooser(nullptr, &store, "p", folder, &sub).isEmpty());
        endWith(closeBox);
        EXPECT_TRUE(ChooseFolderWithChooser(nullptr, &store, "p", folder).isEmpty());
        endWith(closeBox);
        EXPECT_TRUE(ChoosePicturesWithChooser(nullptr, &store, "p", folder).isEmpty());
        endWith(closeBox);
        EXPECT_FALSE(ChooseWatermarkWithChooser(nullptr, &store, "p", folder, 80).has_value());
        endWith(closeBox);
        EXPECT_TRUE(ChooseSkinWithChooser(nullptr, &store, "p", folder).isEmpty());
    }
    EXPECT_EQ(store.get("sODIR"), "/before");
}

}  // namespace
