#include "chooser/chooser.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

#include "app/previewer.h"
#include "batch/picname.h"
#include "filelist/pathtext.h"
#include "imageio/render.h"
#include "platform/settings.h"

namespace tavu {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// The preview box, in pixels.
constexpr int kPreviewWidth = 220;
constexpr int kPreviewHeight = 180;
constexpr int kDefaultAlpha = 80;

// The first click into txtSYAlpha selects its text, once per program run.
std::atomic<bool> g_alphaClicked{false};

// Mount points that are the system's own machinery rather than places for files.
bool IsSystemMount(const QString& root) {
    for (const char* p : {"/proc", "/sys", "/dev", "/snap", "/run"}) {
        const QString prefix = QLatin1String(p);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/'))) {
            // Removable media mounted by the desktop live below /run/media.
            return !root.startsWith(QLatin1String("/run/media/"));
        }
    }
    return false;
}

bool IsRealVolume(const QStorageInfo& v) {
    if (!v.isValid() || !v.isReady()) return false;
    const QString root = v.rootPath();
    if (IsSystemMount(root) || !QFileInfo(root).isDir()) return false;  // single-file bind mounts too
    const QByteArray type = v.fileSystemType();
    if (type == "squashfs") return false;  // packaged read-only images
    if (v.device().startsWith("/dev/")) return true;
    return type.startsWith("nfs") || type == "cifs" || type == "smb3" || type == "smbfs" || type == "fuse.sshfs";
}

// Fits the picture into the w x h box through the pipeline (natural colours) and keeps only the
// part the picture covers, so that the frame's own background shows around it.
QImage RenderPreviewImage(const QString& path, int w, int h) {
    DrawParams params;
    params.sizeMode = 9;  // a custom size
    params.width = float(w);
    params.height = float(h);
    params.cropToFill = 0;
    params.colors = ColorMatrix::Identity();
    Canvas canvas;
    const std::string file = PathBytes(path);
    if (!DrawPicFile(canvas, file, params).ok()) return {};
    QImage image = CanvasToImage(canvas);
    int w0 = 0, h0 = 0;
    if (!image.isNull() && ReadPictureSize(file, w0, h0)) {
        const DrawGeometry g = ComputeGeometry(w0, h0, params);
        const QRect covered = QRect(g.destination.x, g.destination.y, g.destination.w, g.destination.h) & image.rect();
        if (!covered.isEmpty()) image = image.copy(covered);
    }
    return image;
}

}  // namespace

