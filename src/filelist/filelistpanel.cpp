#include "filelist/filelistpanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/appcontext.h"
#include "app/prompts.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "batch/picname.h"
#include "filelist/droppedpicture.h"
#include "filelist/listcolumns.h"
#include "filelist/pathtext.h"
#include "platform/settings.h"

namespace tavu {

namespace {
std::string S(const QString& s) { return PathBytes(s); }

// The crop mark: two crossing corners, as on a cutting mat.
QIcon CropMark() {
    static const QIcon icon = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(QPen(QColor(0, 102, 204), 2));
        p.drawPolyline(QPolygon({QPoint(4, 1), QPoint(4, 12), QPoint(15, 12)}));
        p.drawPolyline(QPolygon({QPoint(1, 4), QPoint(12, 4), QPoint(12, 15)}));
        return QIcon(pm);
    }();
    return icon;
}
}  // namespace

FileListPanel::FileListPanel(WindowState& state, AppContext& context, QWidget* parent)
    : QGroupBox(U("1.添加照片"), parent), state_(state), ctx_(context) {
    setObjectName(QStringLiteral("Frame1"));
    state_.list = &list_;
    connect(&state_, &WindowState::cropsChanged, this, &FileListPanel::refreshCropMarks);
    auto* grid = new QGridLayout(this);
    cmdAdd = MakeButton(this, "cmdAdd", "添加图片", "添加单张或多张图片");
    cmdAdds = MakeButton(this, "cmdAdds", "添加文件夹", "添加文件夹内全部图片");
    cmdDel = MakeButton(this, "cmdDel", "移除图片", "移除选定图片");
    cmdClr = MakeButton(this, "cmdClr", "全部清空", "移除所有已添加图片");
    lstFile = new QListWidget(this);
    lstFile->setObjectName(QStringLiteral("lstFile"));
    lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFile->setUniformItemSizes(true);  // long lists lay out in constant time
    lstFile->setMinimumHeight(140);
    lstFile->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstFile->setTextElideMode(Qt::ElideMiddle);  // long paths shortened in the middle; the tooltip has them whole
    lstFile->setAcceptDrops(false);  // drops reach the window, which tells the targets apart
    lstFile->installEventFilter(this);
    lstFile->viewport()->installEventFilter(this);
    // Columns over the list: the file's name, pixel size and size, and after a run the result.
    auto* listBox = new QWidget(this);
    auto* listColumn = new QVBoxLayout(listBox);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(0);
    auto* headerRow = new QWidget(listBox);
    hdrFile = new QHeaderView(Qt::Horizontal, headerRow);
    hdrFile->setObjectName(QStringLiteral("hdrFile"));
    auto* captions = new QStandardItemModel(0, kListColumns, hdrFile);
    captions->setHorizontalHeaderLabels(ListColumnCaptions());
    hdrFile->setModel(captions);
    hdrFile->setSectionsClickable(false);
    hdrFile->setHighlightSections(false);
    hdrFile->setStretchLastSection(false);
    hdrFile->setMinimumSectionSize(24);
    hdrFile->setSectionResizeMode(kColName, QHeaderView::Stretch);
    hdrFile->setSectionHidden(kColResult, true);
    hdrFile->setSectionHidden(kColSaving, true);
    headerRow->setFixedHeight(hdrFile->sizeHint().height());
    fitColumns();
    listColumn->addWidget(headerRow);
    listColumn->addWidget(lstFile, 1);
    lstFile->setItemDelegate(new ListColumnsDelegate(
        hdrFile,
        [this](int row) {
            ListColumnsDelegate::Row r;
            if (row < 0 || size_t(row) >= list_.size()) return r;
            const std::string& path = list_[size_t(row)];
            r.facts = facts_.find(path);
            if (!r.facts) facts_.wantFirst(path);  // on screen: read before the rest
            const auto it = state_.results.find(path);
            if (it != state_.results.end()) r.result = &it->second;
            return r;
        },
        lstFile));
    connect(hdrFile, &QHeaderView::sectionResized, lstFile->viewport(), [this] { lstFile->viewport()->update(); });
    connect(&facts_, &FactsReader::factsRead, lstFile->viewport(), [this] { lstFile->viewport()->update(); });
    connect(&state_, &WindowState::resultsChanged, this, &FileListPanel::refreshResults);
    picSmall = new QFrame(this);
    picSmall->setObjectName(QStringLiteral("picSmall"));
    picSmall->setFrameShape(QFrame::StyledPanel);
    picSmall->setFixedSize(96, 96);
    imgSmall = new QLabel(picSmall);
    imgSmall->setObjectName(QStringLiteral("imgSmall"));
    imgSmall->setAlignment(Qt::AlignCenter);
    imgSmall->setGeometry(2, 2, 92, 92);
    imgSmall->setCursor(Qt::PointingHandCursor);
    imgSmall->installEventFilter(this);
    grid->addWidget(cmdAdd, 0, 0);
    grid->addWidget(cmdAdds, 0, 1);
    grid->addWidget(cmdDel, 0, 2);
    grid->addWidget(cmdClr, 0, 3);
    grid->addWidget(listBox, 1, 0, 1, 3);
    grid->addWidget(picSmall, 1, 3, Qt::AlignTop | Qt::AlignHCenter);
    buildMenu();

    connect(cmdAdd, &QPushButton::clicked, this, &FileListPanel::cmdAdd_Click);
    connect(cmdAdds, &QPushButton::clicked, this, &FileListPanel::cmdAdds_Click);
    connect(cmdDel, &QPushButton::clicked, this, &FileListPanel::cmdDel_Click);
    connect(cmdClr, &QPushButton::clicked, this, &FileListPanel::cmdClr_Click);
    connect(lstFile, &QListWidget::currentRowChanged, this, &FileListPanel::onCurrentRowChanged);
    connect(lstFile, &QListWidget::itemDoubleClicked, this, &FileListPanel::viewRequested);
    connect(&thumbs_, &Previewer::rendered, this, [this](quint64 id, const QImage& image, const QString&, const QSize&) {
        if (id != thumbId_ || image.isNull()) return;  // an unreadable picture leaves the thumbnail as it was
        imgSmall->setPixmap(QPixmap::fromImage(image));
        picSmall->show();
    });
    connect(&scanner_, &FolderScanner::progress, this,
            [this](const QString& at) { state_.tip(U("【提示】正在查找图片(按Esc键取消):") + at); });
    connect(&scanner_, &FolderScanner::finished, this, [this](auto found) { addScanned(found, 0); });
    updateButtons();
}

