// The program's own chooser window "frmDlg": a drive list, a folder tree, a file list restricted to
// a pattern, a preview drawn by the picture pipeline, shortcuts to the desktop and the documents
// folder, a new-folder button, and in watermark mode a transparency panel. One window serves four
// kinds of choice (the Mode); the caller sets it up, runs exec() and reads the results.
//
// How the window ends, and what it leaves, per mode ("folder()" is the remembered chooser folder,
// the value the caller keeps as sODIR):
//
//   mode             | 确定 (OK), exec() = Accepted          | 取消 (Cancel), exec() = Rejected | Esc / close box, exec() = Escaped
//   -----------------+---------------------------------------+----------------------------------+----------------------------------
//   0 Folder         | folder() = the shown folder;          | folder() = "" (no folder chosen) | folder() = the start folder, as
//                    | includeSubfolders() = chkSelAll       |                                  | given: the caller goes on with it
//   1 AddPictures    | chosenFiles() = the selected pictures | nothing chosen                   | nothing chosen
//                    | (full paths, list order)              |                                  |
//   2 Watermark      | chosenFile() = the focused file (may  | nothing chosen; the caller drops | nothing chosen; the caller keeps
//                    | be empty), alpha() = the transparency | its watermark switch when it has | its watermark switch as it is
//                    |                                       | no watermark picture             |
//   4 Skin           | chosenFile() = the focused file (may  | nothing chosen                   | nothing chosen
//                    | be empty)                             |                                  |
//
// Every OK, in every mode, also stores the shown folder under the settings key "sODIR" and makes
// it folder(). Cancel and Esc never write the settings. Outside mode 0, Cancel and Esc leave
// folder() at the start folder. The Choose...WithChooser functions below answer only an OK: for
// Cancel, Esc and the close box they return nothing in every mode.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTimer;
class QTreeView;

namespace tavu {

class SettingsStore;

// folder + "/" + name, without doubling the separator when the folder already ends in one (the
// root "/"): JoinFolder("/", "a.jpg") == "/a.jpg".
QString JoinFolder(const QString& folder, const QString& name);
// The files of `folder` whose names match one of `patterns` ("*.jpg", ...; any case), hidden ones
// left out, in name order; names that are not UTF-8 included (see pathtext.h).
QStringList FolderFiles(const QString& folder, const QStringList& patterns);

// The folder "新建" would create below `parent`: 新建文件夹, else 新建文件夹( 2), 新建文件夹( 3), …
// (a blank after the opening parenthesis, none before the closing one) — the first name that no
// file, folder or link holds yet.
QString NewFolderPath(const QString& parent);

// The picture pattern of the file list: *.jpg *.gif *.png *.bmp *.jpeg *.tif *.tiff *.heic *.heif
// *.avif *.webp (any case).
QStringList PicturePattern();

class ChooserDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { Folder = 0, AddPictures = 1, Watermark = 2, Skin = 4 };
    // exec()'s third outcome besides Accepted (OK) and Rejected (Cancel): the window was closed
    // with Esc or its close box, which is not a cancel.
    enum { Escaped = 2 };

    // `store` receives "sODIR" on every OK; it may be null and must outlive the window.
    // Mode defaults: Folder hides the preview and disables the file list; Watermark shows the
    // transparency panel; Skin hides the preview. The setters below change them.
    explicit ChooserDialog(Mode mode, SettingsStore* store = nullptr, QWidget* parent = nullptr);
    ~ChooserDialog() override;

    Mode mode() const { return mode_; }

    // Set-up, before exec().
    void setPrompt(const QString& text);                // Label1
    void setStartFolder(const QString& path);           // folder() until OK/Cancel changes it; shown
                                                        // as its nearest existing folder
    void setPreviewVisible(bool visible);               // Frame1
    void setFileListEnabled(bool enabled);              // File1
    void setSubfolderOptionVisible(bool visible);       // chkSelAll
    void setPattern(const QStringList& patterns);       // e.g. {"*.she"}; any letter case matches
    void setAlpha(int storedAlpha);                     // taken when 1..100, else 80 stays

    // The folder shown (Dir1's path), always absolute, "/" for the root.
    QString dirPath() const { return dir_; }
    // Shows `path` (drive list, folder tree, file list follow); false when it is not a folder.
    bool setDirPath(const QString& path);