QStringList FolderFiles(const QString& folder, const QStringList& patterns) {
    // Read with the file system's own bytes, so that names that are not UTF-8 are listed and can
    // be opened (see pathtext.h).
    std::vector<std::pair<QString, QString>> found;  // (sort key, name)
    std::error_code ec;
    std::filesystem::directory_iterator it(PathBytes(folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().native();
        if (name.empty() || name[0] == '.') continue;  // hidden files are not offered
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;  // follows links to files
        const QString text = PathText(name), shown = ReadablePath(text);  // matched as shown: valid text
        if (!QDir::match(patterns, shown)) continue;
        found.emplace_back(shown, text);
    }
    QCollator order;
    order.setCaseSensitivity(Qt::CaseInsensitive);
    order.setNumericMode(false);
    std::stable_sort(found.begin(), found.end(), [&](const auto& a, const auto& b) { return order.compare(a.first, b.first) < 0; });
    QStringList names;
    names.reserve(qsizetype(found.size()));
    for (auto& f : found) names << f.second;
    return names;
}

QString JoinFolder(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString NewFolderPath(const QString& parent) {
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? U("新建文件夹") : U("新建文件夹( %1)").arg(n);
        const QString path = JoinFolder(parent, name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink()) return path;
    }
}

QStringList PicturePattern() {
    return {QStringLiteral("*.jpg"), QStringLiteral("*.gif"), QStringLiteral("*.png"), QStringLiteral("*.bmp"),
            QStringLiteral("*.jpeg"), QStringLiteral("*.tif"), QStringLiteral("*.tiff"), QStringLiteral("*.heic"),
            QStringLiteral("*.heif"), QStringLiteral("*.avif"), QStringLiteral("*.webp")};
}

// Carries finished previews back to the window; the window unhooks itself when it goes, and a
// finished preview then goes nowhere.
struct ChooserDialog::PreviewRelay {
    std::mutex m;
    ChooserDialog* dialog = nullptr;
    std::atomic<quint64> latest{0};
};

ChooserDialog::ChooserDialog(Mode mode, SettingsStore* store, QWidget* parent)
    : QDialog(parent), mode_(mode), store_(store), pattern_(PicturePattern()), relay_(std::make_shared<PreviewRelay>()) {
    relay_->dialog = this;
    setObjectName(QStringLiteral("frmDlg"));
    setWindowTitle(U("文件夹/文件选择对话框"));

    Label1 = new QLabel(U("请选择目录或文件。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);  // it shows folder and file names
    Label1->setWordWrap(true);
    Label1->setMinimumHeight(Label1->fontMetrics().height() * 2);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));

    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    dirModel_->setReadOnly(true);
    dirModel_->setRootPath(QStringLiteral("/"));
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setModel(dirModel_);
    for (int c = 1; c < dirModel_->columnCount(); ++c) Dir1->hideColumn(c);
    Dir1->setHeaderHidden(true);
    Dir1->setSortingEnabled(true);
    Dir1->sortByColumn(0, Qt::AscendingOrder);
    Dir1->setSelectionMode(QAbstractItemView::SingleSelection);
    Dir1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Dir1->setTextElideMode(Qt::ElideMiddle);
    Dir1->setMinimumWidth(230);
    Dir1->installEventFilter(this);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setSelectionMode(mode == AddPictures ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::SingleSelection);
    File1->setMinimumWidth(200);

    Frame1 = new QGroupBox(U("图片预览"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Image1 = new QLabel(Frame1);
    Image1->setTextFormat(Qt::PlainText);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kPreviewWidth, kPreviewHeight);
    Image1->setAlignment(Qt::AlignCenter);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addStretch(1);
    frameLayout->addWidget(Image1);
    frameLayout->addStretch(1);

    cmdDir0 = new QPushButton(U("桌面"), this);
    cmdDir0->setObjectName(QStringLiteral("cmdDir0"));
    cmdDir1 = new QPushButton(U("我的文档"), this);
    cmdDir1->setObjectName(QStringLiteral("cmdDir1"));
    cmdDirNew = new QPushButton(U("新建"), this);
    cmdDirNew->setObjectName(QStringLiteral("cmdDirNew"));
    cmdDirNew->setToolTip(U("在当前文件夹下新建文件夹"));
    for (QPushButton* b : {cmdDir0, cmdDir1, cmdDirNew}) b->setAutoDefault(false);

    chkSelAll = new QCheckBox(U("包含子文件夹内图片。"), this);
    chkSelAll->setObjectName(QStringLiteral("chkSelAll"));
    chkSelAll->hide();

    frmSY = new QGroupBox(U("透明度"), this);
    frmSY->setObjectName(QStringLiteral("frmSY"));
    HScroll1 = new QScrollBar(Qt::Horizontal, frmSY);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(0, 100);
    HScroll1->setPageStep(10);
    HScroll1->setValue(kDefaultAlpha);
    txtSYAlpha = new QLineEdit(QString::number(kDefaultAlpha), frmSY);
    txtSYAlpha->setObjectName(QStringLiteral("txtSYAlpha"));
    txtSYAlpha->setMaxLength(3);
    txtSYAlpha->setFixedWidth(txtSYAlpha->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    txtSYAlpha->installEventFilter(this);
    Label2 = new QLabel(U("0-完全透明 100-不透明"), frmSY);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto* syLayout = new QGridLayout(frmSY);
    syLayout->addWidget(HScroll1, 0, 0);
    syLayout->addWidget(txtSYAlpha, 0, 1);
    syLayout->addWidget(Label2, 1, 0, 1, 2);
    frmSY->setVisible(mode == Watermark);

    cmdOK = new QPushButton(U("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(U("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    // Layout: prompt; drives, folders and their buttons | files | preview and transparency;
    // OK and Cancel.
    auto* left = new QVBoxLayout;
    left->addWidget(Drive1);
    left->addWidget(Dir1, 1);
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(cmdDir0);
    folderButtons->addWidget(cmdDir1);
    folderButtons->addWidget(cmdDirNew);
    left->addLayout(folderButtons);
    auto* right = new QVBoxLayout;
    right->addWidget(Frame1, 1);
    right->addWidget(frmSY);
    right->addStretch(0);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 3);
    body->addWidget(File1, 2);
    body->addLayout(right, 0);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkSelAll);
    bottom->addStretch(1);
    bottom->addWidget(cmdOK);
    bottom->addWidget(cmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(Label1);
    top->addLayout(body, 1);
    top->addLayout(bottom);
    resize(820, 480);

    connect(Drive1, &QComboBox::activated, this, [this](int index) {
        setDirPath(Drive1->itemData(index).toString());
    });
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!syncing_ && current.isValid()) setDirPath(dirModel_->filePath(current));
    });
    connect(Dir1, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && setDirPath(dirModel_->filePath(index)))
            Label1->setText(U("您选择的是\"") + dir_ + U("\"文件夹。"));
    });
    scrollTimer_ = new QTimer(this);
    scrollTimer_->setSingleShot(true);
    scrollTimer_->setInterval(50);  // after the model's own delayed sort
    connect(scrollTimer_, &QTimer::timeout, this, [this] {
        const QModelIndex index = dirModel_->index(dir_);
        if (index.isValid()) Dir1->scrollTo(index, centreOnce_ ? QAbstractItemView::PositionAtCenter
                                                               : QAbstractItemView::EnsureVisible);
        centreOnce_ = false;
    });
    // Siblings arrive after the tree has shown the folder: keep it in sight.
    connect(dirModel_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (dir_ == loaded || dir_.startsWith(JoinFolder(loaded, QString()))) scrollTimer_->start();
    });
    connect(File1, &QListWidget::itemSelectionChanged, this, &ChooserDialog::fileSelectionChanged);
    connect(File1, &QListWidget::currentItemChanged, this, &ChooserDialog::fileSelectionChanged);
    connect(File1, &QListWidget::itemDoubleClicked, this, &ChooserDialog::cmdOK_Click);
    connect(cmdDir0, &QPushButton::clicked, this, &ChooserDialog::cmdDir0_Click);
    connect(cmdDir1, &QPushButton::clicked, this, &ChooserDialog::cmdDir1_Click);
    connect(cmdDirNew, &QPushButton::clicked, this, &ChooserDialog::cmdDirNew_Click);
    connect(cmdOK, &QPushButton::clicked, this, &ChooserDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &ChooserDialog::cmdCancel_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int v) {
        if (syncing_) return;
        syncing_ = true;
        txtSYAlpha->setText(QString::number(v));
        syncing_ = false;
    });
    connect(txtSYAlpha, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (syncing_) return;
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 100) return;  // the slider stays where it is
        syncing_ = true;
        HScroll1->setValue(v);
        syncing_ = false;
    });

    // Mode defaults; the caller's setters come after.
    if (mode == Folder) {
        setPreviewVisible(false);
        setFileListEnabled(false);
    } else if (mode == Skin) {
        setPreviewVisible(false);
    }
    buildDriveList();
    setDirPath(QDir::currentPath());
}

