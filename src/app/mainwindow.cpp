#include "app/mainwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QMenu>
#include <QMimeData>
#include <QVBoxLayout>

#include "app/batchpanel.h"
#include "app/infopanel.h"
#include "app/outputpanel.h"
#include "app/previewpanel.h"
#include "app/prompts.h"
#include "app/shell.h"
#include "app/sizepanel.h"
#include "app/skins.h"
#include "app/toolframes.h"
#include "app/verticalscroll.h"
#include "app/viewcommands.h"
#include "app/widgets.h"
#include "filelist/filelistpanel.h"
#include "watermark/decorationspanel.h"
#include "watermark/placement.h"
#include "version.h"

namespace tavu {

MainWindow::MainWindow(AppContext context, QWidget* parent) : QMainWindow(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("frmMain"));
    if (!ctx_.openFolder) ctx_.openFolder = OpenFolder;
    if (!ctx_.openTextFile) ctx_.openTextFile = OpenTextFile;
    if (!ctx_.openWebPage) ctx_.openWebPage = OpenWebPage;
    if (!ctx_.quitApplication) ctx_.quitApplication = [] { QApplication::exit(0); };
    menus_ = std::make_unique<MenuTree>(this);
    buildLayout();
    connectList();
    connectDecorations();
    connectCommands();
    startUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    setAcceptDrops(true);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 4);
    outer->setSpacing(6);
    // The two columns share the width; the user may give the list more room by dragging between them.
    auto* columns = new QSplitter(Qt::Horizontal, central);
    columns->setObjectName(QStringLiteral("splMain"));
    columns->setChildrenCollapsible(false);
    outer->addWidget(columns, 1);

    // Left column: the groups that follow the work. On a small screen it scrolls rather than
    // pushing the window beyond the screen; the preview takes any room to spare.
    auto* scroll = new VerticalScrollArea(central);
    scroll->setObjectName(QStringLiteral("scrGroups"));
    auto* groups = new QWidget(scroll);
    groups->setObjectName(QStringLiteral("groups"));
    auto* left = new QVBoxLayout(groups);
    left->setContentsMargins(0, 0, 0, 0);
    files_ = new FileListPanel(state_, ctx_, groups);
    sizes_ = new SizePanel(state_, groups);
    decorations_ = new DecorationsPanel(state_, ctx_, groups);
    output_ = new OutputPanel(state_, ctx_, groups);
    batch_ = new BatchPanel(state_, ctx_, groups);
    info_ = new InfoPanel(groups);
    left->addWidget(files_, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{sizes_, decorations_, output_, batch_, info_}) left->addWidget(w);
    scroll->setWidget(groups);
    columns->addWidget(scroll);
    columns->setStretchFactor(0, 0);

    // Right column: the preview with its tool frames and the placement on it.
    preview_ = new PreviewPanel(state_, central);
    columns->addWidget(preview_);
    columns->setStretchFactor(1, 1);
    tools_ = new ToolFrames(state_, *menus_, preview_->box(), preview_->image());
    placement_ = new WatermarkPlacement(state_, ctx_, preview_->box(), preview_->image());
    commands_ = new ViewCommands(state_, ctx_, this);

    lInfo = new ClickLabel(U("就绪。"), central);
    lInfo->setObjectName(QStringLiteral("lInfo"));
    lInfo->setCursor(Qt::PointingHandCursor);
    outer->addWidget(lInfo);
}

