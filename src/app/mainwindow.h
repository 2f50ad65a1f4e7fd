// The main window: the numbered groups that follow the work, the preview, the menus, the batch run.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextBrowser>
#include <QToolButton>
#include <atomic>
#include <map>
#include <memory>
#include <set>

#include "app/batchcontroller.h"
#include "app/previewer.h"
#include "app/prompts.h"
#include "app/skins.h"
#include "batch/picname.h"
#include "filelist/filelist.h"
#include "batch/sizepresets.h"
#include "imageio/decorate.h"
#include "platform/settings.h"
#include "watermark/textsettings.h"

namespace tavu {

// What the window needs from the world; tests give their own.
struct AppContext {
    QString programDir;             // shipped files: size.ini, skin/, bk/, sy/, ReadMe.txt, ad page
    QString workDir;                // zp/ and user/ live here
    SettingsStore* settings = nullptr;
    Prompts* prompts = nullptr;
    // Calls out to the desktop; replaced by tests.
    std::function<void(const QString&)> openFolder, openTextFile, openWebPage;
    // The text watermark's settings window; nothing when cancelled. Replaced by tests.
    std::function<std::optional<TextStyle>(QWidget*, const TextStyle&)> editTextStyle;
};

// A label that reports clicks (the status line opens the home page).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppContext context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- State shared by the handlers (named as the settings and globals they are) ----
    Settings settings;                 // every stored setting as read at start-up
    QString sOutDir, sPrefix, sOutExt;
    int iSizeMode = 0;
    bool bNoPreview = false;
    bool bLoaded = false;
    ColorMatrix cmPic = ColorMatrix::Identity();
    float sngPicX = 0, sngPicY = 0;
    int iTurn = kTurnNone;             // the direction menu's checked entry
    int iEffect = kEffectNone;         // the effect menu's checked entry
    std::vector<SizePreset> sSizeList;
    // Watermarks: positions as fractions of the picture, the picture file, its scale and opacity.
    double dTSyX = 0, dTSyY = 0, dISyX = 0, dISyY = 0;
    QString sISyF;
    float sngSYScale = 1.0f;
    double syAlpha = 0.8;   // the watermark picture's opacity (txtAlpha / 100)
    int iSYMode = 0;        // which watermark the marker acts on: 0 text, -1 picture
    bool bMoveMode = false;
    std::map<int, QString> sPicTxt;  // descriptions by list position
    QStringList sBkFile;               // border files, parallel to cmbBK

    // ---- Controls, named as the program names them ----
    // 1.添加照片
    QPushButton *cmdAdd, *cmdAdds, *cmdDel, *cmdClr;
    QListWidget* lstFile;
    QFrame* picSmall;
    QLabel* imgSmall;
    // 2.指定尺寸
    QComboBox* cmbSize;
    QLineEdit *txtW, *txtH;
    // 3.添加边框和水印
    QComboBox *cmbBK, *cmbPos, *cmbPosImg;
    QCheckBox *chkInfoTxt, *chkInfoImg;
    // 3.输出设置
    QPushButton* cmdODir;
    QComboBox* cmbEncode;
    QCheckBox* chkRM;
    QLineEdit *txtFileName, *txtNum;
    QCheckBox *chkPDF, *chkFtp;
    QPushButton* cmdPDFSet;
    // 4.开始处理
    QPushButton *cmdDone, *cmdStop, *cmdOption, *cmdSkin;
    // 处理信息
    QLabel *lFile, *lTxt, *lSY, *lOut;
    // Preview and its tools
    QFrame* picImg;
    QLabel* imgM;
    QLabel* lblPos;
    QLineEdit* txtPicTxt;
    QFrame *Frame3, *Frame4;
    QPushButton* cmdR[8] = {};
    QPushButton *cmdMR, *cmdTX, *cmdSetPos, *cmdTSet, *cmdSetP, *cmdSetPX0, *cmdSetPY0;
    QPushButton* cmdRGB[3];
    QLineEdit* txtRGB[3];
    QLineEdit *txtXp, *txtYp, *txtSize, *txtAlpha;
    QScrollBar* hscSY;
    QToolButton *imgPre, *imgFor;
    QFrame* frmTZ;
    QSlider* sldLD;
    QPushButton *cmdLD, *cmdCloseTZ;
    QFrame* Picture1;
    QTextBrowser* Web;
    ClickLabel* lInfo;