ChooserDialog::~ChooserDialog() {
    std::lock_guard lk(relay_->m);
    relay_->dialog = nullptr;
}

void ChooserDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnce_ = true;  // open with the shown folder in the middle of the tree
    scrollTimer_->start();
}

void ChooserDialog::setPrompt(const QString& text) { Label1->setText(text); }

void ChooserDialog::setStartFolder(const QString& path) {
    startFolder_ = path;
    folder_ = path;
    // A folder that is gone opens at its nearest existing parent; nothing at all, at home.
    QString p = path.isEmpty() ? QString() : QDir::cleanPath(QDir(path).absolutePath());
    while (!p.isEmpty() && !QFileInfo(p).isDir()) {
        const QString up = QFileInfo(p).path();
        if (up == p) p.clear();
        else p = up;
    }
    if (p.isEmpty() || !setDirPath(p)) setDirPath(QDir::homePath());
}

void ChooserDialog::setPreviewVisible(bool visible) {
    Frame1->setVisible(visible);
    if (!visible) dropPreview();
}

// Empties the preview box; a preview still being drawn will not show.
void ChooserDialog::dropPreview() {
    ++relay_->latest;
    previewedFile_.clear();
    Image1->clear();
}

void ChooserDialog::setFileListEnabled(bool enabled) {
    File1->setEnabled(enabled);
    if (!enabled) File1->clearSelection();
}

void ChooserDialog::setSubfolderOptionVisible(bool visible) { chkSelAll->setVisible(visible); }

void ChooserDialog::setPattern(const QStringList& patterns) {
    pattern_ = patterns;
    fillFileList();
}

void ChooserDialog::setAlpha(int storedAlpha) {
    if (storedAlpha < 1 || storedAlpha > 100) return;
    syncing_ = true;
    txtSYAlpha->setText(QString::number(storedAlpha));
    HScroll1->setValue(storedAlpha);
    syncing_ = false;
}