void FileListPanel::buildMenu() {
    mLst = new QMenu(this);
    mLst->setObjectName(QStringLiteral("mLst"));
    mDel = MakeAction(mLst, "mDel", "移除图片");
    mUndoDelFile = MakeAction(mLst, "mUndoDelFile", "取消移除");
    mUndoDelFile->setEnabled(false);
    mClr = MakeAction(mLst, "mClr", "全部清空");
    mShowFSrc = MakeAction(mLst, "mShowFSrc", "全屏查看");
    mShowFSrc->setVisible(false);
    mCompareResult = MakeAction(mLst, "mCompareResult", "对比");
    mCompareResult->setToolTip(U("对比原图和上次处理的结果"));
    mLst->addSeparator();
    mCopyFileName = MakeAction(mLst, "mCopyFileName", "复制文件路径");
    lstFile->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstFile, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const int row = lstFile->currentRow();
        if (row < 0) return;
        const auto it = size_t(row) < list_.size() ? state_.results.find(list_[size_t(row)]) : state_.results.end();
        mCompareResult->setEnabled(it != state_.results.end() && it->second.written);
        mLst->popup(lstFile->viewport()->mapToGlobal(p));
    });
    connect(mCopyFileName, &QAction::triggered, this, [this] {
        if (!lstFile->currentItem()) return;
        const QString path = ReadablePath(lstFile->currentItem()->text());
        QApplication::clipboard()->setText(path);
        state_.tip(U("【提示】文件路径已复制:") + path);
    });
    connect(mDel, &QAction::triggered, this, &FileListPanel::cmdDel_Click);
    connect(mClr, &QAction::triggered, this, &FileListPanel::cmdClr_Click);
    connect(mUndoDelFile, &QAction::triggered, this, &FileListPanel::mUndoDel_Click);
    connect(mShowFSrc, &QAction::triggered, this, &FileListPanel::viewRequested);
    connect(mCompareResult, &QAction::triggered, this, [this] {
        const int row = lstFile->currentRow();
        if (row >= 0 && size_t(row) < list_.size()) emit compareRequested(list_[size_t(row)]);
    });
}