    // ---- Menus ----
    QMenu *mF, *mBrowsPic, *mP, *mPr, *mPC, *mX, *mS, *mT, *mSSkin, *mSkinOpt, *mH;
    QMenu *mLst, *mImgOpt, *mFN;
    QAction *mAddDir, *mAddFile, *mDelFile, *mUndoDel, *mClear, *mCopySrc2, *mCap, *mExit;
    QAction *mLBBrows, *mLSBrows, *mFBrows, *mFBrows2;
    QAction* mPRT[8] = {};
    QAction* mPCR[3];
    QAction *mPPro, *mPLD, *mPCutImg, *mTRect, *mT0;
    QAction* mTXUndo;
    QAction* mTX[13];
    QAction *mSetTxt, *mSetImg, *mTODir, *mSPicTxt, *mSPDFSet, *mShowOn2, *mTOption;
    QAction *mUI, *mKTTool, *mKRTool;
    QAction* mSkin[5];
    QAction *mReadMe, *mHWeb, *mBBS, *mDownZY, *mAbout;
    QAction *mDel, *mUndoDelFile, *mClr, *mShowFSrc, *mCopyFileName;
    QAction *mSetTxtSY, *mSetPicSY, *mPCut, *mSetXYPos, *mSet0, *mXYPos, *mCopyPic, *mShowF, *mShowOn;
    QAction* mFNOpt[4];

    // ---- Handlers ----
    void ShowTip(const QString& text);
    void cmbSize_Click();
    void cmdDone_Click();
    void cmdStop_Click();
    void cmdODir_Click();
    void cmdAdd_Click();
    void cmdAdds_Click();
    void cmdDel_Click();
    void cmdClr_Click();
    void mUndoDel_Click();
    bool scanning() const { return scanning_; }
    // Adds dropped files (selecting the last one added when `select`), or saves dropped picture
    // data as a bitmap in the user folder and adds it.
    void dropData(const QMimeData* data, bool select);
    // A drop at a point of the window (window coordinates): the target decides the selection.
    void dropAt(const QMimeData* data, const QPoint& at);
    const FileList& fileList() const { return list_; }
    void lstFile_Click();
    void mExit_Click();
    void mSkin_Click(int index);
    void mFNOpt_Click(int index);
    void mShowOn_Click();
    void mPRT_Click(int index);
    void mTX_Click(int index);
    void mTXUndo_Click();
    void mPCR_Click(int index);
    void mFBrows_Click();    // the source picture, full screen
    void mFBrows2_Click();   // the processed picture, full screen
    void mBrowse_Click(int mode);  // 1 the list browser, 2 the slide show
    void mTOption_Click(bool pdfPage);
    void mCopySrc2_Click();
    void chkInfoTxt_Click();
    void mSetTxt_Click();
    void chkInfoImg_Click();
    void mSetImg_Click();
    void cmbPos_Click(bool picture);
    static float ScaleFromScrollBar(int v);
    // Placement on the preview (positions in imgM's pixels).
    bool PinRect(const QPoint& at);
    void enterMoveMode();
    void mXYPos_Click();
    QRect shownPictureRect() const;  // where the preview picture lies inside imgM
    static QString ShortPath(const QString& path);
    void refreshPreview();
    bool addPath(const QString& path);   // by the picture-name and duplicate rules
    void addPaths(const QStringList& paths, bool selectLast);
    // Files and folders given when the program starts: added, the last one selected and shown.
    void addStartupPaths(const QStringList& paths);
    // The render settings the controls describe now.
    RenderSettings renderSettings() const;
    Decorations decorations() const;
    void cmbBK_Click();
    BatchOptions batchOptions() const;
    const BatchController& batch() const { return batch_; }
    BatchController& batch() { return batch_; }
    Previewer& previewer() { return preview_; }
    const QImage& previewImage() const { return previewImage_; }
    const AppContext& context() const { return ctx_; }

signals:
    void previewShown();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildUi();
    void buildMenus();
    void startUp();
    void updateListState();
    void showAdvertisement(bool show);
    void placeOverlays();
    void onBatchFinished(const Completion& c);
    void placeMarker(const QPoint& at, bool centred);
    QSize textSizeOnPreview() const;
    QSize watermarkSizeOnPreview() const;
    double previewScale() const;
    int previewCanvasWidth_ = 0;
    bool dragging_ = false;

    // Number boxes: the tip each shows when clicked; the first click also selects the whole text.
    std::map<QObject*, QString> boxTips_;
    std::set<QObject*> boxClicked_;
    AppContext ctx_;
    BatchController batch_;
    Previewer preview_;
    Previewer thumbs_;
    quint64 previewId_ = 0, thumbId_ = 0;
    QImage previewImage_;
    void rebuildList(int current);
    void startFolderScan(const QString& folder, bool recursive);
    void addScanned(std::shared_ptr<std::vector<std::string>> found, size_t from);
    FileList list_;
    bool scanning_ = false;
    std::shared_ptr<std::atomic<bool>> scanCancel_;
    int16_t loadedAlpha_ = 80;
    std::unique_ptr<SkinMenuState> skinMenu_;
    bool exiting_ = false;
};

}  // namespace tavu