int ChooserDialog::alpha() const {
    bool ok = false;
    const int v = txtSYAlpha->text().trimmed().toInt(&ok);
    return ok && v >= 0 && v <= 100 ? v : HScroll1->value();
}

bool ChooserDialog::setDirPath(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.isDir()) return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != dir_;
    dir_ = clean;
    syncDriveList();
    syncFolderTree();
    if (changed) fillFileList();
    return true;
}

void ChooserDialog::buildDriveList() {
    Drive1->clear();
    QStringList roots{QStringLiteral("/")};
    QStringList others;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString root = v.rootPath();
        if (root != QLatin1String("/") && IsRealVolume(v) && !others.contains(root)) others << root;
    }
    others.sort();
    roots << others;
    for (const QString& root : roots) {
        const QString name = QStorageInfo(root).name();
        Drive1->addItem(name.isEmpty() ? root : root + QStringLiteral("  [") + name + QLatin1Char(']'), root);
    }
}

// The drive list shows the volume that holds the shown folder.
void ChooserDialog::syncDriveList() {
    int best = -1, bestLength = -1;
    for (int i = 0; i < Drive1->count(); ++i) {
        const QString root = Drive1->itemData(i).toString();
        if ((dir_ == root || dir_.startsWith(JoinFolder(root, QString()))) && root.size() > bestLength) {
            best = i;
            bestLength = int(root.size());
        }
    }
    if (best >= 0) Drive1->setCurrentIndex(best);
}

void ChooserDialog::syncFolderTree() {
    const QModelIndex index = dirModel_->index(dir_);
    if (!index.isValid()) {
        Dir1->clearSelection();
        return;
    }
    syncing_ = true;
    Dir1->setCurrentIndex(index);
    Dir1->expand(index);
    Dir1->scrollTo(index);
    syncing_ = false;
    scrollTimer_->start();
}

void ChooserDialog::fillFileList() {
    File1->clear();
    dropPreview();
    File1->addItems(FolderFiles(dir_, pattern_));
}

QString ChooserDialog::focusedFile() const {
    const QListWidgetItem* item = File1->currentItem();
    if (item && item->isSelected()) return item->text();
    const QList<QListWidgetItem*> selected = File1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void ChooserDialog::fileSelectionChanged() {
    const QString name = focusedFile();
    if (name.isEmpty()) return;
    const QString path = JoinFolder(dir_, name);
    Label1->setText(U("您选择的是\"") + path + U("\"等共") + QString::number(File1->selectedItems().size()) +
                    U("个文件。"));
    if (!Frame1->isHidden() && path != previewedFile_) requestPreview(path);
}

void ChooserDialog::requestPreview(const QString& path) {
    previewedFile_ = path;
    Image1->clear();
    const quint64 serial = ++relay_->latest;
    const int w = Image1->width(), h = Image1->height();
    std::shared_ptr<PreviewRelay> relay = relay_;
    QThreadPool::globalInstance()->start([relay, serial, path, w, h] {
        if (relay->latest != serial) return;  // a newer file was clicked meanwhile
        const QImage image = RenderPreviewImage(path, w, h);
        std::lock_guard lk(relay->m);
        ChooserDialog* dialog = relay->dialog;
        if (!dialog) return;
        // Posted to the window: should it go before the event is handled, Qt drops the event.
        QMetaObject::invokeMethod(dialog, [dialog, serial, image] { dialog->showPreview(serial, image); },
                                  Qt::QueuedConnection);
    });
}

void ChooserDialog::showPreview(quint64 serial, const QImage& image) {
    if (serial != relay_->latest) return;
    if (image.isNull()) Image1->setText(U("无法预览"));
    else Image1->setPixmap(QPixmap::fromImage(image));
    emit previewReady(!image.isNull());
}

void ChooserDialog::cmdDir0_Click() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!setDirPath(desktop)) setDirPath(QDir::homePath());
}

void ChooserDialog::cmdDir1_Click() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!setDirPath(documents)) setDirPath(QDir::homePath());
}

void ChooserDialog::cmdDirNew_Click() {
    const QString path = NewFolderPath(dir_);
    if (!QDir().mkdir(path)) return;  // not allowed here: nothing happens
    setDirPath(path);
}