void FileListPanel::onCurrentRowChanged(int row) {
    QListWidgetItem* item = row >= 0 ? lstFile->item(row) : nullptr;
    state_.current = item ? item->text() : QString();
    state_.currentSource = item && size_t(row) < list_.size() ? list_[size_t(row)] : std::string();
    state_.currentRow = item ? row : -1;
    if (!item) return;
    // The thumbnail shows the source itself.
    RenderSettings thumb;
    thumb.sizeMode = kSizeOriginal;
    thumb.widthText = thumb.heightText = "0";
    thumbId_ = thumbs_.request(state_.currentSource, thumb, 92, 92);
    emit selectionChanged();
}

bool FileListPanel::addPath(const QString& path) {
    if (!list_.add(S(path))) return false;
    lstFile->addItem(path);  // the tooltip comes from the viewport's tooltip handler
    if (!state_.crops.empty()) refreshCropMarks();
    readFacts(list_.size() - 1);
    return true;
}

void FileListPanel::addPaths(const QStringList& paths, bool selectLast) {
    QStringList added;
    const size_t from = list_.size();
    for (const QString& p : paths)
        if (list_.add(S(p))) added << p;
    lstFile->addItems(added);  // one insertion for all of them
    readFacts(from);
    if (!state_.crops.empty()) refreshCropMarks();
    if (selectLast && !added.isEmpty()) lstFile->setCurrentRow(lstFile->count() - 1);
    updateButtons();
}

void FileListPanel::addStartupPaths(const QStringList& paths) {
    for (const QString& p : paths) {
        const QFileInfo f(p);
        if (f.isDir()) {
            for (const std::string& e : ScanFolderPictures(S(f.absoluteFilePath()))) addPath(PathText(e));
        } else {
            addPath(QDir::cleanPath(f.absoluteFilePath()));
        }
    }
    updateButtons();
    if (lstFile->count() > 0) lstFile->setCurrentRow(lstFile->count() - 1);
}

void FileListPanel::rebuildList(int current) {
    lstFile->setUpdatesEnabled(false);
    lstFile->blockSignals(true);
    lstFile->clear();
    lstFile->addItems(state_.entries());
    if (!state_.crops.empty()) refreshCropMarks();
    readFacts(0);  // entries brought back by undo
    lstFile->blockSignals(false);
    lstFile->setUpdatesEnabled(true);
    if (lstFile->count() > 0) lstFile->setCurrentRow(std::clamp(current, 0, lstFile->count() - 1));
    else onCurrentRowChanged(-1);
    updateButtons();
}

void FileListPanel::refreshCropMarks() {
    const int n = std::min(lstFile->count(), int(list_.size()));
    for (int i = 0; i < n; ++i) {
        QListWidgetItem* item = lstFile->item(i);
        const bool cropped = state_.crops.count(list_[size_t(i)]) > 0;
        if (cropped != item->data(kCroppedRole).toBool()) {
            item->setIcon(cropped ? CropMark() : QIcon());
            item->setData(kCroppedRole, cropped);
        }
    }
}

void FileListPanel::readFacts(size_t from) {
    if (from >= list_.size()) return;
    facts_.want(std::vector<std::string>(list_.entries().begin() + std::ptrdiff_t(from), list_.entries().end()));
}

void FileListPanel::refreshResults() {
    const bool any = !state_.results.empty();
    hdrFile->setSectionHidden(kColResult, !any);
    hdrFile->setSectionHidden(kColSaving, !any);
    lstFile->viewport()->update();
}

