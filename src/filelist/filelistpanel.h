// The list group "1.添加照片": adding pictures and folders, drops, removing and undoing, the
// list's keys, tooltips and context menu, and the thumbnail of the selected source.
#pragma once

#include <QGroupBox>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/previewer.h"
#include "filelist/filelist.h"
#include "filelist/folderscanner.h"
#include "filelist/picturefacts.h"

class QAction;
class QFrame;
class QHeaderView;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QPushButton;

namespace tavu {

struct AppContext;
class WindowState;

class FileListPanel : public QGroupBox {
    Q_OBJECT
public:
    // An item's data: whether the entry has a crop rectangle.
    static constexpr int kCroppedRole = Qt::UserRole + 1;
    FileListPanel(WindowState& state, AppContext& context, QWidget* parent = nullptr);
    ~FileListPanel() override;

    // Adds by the picture-name and duplicate rules; `selectLast` selects the last one added.
    bool addPath(const QString& path);
    void addPaths(const QStringList& paths, bool selectLast);
    // Files and folders given when the program starts: added, the last one selected and shown.
    void addStartupPaths(const QStringList& paths);
    // Adds dropped files (selecting the last one added when `select`), or saves dropped picture
    // data as a bitmap in the user folder and adds it.
    void dropData(const QMimeData* data, bool select);
    // Whether a point of `reference`'s coordinates lies on the list box.
    bool listContains(const QWidget* reference, const QPoint& at) const;

    void cmdAdd_Click();
    void cmdAdds_Click();
    void cmdDel_Click();
    void cmdClr_Click();
    void mUndoDel_Click();
    // Selects the entry `delta` places from the selected one, when there is one.
    void step(int delta);

    bool scanning() const { return scanner_.running() || adding_; }
    void cancelScan() { scanner_.cancel(); }
    // Cancels a scan for good (the window closes) and gives the pointer back.
    void stopScan();
    QMenu* contextMenu() const { return mLst; }
    const FileList& fileList() const { return list_; }
    QListWidget* listBox() const { return lstFile; }
    QHeaderView* header() const { return hdrFile; }
    FactsReader& facts() { return facts_; }
    // The tooltip of the entry in `row`: its path, and what the latest run made of it.
    QString rowToolTip(int row) const;

signals:
    void selectionChanged();   // another entry is selected: the preview follows
    void listChanged();        // entries were added or removed
    void emptied();            // the last entry was removed
    void viewRequested();      // the source, full screen
    void compareRequested(const std::string& entry);  // the entry against the latest run's result

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void onCurrentRowChanged(int row);
    void rebuildList(int current);
    // Entries with a crop rectangle carry the crop mark.
    void refreshCropMarks();
    // The result columns are shown once a run has results; the rows repaint.
    void refreshResults();
    // The header follows the list's viewport (its width changes with the scroll bar).
    void placeHeader();
    void fitColumns();
    // Entries just listed: their headers are read in the background.
    void readFacts(size_t from);
    void updateButtons();
    void startFolderScan(const QString& folder, bool recursive);
    void addScanned(std::shared_ptr<std::vector<std::string>> found, size_t from);
    void showEmpty();
    void restoreCursor();

    WindowState& state_;
    AppContext& ctx_;
    FileList list_;
    FolderScanner scanner_;
    FactsReader facts_;
    Previewer thumbs_;
    quint64 thumbId_ = 0;
    bool adding_ = false;  // entries found by a scan are still being listed
    bool busyCursor_ = false;
    std::string scanBase_;  // the folder of a scan with subfolders (empty: without)

    QPushButton *cmdAdd, *cmdAdds, *cmdDel, *cmdClr;
    QListWidget* lstFile;
    QHeaderView* hdrFile;
    QFrame* picSmall;
    QLabel* imgSmall;
    QMenu* mLst;
    QAction *mDel, *mUndoDelFile, *mClr, *mShowFSrc, *mCompareResult, *mCopyFileName;
};

}  // namespace tavu