void ChooserDialog::cmdOK_Click() {
    switch (mode_) {
    case Folder:
        subDir_ = chkSelAll->isChecked();
        break;
    case AddPictures:
        files_.clear();
        for (int i = 0; i < File1->count(); ++i) {
            const QListWidgetItem* item = File1->item(i);
            if (item->isSelected() && IsPicName(PathBytes(item->text()))) files_ << JoinFolder(dir_, item->text());
        }
        break;
    case Watermark:
    case Skin: {
        const QString name = focusedFile();
        file_ = name.isEmpty() ? QString() : JoinFolder(dir_, name);
        break;
    }
    }
    if (!dir_.isEmpty()) {
        folder_ = dir_;
        if (store_) store_->save("sODIR", dir_.toStdString());
    }
    done(Accepted);
}

void ChooserDialog::cmdCancel_Click() {
    if (mode_ == Folder) folder_.clear();
    done(Rejected);
}

void ChooserDialog::reject() { done(Escaped); }

bool ChooserDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Dir1 && event->type() == QEvent::KeyPress) {
        // Enter opens the highlighted folder (and does not press OK); Backspace goes up.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QModelIndex index = Dir1->currentIndex();
            if (index.isValid()) {
                setDirPath(dirModel_->filePath(index));
                Dir1->expand(index);
            }
            return true;
        }
        if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier) {
            setDirPath(QFileInfo(dir_).path());
            return true;
        }
    }
    if (watched == txtSYAlpha && event->type() == QEvent::MouseButtonRelease && !g_alphaClicked.exchange(true)) {
        QTimer::singleShot(0, txtSYAlpha, [edit = txtSYAlpha] { edit->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The thin wrappers

namespace {

void Collect(const ChooserDialog& dlg, int outcome, ChooserResult* details) {
    if (!details) return;
    details->outcome = outcome;
    details->folder = dlg.folder();
    details->includeSubfolders = dlg.includeSubfolders();
    details->files = dlg.chosenFiles();
    details->file = dlg.chosenFile();
    details->alpha = dlg.alpha();
}

}  // namespace

QString ChooseFolderWithChooser(QWidget* parent, SettingsStore* store, const QString& prompt, const QString& start,
                                bool* includeSubfolders, ChooserResult* details) {
    ChooserDialog dlg(ChooserDialog::Folder, store, parent);
    dlg.setPrompt(prompt);
    dlg.setStartFolder(start);
    dlg.setSubfolderOptionVisible(includeSubfolders != nullptr);
    const int outcome = dlg.exec();
    if (outcome == QDialog::Accepted && includeSubfolders) *includeSubfolders = dlg.includeSubfolders();
    Collect(dlg, outcome, details);
    // Only OK chooses: Esc and the close box leave everything as it was (no folder is scanned,
    // the remembered folder does not change).
    return outcome == QDialog::Accepted ? dlg.folder() : QString();
}

QStringList ChoosePicturesWithChooser(QWidget* parent, SettingsStore* store, const QString& prompt,
                                      const QString& start, ChooserResult* details) {
    ChooserDialog dlg(ChooserDialog::AddPictures, store, parent);
    dlg.setPrompt(prompt);
    dlg.setStartFolder(start);
    const int outcome = dlg.exec();
    Collect(dlg, outcome, details);
    return outcome == QDialog::Accepted ? dlg.chosenFiles() : QStringList();
}

QString ChooseSkinWithChooser(QWidget* parent, SettingsStore* store, const QString& prompt, const QString& start,
                              ChooserResult* details) {
    ChooserDialog dlg(ChooserDialog::Skin, store, parent);
    dlg.setWindowTitle(U("请选择皮肤文件"));
    dlg.setPrompt(prompt);
    dlg.setPattern({QStringLiteral("*.she")});
    dlg.setStartFolder(start);
    const int outcome = dlg.exec();
    Collect(dlg, outcome, details);
    return outcome == QDialog::Accepted ? dlg.chosenFile() : QString();
}

std::optional<std::pair<QString, int>> ChooseWatermarkWithChooser(QWidget* parent, SettingsStore* store,
                                                                  const QString& prompt, const QString& start,
                                                                  int storedAlpha, ChooserResult* details) {
    ChooserDialog dlg(ChooserDialog::Watermark, store, parent);
    dlg.setPrompt(prompt);
    dlg.setAlpha(storedAlpha);
    dlg.setStartFolder(start);
    const int outcome = dlg.exec();
    Collect(dlg, outcome, details);
    if (outcome != QDialog::Accepted) return std::nullopt;
    return std::make_pair(dlg.chosenFile(), dlg.alpha());
}

}  // namespace tavu