void MainWindow::connectList() {
    MenuTree& m = *menus_;
    connect(&state_, &WindowState::tipRequested, this, &MainWindow::ShowTip);
    connect(&state_, &WindowState::renderChanged, preview_, &PreviewPanel::refresh);
    connect(preview_, &PreviewPanel::shown, this, &MainWindow::previewShown);
    connect(files_, &FileListPanel::selectionChanged, preview_, &PreviewPanel::refresh);
    connect(files_, &FileListPanel::listChanged, this, &MainWindow::updateListState);
    connect(files_, &FileListPanel::emptied, this, [this] {
        preview_->clear();
        ShowTip(U(kTipWelcome));
    });
    connect(files_, &FileListPanel::viewRequested, commands_, &ViewCommands::mFBrows_Click);
    connect(files_, &FileListPanel::compareRequested, commands_, &ViewCommands::compareResult);
    connect(preview_, &PreviewPanel::compareRequested, commands_, &ViewCommands::compare);
    connect(menus_->mCompare, &QAction::triggered, commands_, &ViewCommands::compare);
    connect(preview_, &PreviewPanel::previousRequested, files_, [this] { files_->step(-1); });
    connect(preview_, &PreviewPanel::nextRequested, files_, [this] { files_->step(1); });
    connect(preview_, &PreviewPanel::arrowPressed, this, [this](int dx, int dy) {
        if (!placement_->nudge(dx, dy)) files_->step((dx < 0 || dy < 0) ? -1 : 1);
    });
    connect(preview_, &PreviewPanel::descriptionEntered, files_, [this] { files_->listBox()->setFocus(); });
    connect(m.mAddDir, &QAction::triggered, files_, &FileListPanel::cmdAdds_Click);
    connect(m.mAddFile, &QAction::triggered, files_, &FileListPanel::cmdAdd_Click);
    connect(m.mDelFile, &QAction::triggered, files_, &FileListPanel::cmdDel_Click);
    connect(m.mClear, &QAction::triggered, files_, &FileListPanel::cmdClr_Click);
    connect(m.mUndoDel, &QAction::triggered, files_, &FileListPanel::mUndoDel_Click);
    connect(batch_, &BatchPanel::addPicturesRequested, files_, &FileListPanel::cmdAdd_Click);
    connect(batch_, &BatchPanel::focusWidthRequested, sizes_, &SizePanel::focusWidth);
    connect(commands_, &ViewCommands::focusWidthRequested, sizes_, &SizePanel::focusWidth);
    connect(commands_, &ViewCommands::captured, files_, [this](const QString& path) { files_->addPaths({path}, true); });
    connect(output_, &OutputPanel::outputFolderChanged, info_, &InfoPanel::setOutputFolder);
    connect(sizes_, &SizePanel::presetChosen, output_, &OutputPanel::applyPresetRules);
    files_->contextMenu()->addSeparator();
    files_->contextMenu()->addActions({m.mLBBrows, m.mLSBrows});  // the list browser and slide show
}

void MainWindow::connectDecorations() {
    MenuTree& m = *menus_;
    DecorationsPanel* d = decorations_;
    connect(d, &DecorationsPanel::textLabelChanged, info_, &InfoPanel::setTextWatermark);
    connect(d, &DecorationsPanel::pictureLabelChanged, info_, &InfoPanel::setPictureWatermark);
    connect(d, &DecorationsPanel::textSizeChosen, tools_, &ToolFrames::setTextSize);
    connect(d, &DecorationsPanel::opacityChosen, tools_, &ToolFrames::setOpacity);
    connect(d, &DecorationsPanel::positionListChanged, placement_, &WatermarkPlacement::positionListChanged);
    connect(placement_, &WatermarkPlacement::grabbed, d, &DecorationsPanel::chooseCustomPosition);
    connect(placement_, &WatermarkPlacement::offsetCommitted, tools_, &ToolFrames::setOffsetBoxes);
    connect(placement_, &WatermarkPlacement::coordinateEntryEnabled, m.mXYPos, &QAction::setEnabled);
    for (QAction* a : {m.mSetTxt, m.mSetTxtSY}) connect(a, &QAction::triggered, d, &DecorationsPanel::mSetTxt_Click);
    for (QAction* a : {m.mSetImg, m.mSetPicSY}) connect(a, &QAction::triggered, d, &DecorationsPanel::mSetImg_Click);
    connect(tools_, &ToolFrames::textSettingsRequested, d, &DecorationsPanel::mSetTxt_Click);
    connect(tools_, &ToolFrames::pictureSettingsRequested, d, &DecorationsPanel::mSetImg_Click);
    connect(tools_, &ToolFrames::moveModeRequested, placement_, &WatermarkPlacement::enterMoveMode);
    for (QAction* a : {m.mTRect, m.mSetXYPos}) connect(a, &QAction::triggered, placement_, &WatermarkPlacement::enterMoveMode);
    connect(m.mXYPos, &QAction::triggered, placement_, &WatermarkPlacement::mXYPos_Click);
}