void FileListPanel::fitColumns() {
    // The columns are as wide as their longest usual text in the list's font, and the list leaves room
    // for a readable name beside them, so the header never has to scroll.
    const QFontMetrics fm(lstFile->font());
    const int pad = 10;
    const int widths[] = {0, fm.horizontalAdvance(QStringLiteral("8000×6000")), fm.horizontalAdvance(QStringLiteral("99.9 MB")),
                          fm.horizontalAdvance(QStringLiteral("99.9 MB")), fm.horizontalAdvance(QStringLiteral("−100%"))};
    int facts = 0;  // hidden sections count too: they show after a run
    for (int c = kColPixels; c < kListColumns; ++c) {
        hdrFile->resizeSection(c, widths[c] + pad);
        facts += widths[c] + pad;
    }
    lstFile->setMinimumWidth(facts + fm.horizontalAdvance(QStringLiteral("IMG_0001.jpg")) + 2 * lstFile->frameWidth() +
                             lstFile->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    hdrFile->parentWidget()->setFixedHeight(hdrFile->sizeHint().height());
}

void FileListPanel::placeHeader() {
    QWidget* row = hdrFile->parentWidget();
    const QRect port = lstFile->viewport()->geometry();
    const int x = lstFile->mapTo(row->parentWidget(), port.topLeft()).x();
    hdrFile->setGeometry(x, 0, port.width(), row->height());
    hdrFile->setOffset(0);
}

QString FileListPanel::rowToolTip(int row) const {
    if (row < 0 || row >= lstFile->count()) return {};
    const PictureResult* result = nullptr;
    if (size_t(row) < list_.size()) {
        const auto it = state_.results.find(list_[size_t(row)]);
        if (it != state_.results.end()) result = &it->second;
    }
    return RowToolTip(lstFile->item(row)->text(), result);
}

void FileListPanel::updateButtons() {
    const bool any = lstFile->count() > 0;
    cmdDel->setEnabled(any);
    cmdClr->setEnabled(any);
    mUndoDelFile->setEnabled(list_.canUndo());
    emit listChanged();
}

void FileListPanel::step(int delta) {
    const int row = lstFile->currentRow() + delta;
    if (row >= 0 && row < lstFile->count()) lstFile->setCurrentRow(row);
}

bool FileListPanel::listContains(const QWidget* reference, const QPoint& at) const {
    return lstFile->rect().contains(lstFile->mapFrom(reference, at));
}

void FileListPanel::cmdAdd_Click() {
    state_.tip(U("【提示】选择要添加的图片,可多选。"));
    if (!ctx_.prompts) return;
    const QStringList files = ctx_.prompts->chooseFiles(
        window(), U("选择要添加的图片,可多选。"), QString::fromStdString(state_.settings.sODIR),
        U("图片文件 (*.jpg *.jpeg *.bmp *.gif *.png *.tif *.tiff *.heic *.heif *.avif *.webp "
          "*.JPG *.JPEG *.BMP *.GIF *.PNG *.TIF *.TIFF *.HEIC *.HEIF *.AVIF *.WEBP)"));
    if (!files.isEmpty()) {
        state_.settings.sODIR = S(QFileInfo(files.first()).absolutePath());
        if (ctx_.settings) ctx_.settings->save("sODIR", state_.settings.sODIR);
    }
    addPaths(files, false);
    if (lstFile->count() > 0) {
        lstFile->setCurrentRow(lstFile->count() - 1);
        lstFile->setFocus();
    }
}

void FileListPanel::cmdAdds_Click() {
    if (scanning()) {
        state_.tip(U("【提示】正在查找图片,请等它结束,或按Esc键取消。"));
        return;
    }
    state_.tip(U("【提示】请选择文件夹,该文件夹内所有图片将被添加。"));
    if (!ctx_.prompts) return;
    bool sub = false;
    const QString folder = ctx_.prompts->chooseFolder(window(), U("请选择文件夹,该文件夹内所有图片将被添加。"),
                                                      QString::fromStdString(state_.settings.sODIR), &sub);
    if (folder.isEmpty()) return;
    state_.settings.sODIR = S(folder);
    if (ctx_.settings) ctx_.settings->save("sODIR", state_.settings.sODIR);
    startFolderScan(folder, sub);
}

void FileListPanel::startFolderScan(const QString& folder, bool recursive) {
    // The scan runs off the window's thread; Esc cancels it; the pictures found so far are kept.
    if (!scanner_.start(folder, recursive)) return;
    // Pictures found with their subfolders remember where they were found, for 保持子文件夹结构.
    scanBase_ = recursive ? std::filesystem::absolute(S(folder)).lexically_normal().string() : std::string();
    while (scanBase_.size() > 1 && scanBase_.back() == '/') scanBase_.pop_back();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    busyCursor_ = true;
    state_.tip(U("【提示】正在查找图片,按Esc键取消……"));
}

void FileListPanel::addScanned(std::shared_ptr<std::vector<std::string>> found, size_t from) {
    // A few thousand entries per turn of the event loop, so that a huge folder never freezes the window.
    adding_ = true;
    const size_t to = std::min(found->size(), from + 2000);
    const size_t listedBefore = list_.size();
    QStringList added;
    for (size_t i = from; i < to; ++i) {
        if (!list_.add((*found)[i])) continue;
        added << PathText((*found)[i]);
        if (!scanBase_.empty()) state_.bases[(*found)[i]] = scanBase_;
    }
    lstFile->addItems(added);
    readFacts(listedBefore);
    if (to < found->size()) {
        QTimer::singleShot(0, this, [this, found, to] { addScanned(found, to); });
        return;
    }
    adding_ = false;
    restoreCursor();
    updateButtons();
    state_.tip(QStringLiteral("【提示】已添加图片,共%1个。").arg(lstFile->count()));
    if (lstFile->count() > 0) {
        lstFile->setCurrentRow(lstFile->count() - 1);
        lstFile->setFocus();
    }
}

void FileListPanel::restoreCursor() {
    if (busyCursor_) QApplication::restoreOverrideCursor();
    busyCursor_ = false;
}

FileListPanel::~FileListPanel() { restoreCursor(); }

void FileListPanel::stopScan() {
    // The window closes: what the scan found so far is not listed any more.
    scanner_.cancel();
    adding_ = false;
    restoreCursor();
}

void FileListPanel::showEmpty() {
    picSmall->hide();
    emit emptied();
}

void FileListPanel::cmdDel_Click() {
    std::vector<size_t> rows;
    for (const QModelIndex& i : lstFile->selectionModel()->selectedRows()) rows.push_back(size_t(i.row()));
    const int first = rows.empty() ? lstFile->currentRow() : int(*std::min_element(rows.begin(), rows.end()));
    list_.remove(rows);
    rebuildList(first);
    lstFile->setFocus();
    if (lstFile->count() == 0) showEmpty();
}

void FileListPanel::mUndoDel_Click() {
    if (!list_.canUndo()) return;
    const int current = lstFile->currentRow();
    list_.undo();
    rebuildList(current < 0 ? 0 : current);
}

void FileListPanel::cmdClr_Click() {
    list_.clear();
    rebuildList(0);
    showEmpty();
    cmdAdds->setFocus();
}

void FileListPanel::dropData(const QMimeData* data, bool select) {
    QStringList paths;
    for (const QString& p : DroppedFilePaths(data)) paths << p;
    // Browsers drag a picture as its web address together with its pixels: the pixels count.
    if (!paths.isEmpty() || !data->hasImage()) {
        addPaths(paths, select);
        return;
    }
    if (!data->hasImage()) return;
    // Picture data (not files): saved as a bitmap in the user folder; the clipboard is left alone.
    const QString path = SaveDroppedPicture(qvariant_cast<QImage>(data->imageData()), ctx_.workDir + QStringLiteral("/user"));
    if (path.isEmpty()) return;
    list_.append(S(path));
    lstFile->addItem(path);
    readFacts(list_.size() - 1);
    if (select) lstFile->setCurrentRow(lstFile->count() - 1);
    updateButtons();
}

bool FileListPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgSmall && event->type() == QEvent::MouseButtonRelease) {
        emit viewRequested();
    } else if (watched == lstFile && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Delete) cmdDel_Click();
        if (k->key() == Qt::Key_Escape && list_.canUndo()) mUndoDel_Click();
    } else if (watched == lstFile->viewport() && event->type() == QEvent::ToolTip) {
        // The entry under the pointer, or the last one below the entries.
        auto* h = static_cast<QHelpEvent*>(event);
        QListWidgetItem* item = lstFile->itemAt(h->pos());
        if (!item && lstFile->count() > 0) item = lstFile->item(lstFile->count() - 1);
        if (item) QToolTip::showText(h->globalPos(), PlainTip(rowToolTip(lstFile->row(item))), lstFile);
        return true;
    } else if (watched == lstFile->viewport() && event->type() == QEvent::Resize) {
        placeHeader();
    } else if (watched == lstFile && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)) {
        fitColumns();  // a skin brought another font
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace tavu