    // Results (see the table above).
    QString folder() const { return folder_; }
    QStringList chosenFiles() const { return files_; }
    bool includeSubfolders() const { return subDir_; }
    QString chosenFile() const { return file_; }
    // The transparency in txtSYAlpha when it holds a whole number 0..100, else the slider's value.
    int alpha() const;

    // The controls, named as the window knows them.
    QLabel* Label1;
    QComboBox* Drive1;          // mounted volumes; item data = the mount point
    QTreeView* Dir1;            // the folder tree
    QListWidget* File1;         // the files of the shown folder matching the pattern
    QGroupBox* Frame1;          // "图片预览"
    QLabel* Image1;             // the preview picture
    QPushButton* cmdDir0;       // 桌面
    QPushButton* cmdDir1;       // 我的文档
    QPushButton* cmdDirNew;     // 新建
    QCheckBox* chkSelAll;       // 包含子文件夹内图片。
    QGroupBox* frmSY;           // 透明度
    QScrollBar* HScroll1;       // 0..100
    QLineEdit* txtSYAlpha;
    QLabel* Label2;             // 0-完全透明 100-不透明
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

signals:
    // A preview finished: drawn, or failed (the box then says so).
    void previewReady(bool drawn);

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdDir0_Click();
    void cmdDir1_Click();
    void cmdDirNew_Click();
    // Esc and the close box: the window closes with none of Cancel's handling.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct PreviewRelay;

    void buildDriveList();
    void syncDriveList();
    void syncFolderTree();
    void fillFileList();
    void fileSelectionChanged();
    QString focusedFile() const;
    void requestPreview(const QString& path);
    void dropPreview();
    void showPreview(quint64 serial, const QImage& image);

    Mode mode_;
    SettingsStore* store_;
    QFileSystemModel* dirModel_;
    QString dir_;
    QStringList pattern_;
    QString startFolder_, folder_, file_;
    QStringList files_;
    bool subDir_ = false;
    bool syncing_ = false;
    bool centreOnce_ = false;    // the next scroll of the tree puts the shown folder in its middle
    QTimer* scrollTimer_ = nullptr;       // the window itself is moving the tree, the drive list or the slider
    QString previewedFile_;
    std::shared_ptr<PreviewRelay> relay_;
};

// Everything a chooser run leaves, for callers that need more than the thin wrappers return.
struct ChooserResult {
    int outcome = QDialog::Rejected;  // Accepted, Rejected or ChooserDialog::Escaped
    QString folder;                   // folder() afterwards
    bool includeSubfolders = false;
    QStringList files;
    QString file;
    int alpha = 80;
};

// Folder (mode 0), file list disabled, preview hidden. chkSelAll is shown when includeSubfolders
// is given; it is written on OK only. Returns folder(): the chosen folder on OK, "" on Cancel,
// `start` on Esc.
QString ChooseFolderWithChooser(QWidget* parent, SettingsStore* store, const QString& prompt, const QString& start,
                                bool* includeSubfolders = nullptr, ChooserResult* details = nullptr);
// Pictures (mode 1): the selected pictures on OK, nothing otherwise. The caller adds them by its
// own rules (picture names, no duplicates).
QStringList ChoosePicturesWithChooser(QWidget* parent, SettingsStore* store, const QString& prompt,
                                      const QString& start, ChooserResult* details = nullptr);
// Skin file (mode 4): title "请选择皮肤文件", preview hidden, pattern *.she. The file on OK (empty
// when none was selected), empty otherwise.
QString ChooseSkinWithChooser(QWidget* parent, SettingsStore* store, const QString& prompt, const QString& start,
                              ChooserResult* details = nullptr);
// Watermark picture (mode 2) with its transparency (the stored one shown when 1..100): on OK the
// file (empty when none was selected: keep the old one) and the transparency 0..100; nothing on
// Cancel or Esc — details->outcome tells them apart.
std::optional<std::pair<QString, int>> ChooseWatermarkWithChooser(QWidget* parent, SettingsStore* store,
                                                                  const QString& prompt, const QString& start,
                                                                  int storedAlpha, ChooserResult* details = nullptr);

}  // namespace tavu