void MainWindow::connectCommands() {
    MenuTree& m = *menus_;
    ViewCommands* c = commands_;
    connect(m.mExit, &QAction::triggered, this, &MainWindow::mExit_Click);
    connect(m.mCap, &QAction::triggered, this, [this] { ShowTip(U("【提示】请确保摄像头已经与您的电脑连接好。")); });
    connect(m.mAbout, &QAction::triggered, c, &ViewCommands::about);
    for (QAction* a : {m.mFBrows}) connect(a, &QAction::triggered, c, &ViewCommands::mFBrows_Click);
    for (QAction* a : {m.mFBrows2, m.mShowF}) connect(a, &QAction::triggered, c, &ViewCommands::mFBrows2_Click);
    connect(preview_, &PreviewPanel::fullPreviewRequested, c, &ViewCommands::mFBrows2_Click);
    for (QAction* a : {m.mPCutImg, m.mPCut}) connect(a, &QAction::triggered, c, &ViewCommands::mPCut_Click);
    connect(tools_, &ToolFrames::cropRequested, c, &ViewCommands::mPCut_Click);
    connect(m.mLBBrows, &QAction::triggered, c, [c] { c->mBrowse_Click(1); });
    connect(m.mLSBrows, &QAction::triggered, c, [c] { c->mBrowse_Click(2); });
    connect(m.mTOption, &QAction::triggered, c, [c] { c->mTOption_Click(false); });
    connect(batch_, &BatchPanel::optionsRequested, c, [c] { c->mTOption_Click(false); });
    connect(m.mSPDFSet, &QAction::triggered, c, [c] { c->mTOption_Click(true); });
    connect(output_, &OutputPanel::pdfSettingsRequested, c, [c] { c->mTOption_Click(true); });
    connect(c, &ViewCommands::optionsChanged, &state_, &WindowState::changed);
    connect(m.mCopySrc2, &QAction::triggered, c, &ViewCommands::mCopySrc2_Click);
    connect(m.mTODir, &QAction::triggered, this, [this] {
        ShowTip(U("【提示】选择输出文件夹,处理好的图片将存放到该文件夹。"));
        output_->cmdODir_Click();
    });
    connect(m.mSPicTxt, &QAction::triggered, this, [this] {
        preview_->showDescriptionBox();
        ShowTip(U("【提示】请输入对该图片的说明，该说明将在PDF文档或被整合到网页中。"));
    });
    connect(m.mUI, &QAction::triggered, this, [this] {
        if (isMinimized() || isMaximized()) showNormal();
        else showMaximized();
    });
    for (int i = 0; i < kSkinMenuEntryCount; ++i) connect(m.mSkin[i], &QAction::triggered, this, [this, i] { mSkin_Click(i); });
    connect(batch_, &BatchPanel::skinMenuRequested, this, [this](const QPoint& at) { menus_->mSkinOpt->popup(at); });
    connect(batch_, &BatchPanel::runStarted, this, [this] {
        menus_->mShowOn->setChecked(true);
        menus_->mShowOn2->setChecked(true);
        info_->clearRunSummary();
    });
    connect(batch_, &BatchPanel::runFinished, info_, &InfoPanel::setRunSummary);
    connect(info_, &InfoPanel::largerRequested, batch_, &BatchPanel::showLarger);
    connect(m.mReadMe, &QAction::triggered, this, [this] { ctx_.openTextFile(ctx_.programDir + QStringLiteral("/ReadMe.txt")); });
    connect(m.mHWeb, &QAction::triggered, this, [this] { ctx_.openWebPage(U(kHomePage)); });
    connect(m.mBBS, &QAction::triggered, this, [this] { ctx_.openWebPage(U(kForumPage)); });
    connect(m.mDownZY, &QAction::triggered, this, [this] { ctx_.openWebPage(U(kMaterialsPage)); });
    connect(lInfo, &ClickLabel::clicked, this, [this] { ctx_.openWebPage(U(kHomePage)); });
    connect(preview_, &PreviewPanel::contextMenuRequested, this, [this](const QPoint& at) { menus_->mImgOpt->popup(at); });
    for (QAction* a : {m.mShowOn, m.mShowOn2})
        connect(a, &QAction::triggered, this, [this, a] {
            a->setChecked(!a->isChecked());  // the handler sets both marks itself
            mShowOn_Click();
        });
    connect(m.mCopyPic, &QAction::triggered, this, [this] {
        if (!state_.previewImage.isNull()) QApplication::clipboard()->setImage(state_.previewImage);
    });
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void MainWindow::startUp() {
    Settings& settings = state_.settings;
    // The settings, each read on its own (the store never throws).
    const std::string programDir = ctx_.programDir.toStdString();
    if (ctx_.settings) LoadSettings(*ctx_.settings, programDir, Today(), settings);
    else LoadSettings(MemorySettingsStore(), programDir, Today(), settings);
    loadedAlpha_ = settings.iuSYAlpha;

    // 1. The skin.
    skinMenu_ = std::make_unique<SkinMenuState>(
        ctx_.programDir, [](const QString& path) { ApplySkinFile(path); },
        [this](const QString& path) {
            if (ctx_.settings) ctx_.settings->save("sSkinFileName", path.toStdString());
        });
    ApplySkinFile(QString::fromStdString(settings.sSkinFileName));

    // 3. The start page: a local page shipped with the program; a missing page hides it.
    if (settings.bShowToday == 1)
        preview_->showStartPage(preview_->loadStartPage(ctx_.programDir + QStringLiteral("/ad/index.html")));

    // 7-12. Prefix, output folder, positions, output formats.
    output_->load();
    decorations_->load();

    // 14-16. Watermark opacity, sizes, borders.
    tools_->setOpacity(settings.iuSYAlpha);
    sizes_->loadPresets(ctx_.programDir + QStringLiteral("/size.ini"));

    // 17-21. Stored selections; watermarks come back switched on when their text or file is stored.
    sizes_->restore(settings.iuSize);
    tools_->setTextSize(settings.iSize);
    decorations_->restore();

    // 23. Working folders.
    QDir().mkpath(ctx_.workDir + QStringLiteral("/zp"));
    QDir().mkpath(ctx_.workDir + QStringLiteral("/user"));

    // 24-27.
    setWindowTitle(U("Tavu照片/相片/图片压缩") + QString::number(kVersionMajor) + QLatin1Char('.') +
                   QString::number(kVersionMinor) + U("版"));
    ShowTip(U(kTipWelcome));
    updateListState();
    state_.bLoaded = true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!exiting_ && ctx_.settings) {
        const Settings& s = state_.settings;
        CloseState c;
        c.sizeIndex = sizes_->currentIndex();
        c.borderIndex = decorations_->borderIndex();
        c.borderCount = decorations_->borderCount();
        c.alphaText = tools_->opacityText().toStdString();
        c.loadedSYAlpha = loadedAlpha_;
        c.sISyF = state_.sISyF.toStdString();
        c.dISyX = state_.dISyX;
        c.dISyY = state_.dISyY;
        c.sText = s.sText;
        c.iSize = s.iSize;
        c.sFont = s.sFont;
        c.lColor = s.lColor;
        c.sBold = s.sBold;
        c.sUnderline = s.sUnderline;
        c.sItalic = s.sItalic;
        c.dTSyX = state_.dTSyX;
        c.dTSyY = state_.dTSyY;
        const SizeRuleInputs& r = state_.sizeRules;
        c.bSizeRange = r.on ? 1 : 0;
        c.lMinKB = TargetOf({true, r.minText, "", true, ""}).minKB.value_or(0);
        c.lMaxKB = TargetOf({true, "", r.maxText, true, ""}).maxKB.value_or(0);
        c.bSizePad = r.pad ? 1 : 0;
        c.iDPI = int16_t(DpiOf(r) <= 32767 ? DpiOf(r) : 0);
        SaveOnClose(*ctx_.settings, c);
    }
    batch_->batch().stop();
    files_->stopScan();
    e->accept();
}

void MainWindow::mExit_Click() {
    // Leaves at once, without the settings save of a normal close.
    exiting_ = true;
    batch_->batch().stop();
    close();
    ctx_.quitApplication();
}

// ---------------------------------------------------------------------------------------------
// Status line, list state, skins, live preview

void MainWindow::ShowTip(const QString& text) { lInfo->setText(ShortenTip(text)); }

void MainWindow::updateListState() {
    const int count = int(files_->fileList().size());
    MenuTree& m = *menus_;
    m.mDelFile->setEnabled(count > 0);
    m.mClear->setEnabled(count > 0);
    m.mUndoDel->setEnabled(files_->fileList().canUndo());
    info_->setCount(count);
    preview_->listChanged(count > 0);
}

void MainWindow::addStartupPaths(const QStringList& paths) { files_->addStartupPaths(paths); }

void MainWindow::mSkin_Click(int index) {
    const SkinChoice c = skinMenu_->click(index, QString::fromStdString(state_.settings.sSkinFileName), [this]() -> std::optional<QString> {
        if (!ctx_.prompts) return std::nullopt;
        const QString f = ctx_.prompts->chooseFile(this, U("请选择皮肤文件。"), ctx_.programDir + QStringLiteral("/skin"),
                                                   U("皮肤文件 (*.she)"));
        if (f.isEmpty()) return std::nullopt;
        return f;
    });
    for (int i = 0; i < kSkinMenuEntryCount; ++i) menus_->mSkin[i]->setChecked(i == c.checkedIndex);
    state_.settings.sSkinFileName = c.skinFileName.toStdString();
}

void MainWindow::mShowOn_Click() {
    state_.bNoPreview = !state_.bNoPreview;
    menus_->mShowOn->setChecked(!state_.bNoPreview);
    menus_->mShowOn2->setChecked(!state_.bNoPreview);
    state_.changed();
}

// ---------------------------------------------------------------------------------------------
// Drops and keys

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() || e->mimeData()->hasImage()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    dropAt(e->mimeData(), e->position().toPoint());
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void MainWindow::dropAt(const QMimeData* data, const QPoint& at) {
    const bool onList = files_->listContains(this, at);
    const bool onPreview = preview_->box()->rect().contains(preview_->box()->mapFrom(this, at));
    files_->dropData(data, onList || onPreview);
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && files_->scanning()) {
        files_->cancelScan();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

}  // namespace tavu
