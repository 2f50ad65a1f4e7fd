#include "app/mainwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QPointer>
#include <QToolTip>
#include <thread>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/optionsdialog.h"
#include "app/screencapture.h"
#include "app/shell.h"
#include "app/viewer.h"
#include "imageio/encode.h"
#include "imageio/vipsinit.h"
#include "batch/naming.h"

namespace tavu {

namespace {

const char* const kTipWelcome = "【提示】如果您觉得本软件功能太少,点击这里下载功能更强大的免费图片批处理软件。";
const char* const kTurnCaptions[8] = {"原图", "", "自动", "+90", "-90", "180", "水平", "垂直"};
const char* const kTurnTips[8] = {"恢复图片原始方向", "", "自动扶正非正常方向拍摄的数码照片", "顺时针旋转90度",
                                  "逆时针旋转90度", "旋转180度", "以水平线为轴镜像", "以垂线为轴镜像"};

QString U(const char* s) { return QString::fromUtf8(s); }
std::string S(const QString& s) { return s.toStdString(); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* tip = nullptr) {
    auto* b = new QPushButton(U(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    if (tip) b->setToolTip(U(tip));
    return b;
}

QLineEdit* Box(QWidget* parent, const char* name, const char* text, const char* tip = nullptr, int width = 0) {
    auto* e = new QLineEdit(U(text), parent);
    e->setObjectName(QString::fromLatin1(name));
    if (tip) e->setToolTip(U(tip));
    if (width) e->setMaximumWidth(width);
    return e;
}

QAction* Act(QMenu* menu, const char* name, const char* caption, const char* shortcut = nullptr) {
    QAction* a = menu->addAction(U(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    return a;
}

}  // namespace

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit clicked();
    QLabel::mousePressEvent(e);
}

MainWindow::MainWindow(AppContext context, QWidget* parent) : QMainWindow(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("frmMain"));
    if (!ctx_.openFolder) ctx_.openFolder = OpenFolder;
    if (!ctx_.openTextFile) ctx_.openTextFile = OpenTextFile;
    if (!ctx_.openWebPage) ctx_.openWebPage = OpenWebPage;
    buildUi();
    buildMenus();

    connect(&batch_, &BatchController::pictureStarted, this, [this](int, const QString& tip) { ShowTip(tip); });
    connect(&batch_, &BatchController::progress, this, [this](int done, int total) {
        cmdDone->setText(QStringLiteral("进度:%1/%2").arg(done).arg(total));
    });
    connect(&batch_, &BatchController::finished, this, &MainWindow::onBatchFinished);
    connect(&preview_, &Previewer::rendered, this,
            [this](quint64 id, const QString&, const QImage& image, const QString& error, const QSize& canvas) {
                if (id != previewId_) return;  // an older request
                previewImage_ = image;
                previewCanvasWidth_ = canvas.width();
                if (image.isNull()) {
                    imgM->clear();
                    if (!error.isEmpty()) imgM->setText(QStringLiteral("无法预览:") + error);
                } else {
                    imgM->setPixmap(QPixmap::fromImage(image));
                    if (!error.isEmpty()) ShowTip(U("【错误提示】") + error.section(QLatin1Char('\n'), 0, 0));
                }
                emit previewShown();
            });
    connect(&thumbs_, &Previewer::rendered, this, [this](quint64 id, const QString&, const QImage& image, const QString&, const QSize&) {
        if (id != thumbId_ || image.isNull()) return;  // an unreadable picture leaves the thumbnail as it was
        imgSmall->setPixmap(QPixmap::fromImage(image));
        picSmall->show();
    });

    startUp();
}

MainWindow::~MainWindow() {
    batch_.stop();
    batch_.wait();
}

// ---------------------------------------------------------------------------------------------
// Layout

void MainWindow::buildUi() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    setAcceptDrops(true);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 4);
    outer->setSpacing(6);
    auto* columns = new QHBoxLayout;
    outer->addLayout(columns, 1);

    // Left column: the groups that follow the work.
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 0);

    auto* g1 = new QGroupBox(U("1.添加照片"), central);
    g1->setObjectName(QStringLiteral("Frame1"));
    auto* g1l = new QGridLayout(g1);
    cmdAdd = Button(g1, "cmdAdd", "添加图片", "添加单张或多张图片");
    cmdAdds = Button(g1, "cmdAdds", "添加文件夹", "添加文件夹内全部图片");
    cmdDel = Button(g1, "cmdDel", "移除图片", "移除选定图片");
    cmdClr = Button(g1, "cmdClr", "全部清空", "移除所有已添加图片");
    lstFile = new QListWidget(g1);
    lstFile->setObjectName(QStringLiteral("lstFile"));
    lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFile->setUniformItemSizes(true);  // long lists lay out in constant time
    lstFile->setMinimumHeight(140);
    lstFile->setAcceptDrops(false);  // drops reach the window, which tells the targets apart
    lstFile->installEventFilter(this);
    lstFile->viewport()->installEventFilter(this);
    picSmall = new QFrame(g1);
    picSmall->setObjectName(QStringLiteral("picSmall"));
    picSmall->setFrameShape(QFrame::StyledPanel);
    picSmall->setFixedSize(96, 96);
    imgSmall = new QLabel(picSmall);
    imgSmall->setObjectName(QStringLiteral("imgSmall"));
    imgSmall->setAlignment(Qt::AlignCenter);
    imgSmall->setGeometry(2, 2, 92, 92);
    imgSmall->setCursor(Qt::PointingHandCursor);
    imgSmall->installEventFilter(this);
    g1l->addWidget(cmdAdd, 0, 0);
    g1l->addWidget(cmdAdds, 0, 1);
    g1l->addWidget(cmdDel, 0, 2);
    g1l->addWidget(cmdClr, 0, 3);
    g1l->addWidget(lstFile, 1, 0, 1, 3);
    g1l->addWidget(picSmall, 1, 3, Qt::AlignTop | Qt::AlignHCenter);
    left->addWidget(g1, 1);

    auto* g2 = new QGroupBox(U("2.指定尺寸"), central);
    auto* g2l = new QHBoxLayout(g2);
    cmbSize = new QComboBox(g2);
    cmbSize->setObjectName(QStringLiteral("cmbSize"));
    cmbSize->setToolTip(U("选择图片尺寸"));
    cmbSize->setMaxVisibleItems(25);
    txtW = Box(g2, "txtW", "400", "输入图片宽度", 70);
    txtH = Box(g2, "txtH", "300", "输入图片高度", 70);
    g2l->addWidget(cmbSize, 1);
    g2l->addWidget(new QLabel(U("宽度:"), g2));
    g2l->addWidget(txtW);
    g2l->addWidget(new QLabel(U("高度:"), g2));
    g2l->addWidget(txtH);
    left->addWidget(g2);

    auto* g3 = new QGroupBox(U("3.添加边框和水印"), central);
    auto* g3l = new QGridLayout(g3);
    cmbBK = new QComboBox(g3);
    cmbBK->setObjectName(QStringLiteral("cmbBK"));
    cmbBK->setToolTip(U("选择边框"));
    chkInfoTxt = new QCheckBox(U("文字水印"), g3);
    chkInfoTxt->setObjectName(QStringLiteral("chkInfoTxt"));
    chkInfoTxt->setToolTip(U("添加文字水印"));
    chkInfoImg = new QCheckBox(U("图片水印"), g3);
    chkInfoImg->setObjectName(QStringLiteral("chkInfoImg"));
    chkInfoImg->setToolTip(U("添加图片水印"));
    cmbPos = new QComboBox(g3);
    cmbPos->setObjectName(QStringLiteral("cmbPos"));
    cmbPos->setToolTip(U("指定文字水印位置"));
    cmbPosImg = new QComboBox(g3);
    cmbPosImg->setObjectName(QStringLiteral("cmbPosImg"));
    cmbPosImg->setToolTip(U("指定图片水印位置"));
    g3l->addWidget(new QLabel(U("边框:"), g3), 0, 0);
    g3l->addWidget(cmbBK, 0, 1, 1, 3);
    g3l->addWidget(chkInfoTxt, 1, 0);
    g3l->addWidget(cmbPos, 1, 1);
    g3l->addWidget(chkInfoImg, 1, 2);
    g3l->addWidget(cmbPosImg, 1, 3);
    left->addWidget(g3);

    auto* g4 = new QGroupBox(U("3.输出设置"), central);
    auto* g4l = new QGridLayout(g4);
    cmdODir = Button(g4, "cmdODir", "浏览...", "指定处理好的图片放到哪个文件夹");
    cmbEncode = new QComboBox(g4);
    cmbEncode->setObjectName(QStringLiteral("cmbEncode"));
    cmbEncode->setToolTip(U("选择输出文件格式"));
    chkRM = new QCheckBox(U("改名:"), g4);
    chkRM->setObjectName(QStringLiteral("chkRM"));
    chkRM->setToolTip(U("统一文件名"));
    txtFileName = Box(g4, "txtFileName", "Tavu_", "文件名前缀(双击调出更多选项)");
    txtFileName->setEnabled(false);
    txtFileName->installEventFilter(this);
    txtNum = Box(g4, "txtNum", "4", "文件名数字序号个数", 40);
    txtNum->setEnabled(false);
    chkPDF = new QCheckBox(U("生成PDF文件"), g4);
    chkPDF->setObjectName(QStringLiteral("chkPDF"));
    chkPDF->hide();
    cmdPDFSet = Button(g4, "cmdPDFSet", "PDF设置");
    cmdPDFSet->setEnabled(false);
    cmdPDFSet->hide();
    chkFtp = new QCheckBox(U("上传到互联网"), g4);
    chkFtp->setObjectName(QStringLiteral("chkFtp"));
    chkFtp->setToolTip(U("把图片传到网上"));
    chkFtp->hide();
    g4l->addWidget(new QLabel(U("新照片保存到:"), g4), 0, 0);
    g4l->addWidget(cmdODir, 0, 1);
    g4l->addWidget(new QLabel(U("新照片的格式:"), g4), 0, 2);
    g4l->addWidget(cmbEncode, 0, 3);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(chkRM);
    nameRow->addWidget(txtFileName, 1);
    nameRow->addWidget(txtNum);
    nameRow->addWidget(new QLabel(U("位数字"), g4));
    g4l->addLayout(nameRow, 1, 0, 1, 4);
    left->addWidget(g4);

    auto* g5 = new QGroupBox(U("4.开始处理"), central);
    auto* g5l = new QHBoxLayout(g5);
    cmdDone = Button(g5, "cmdDone", "开始处理", "开始批处理");
    cmdDone->setMinimumHeight(40);
    cmdStop = Button(g5, "cmdStop", "停止处理");
    cmdStop->setEnabled(false);
    cmdOption = Button(g5, "cmdOption", "选项", "打开软件选项窗口");
    cmdSkin = Button(g5, "cmdSkin", "换肤", "更换软件皮肤");
    g5l->addWidget(cmdDone, 2);
    g5l->addWidget(cmdStop, 1);
    g5l->addWidget(cmdOption);
    g5l->addWidget(cmdSkin);
    left->addWidget(g5);

    auto* g6 = new QGroupBox(U("处理信息"), central);
    auto* g6l = new QGridLayout(g6);
    lFile = new QLabel(U("图片数量:0个"), g6);
    lFile->setObjectName(QStringLiteral("lFile"));
    lTxt = new QLabel(U("文字水印:无"), g6);
    lTxt->setObjectName(QStringLiteral("lTxt"));
    lSY = new QLabel(U("图片水印:无"), g6);
    lSY->setObjectName(QStringLiteral("lSY"));
    lOut = new QLabel(U("输出目录:未设置"), g6);
    lOut->setObjectName(QStringLiteral("lOut"));
    g6l->addWidget(lFile, 0, 0);
    g6l->addWidget(lTxt, 0, 1);
    g6l->addWidget(lSY, 0, 2);
    g6l->addWidget(lOut, 1, 0, 1, 3);
    left->addWidget(g6);

    // Right column: the preview with its tool frames.
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    picImg = new QFrame(central);
    picImg->setObjectName(QStringLiteral("picImg"));
    picImg->setFrameShape(QFrame::StyledPanel);
    picImg->setMinimumSize(420, 340);
    picImg->setMouseTracking(true);
    picImg->installEventFilter(this);
    picImg->setContextMenuPolicy(Qt::CustomContextMenu);
    imgM = new QLabel(picImg);
    imgM->setObjectName(QStringLiteral("imgM"));
    imgM->setAlignment(Qt::AlignCenter);
    imgM->setMouseTracking(true);
    imgM->installEventFilter(this);
    lblPos = new QLabel(picImg);
    lblPos->setObjectName(QStringLiteral("lblPos"));
    lblPos->setStyleSheet(QStringLiteral("border: 2px dashed #d03030;"));
    lblPos->hide();
    txtPicTxt = Box(picImg, "txtPicTxt", "在这里填写该图片的说明,回车确认,ESC键隐藏本说明");
    txtPicTxt->hide();

    Frame4 = new QFrame(picImg);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setFrameShape(QFrame::StyledPanel);
    Frame4->setAutoFillBackground(true);
    auto* f4l = new QHBoxLayout(Frame4);
    f4l->setContentsMargins(4, 2, 4, 2);
    for (int i = 0; i < 8; ++i) {
        if (i == 1) continue;
        cmdR[i] = Button(Frame4, qPrintable(QStringLiteral("cmdR%1").arg(i)), kTurnCaptions[i], kTurnTips[i]);
        f4l->addWidget(cmdR[i]);
        connect(cmdR[i], &QPushButton::clicked, this, [this, i] { mPRT_Click(i); });
    }
    Frame4->hide();

    Frame3 = new QFrame(picImg);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFrameShape(QFrame::StyledPanel);
    Frame3->setAutoFillBackground(true);
    auto* f3l = new QGridLayout(Frame3);
    f3l->setContentsMargins(4, 4, 4, 4);
    cmdMR = Button(Frame3, "cmdMR", "美容", "快速人像美容");
    cmdTX = Button(Frame3, "cmdTX", ">", "更多特效");
    f3l->addWidget(cmdMR, 0, 0);
    f3l->addWidget(cmdTX, 0, 1);
    static const char* rgbCaption[3] = {"红", "绿", "蓝"};
    static const char* rgbTip[3] = {"红色分量大小(0-1)", "绿色分量大小(0-1)", "蓝色分量大小(0-1)"};
    for (int i = 0; i < 3; ++i) {
        cmdRGB[i] = Button(Frame3, qPrintable(QStringLiteral("cmdRGB%1").arg(i)), rgbCaption[i]);
        cmdRGB[i]->setToolTip(U("色通道开关") + U(rgbCaption[i]));
        txtRGB[i] = Box(Frame3, qPrintable(QStringLiteral("txtRGB%1").arg(i)), "1", rgbTip[i], 48);
        f3l->addWidget(cmdRGB[i], 1 + i, 0);
        f3l->addWidget(txtRGB[i], 1 + i, 1);
        connect(cmdRGB[i], &QPushButton::clicked, this, [this, i] { mPCR_Click(i); });
        connect(txtRGB[i], &QLineEdit::textChanged, this, [this] {
            float g[3];
            for (int k = 0; k < 3; ++k) {
                const std::optional<float> v = ReadSingle(S(txtRGB[k]->text()));
                g[k] = v ? *v : cmPic.m[k][k];
            }
            cmPic = ColorMatrix::Gains(g[0], g[1], g[2]);
            lstFile_Click();
        });
    }
    txtXp = Box(Frame3, "txtXp", "0", "图片左边界", 48);
    txtYp = Box(Frame3, "txtYp", "0", "图片上边界", 48);
    cmdSetPX0 = Button(Frame3, "cmdSetPX0", "X", "设置图片左右与画布重合");
    cmdSetPY0 = Button(Frame3, "cmdSetPY0", "Y", "设置图片上下与画布重合");
    f3l->addWidget(cmdSetPX0, 4, 0);
    f3l->addWidget(txtXp, 4, 1);
    f3l->addWidget(cmdSetPY0, 5, 0);
    f3l->addWidget(txtYp, 5, 1);
    connect(txtXp, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (auto v = ReadSingle(S(t))) sngPicX = *v;
        lstFile_Click();
    });
    connect(txtYp, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (auto v = ReadSingle(S(t))) sngPicY = *v;
        lstFile_Click();
    });
    connect(cmdSetPX0, &QPushButton::clicked, this, [this] { txtXp->setText(QStringLiteral("0")); });
    connect(cmdSetPY0, &QPushButton::clicked, this, [this] { txtYp->setText(QStringLiteral("0")); });
    cmdTSet = Button(Frame3, "cmdTSet", "文本水印", "添加文字类型的水印");
    cmdSetP = Button(Frame3, "cmdSetP", "图片水印", "添加图片类型的水印");
    txtSize = Box(Frame3, "txtSize", "9", "文字大小", 48);
    txtAlpha = Box(Frame3, "txtAlpha", "80", "水印透明度(0-完全透明,100-不透明)", 48);
    hscSY = new QScrollBar(Qt::Horizontal, Frame3);
    hscSY->setObjectName(QStringLiteral("hscSY"));
    hscSY->setRange(0, 20);
    hscSY->setValue(10);
    cmdSetPos = Button(Frame3, "cmdSetPos", "移动图片", "改变图片在画布上(边框内)的位置");
    f3l->addWidget(cmdTSet, 6, 0, 1, 2);
    f3l->addWidget(txtSize, 7, 1);
    f3l->addWidget(new QLabel(U("字号"), Frame3), 7, 0);
    f3l->addWidget(cmdSetP, 8, 0, 1, 2);
    f3l->addWidget(new QLabel(U("透明"), Frame3), 9, 0);
    f3l->addWidget(txtAlpha, 9, 1);
    f3l->addWidget(hscSY, 10, 0, 1, 2);
    f3l->addWidget(cmdSetPos, 11, 0, 1, 2);
    Frame3->hide();

    frmTZ = new QFrame(picImg);
    frmTZ->setObjectName(QStringLiteral("frmTZ"));
    frmTZ->setFrameShape(QFrame::StyledPanel);
    frmTZ->setAutoFillBackground(true);
    auto* tzl = new QHBoxLayout(frmTZ);
    tzl->addWidget(new QLabel(U("亮度"), frmTZ));
    sldLD = new QSlider(Qt::Horizontal, frmTZ);
    sldLD->setObjectName(QStringLiteral("sldLD"));
    sldLD->setRange(kBrightnessMin, kBrightnessMax);
    sldLD->setValue(0);
    cmdLD = Button(frmTZ, "cmdLD", "默认");
    cmdCloseTZ = Button(frmTZ, "cmdCloseTZ", "关闭");
    tzl->addWidget(sldLD, 1);
    tzl->addWidget(cmdLD);
    tzl->addWidget(cmdCloseTZ);
    frmTZ->hide();
    connect(cmdLD, &QPushButton::clicked, this, [this] { sldLD->setValue(0); });
    connect(cmdCloseTZ, &QPushButton::clicked, frmTZ, &QWidget::hide);
    connect(sldLD, &QSlider::valueChanged, this, [this] { mTX_Click(kEffectBrightness); });

    Picture1 = new QFrame(picImg);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto* adl = new QVBoxLayout(Picture1);
    adl->setContentsMargins(0, 0, 0, 0);
    Web = new QTextBrowser(Picture1);
    Web->setObjectName(QStringLiteral("Web"));
    Web->setOpenExternalLinks(true);
    adl->addWidget(Web);
    Picture1->hide();

    right->addWidget(picImg, 1);
    auto* nav = new QHBoxLayout;
    imgPre = new QToolButton(central);
    imgPre->setObjectName(QStringLiteral("imgPre"));
    imgPre->setToolTip(U("上一个图片"));
    imgPre->setArrowType(Qt::LeftArrow);
    imgFor = new QToolButton(central);
    imgFor->setObjectName(QStringLiteral("imgFor"));
    imgFor->setToolTip(U("下一个图片"));
    imgFor->setArrowType(Qt::RightArrow);
    nav->addStretch(1);
    nav->addWidget(imgPre);
    nav->addWidget(imgFor);
    nav->addStretch(1);
    right->addLayout(nav);

    lInfo = new ClickLabel(U("就绪。"), central);
    lInfo->setObjectName(QStringLiteral("lInfo"));
    lInfo->setCursor(Qt::PointingHandCursor);
    outer->addWidget(lInfo);

    // Wiring of the controls this window owns.
    connect(cmdAdd, &QPushButton::clicked, this, &MainWindow::cmdAdd_Click);
    connect(cmdAdds, &QPushButton::clicked, this, &MainWindow::cmdAdds_Click);
    connect(cmdDel, &QPushButton::clicked, this, &MainWindow::cmdDel_Click);
    connect(cmdClr, &QPushButton::clicked, this, &MainWindow::cmdClr_Click);
    connect(lstFile, &QListWidget::currentRowChanged, this, [this] { lstFile_Click(); });
    connect(cmbSize, &QComboBox::currentIndexChanged, this, [this] { cmbSize_Click(); });
    connect(txtW, &QLineEdit::textChanged, this, [this] { lstFile_Click(); });
    connect(txtH, &QLineEdit::textChanged, this, [this] { lstFile_Click(); });
    connect(txtSize, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.isEmpty()) return;
        if (auto v = ReadInt16(S(t))) settings.iSize = *v;
        lstFile_Click();
    });
    connect(cmdDone, &QPushButton::clicked, this, &MainWindow::cmdDone_Click);
    connect(cmdStop, &QPushButton::clicked, this, &MainWindow::cmdStop_Click);
    connect(cmdODir, &QPushButton::clicked, this, &MainWindow::cmdODir_Click);
    connect(chkRM, &QCheckBox::toggled, this, [this](bool on) {
        txtFileName->setEnabled(on);
        txtNum->setEnabled(on);
    });
    connect(txtFileName, &QLineEdit::textChanged, this, [this](const QString& t) { sPrefix = t; });
    connect(cmbEncode, &QComboBox::activated, this, [this] { sOutExt = cmbEncode->currentText(); });
    connect(chkPDF, &QCheckBox::toggled, cmdPDFSet, &QWidget::setEnabled);
    connect(lInfo, &ClickLabel::clicked, this, [this] { ctx_.openWebPage(U(kHomePage)); });
    connect(imgPre, &QToolButton::clicked, this, [this] {
        if (lstFile->currentRow() - 1 >= 0) lstFile->setCurrentRow(lstFile->currentRow() - 1);
    });
    connect(imgFor, &QToolButton::clicked, this, [this] {
        if (lstFile->currentRow() + 1 < lstFile->count()) lstFile->setCurrentRow(lstFile->currentRow() + 1);
    });
    connect(cmdMR, &QPushButton::clicked, this, [this] { mTX_Click(0); });
    connect(cmdSetPos, &QPushButton::clicked, this, [this] { enterMoveMode(); });
    picImg->setFocusPolicy(Qt::StrongFocus);

    const std::pair<QLineEdit*, const char*> tips[] = {
        {txtW, "【提示】输入图片的宽度(单位:像素)。"},
        {txtH, "【提示】输入图片的高度(单位:像素)。"},
        {txtSize, "【提示】请输入水印文字的大小。"},
        {txtFileName, "【提示】请输入图片文件名的前缀(如输入Tupian_,那么文件名将类似Tupian_001.jpg)。"},
        {txtNum, "【提示】请输入图片文件名的顺序号位数(比如输入3,那么文件名将类似Tavu_001.jpg)。"},
        {txtXp, "【提示】请输入数字。该数字指定了图片的左边界。"},
        {txtYp, "【提示】请输入数字。该数字指定了图片的上边界。"},
        {txtRGB[0], "【提示】请输入数字。数字越大该颜色越重(建议0-10之间，可以是小数)。"},
        {txtRGB[1], "【提示】请输入数字。数字越大该颜色越重(建议0-10之间，可以是小数)。"},
        {txtRGB[2], "【提示】请输入数字。数字越大该颜色越重(建议0-10之间，可以是小数)。"},
    };
    for (auto [box, tip] : tips) {
        boxTips_[box] = U(tip);
        box->installEventFilter(this);
    }
}

void MainWindow::buildMenus() {
    // The menu bar stays hidden; every entry's shortcut still acts because the actions belong to
    // the window.
    menuBar()->hide();
    mF = menuBar()->addMenu(U("文件(&F)"));
    mF->setObjectName(QStringLiteral("mF"));
    mAddDir = Act(mF, "mAddDir", "添加文件夹内全部图片...", "Ctrl+D");
    mAddFile = Act(mF, "mAddFile", "添加单张或多张图片...", "Ctrl+F");
    mDelFile = Act(mF, "mDelFile", "移除所选图片");
    mUndoDel = Act(mF, "mUndoDel", "重新载入移除的图片");
    mClear = Act(mF, "mClear", "清空添加的全部图片", "Ctrl+L");
    mF->addSeparator();
    mCopySrc2 = Act(mF, "mCopySrc2", "屏幕截图...", "Ctrl+S");
    mCap = Act(mF, "mCap", "摄像头拍照...");
    mF->addSeparator();
    mExit = Act(mF, "mExit", "退    出", "Ctrl+Q");
    mDelFile->setEnabled(false);
    mUndoDel->setEnabled(false);
    mClear->setEnabled(false);

    mBrowsPic = menuBar()->addMenu(U("浏览(&B)"));
    mBrowsPic->setObjectName(QStringLiteral("mBrowsPic"));
    mLBBrows = Act(mBrowsPic, "mLBBrows", "多图列表浏览原图");
    mLSBrows = Act(mBrowsPic, "mLSBrows", "幻灯片模式浏览原图");
    mBrowsPic->addSeparator();
    mFBrows = Act(mBrowsPic, "mFBrows", "全屏查看原图");
    mFBrows2 = Act(mBrowsPic, "mFBrows2", "全屏预览处理图");

    mP = menuBar()->addMenu(U("调整(&P)"));
    mP->setObjectName(QStringLiteral("mP"));
    mPr = mP->addMenu(U("方向旋转"));
    mPr->setObjectName(QStringLiteral("mPr"));
    static const char* prt[8] = {"取消旋转", "", "智能旋转数码照片", "顺转90度", "逆转90度", "旋转180度", "水平镜像", "垂直镜像"};
    for (int i = 0; i < 8; ++i) {
        if (i == 1) {
            mPr->addSeparator();
            continue;
        }
        mPRT[i] = Act(mPr, qPrintable(QStringLiteral("mPRT%1").arg(i)), prt[i], i == 0 ? "Ctrl+X" : nullptr);
        mPRT[i]->setCheckable(true);
        connect(mPRT[i], &QAction::triggered, this, [this, i] { mPRT_Click(i); });
    }
    mPC = mP->addMenu(U("色彩通道"));
    mPC->setObjectName(QStringLiteral("mPC"));
    static const char* pcr[3] = {"红色通道", "绿色通道", "蓝色通道"};
    for (int i = 0; i < 3; ++i) {
        mPCR[i] = Act(mPC, qPrintable(QStringLiteral("mPCR%1").arg(i)), pcr[i]);
        mPCR[i]->setCheckable(true);
        mPCR[i]->setChecked(true);
        connect(mPCR[i], &QAction::triggered, this, [this, i] {
            mPCR[i]->setChecked(!mPCR[i]->isChecked());  // the handler toggles it itself
            mPCR_Click(i);
        });
    }
    mPPro = Act(mP, "mPPro", "高级...");
    mPLD = Act(mP, "mPLD", "调整亮度...");
    mP->addSeparator();
    mPCutImg = Act(mP, "mPCutImg", "裁剪图片", "Ctrl+U");
    mTRect = Act(mP, "mTRect", "移动图片", "Ctrl+M");
    mT0 = Act(mP, "mT0", "恢复原点", "Ctrl+Z");
    connect(mPLD, &QAction::triggered, this, [this] {
        frmTZ->show();
        frmTZ->raise();
        placeOverlays();
    });
    connect(mT0, &QAction::triggered, this, [this] {
        txtXp->setText(QStringLiteral("0"));
        txtYp->setText(QStringLiteral("0"));
    });

    mX = menuBar()->addMenu(U("特效(&X)"));
    mX->setObjectName(QStringLiteral("mX"));
    mTXUndo = Act(mX, "mTXUndo", "无特效");
    mTXUndo->setCheckable(true);
    mTXUndo->setChecked(true);
    connect(mTXUndo, &QAction::triggered, this, &MainWindow::mTXUndo_Click);
    mX->addSeparator();
    for (int i = 0; i < 13; ++i) {
        const std::string caption(EffectCaption(i));
        mTX[i] = Act(mX, qPrintable(QStringLiteral("mTX%1").arg(i)), caption.c_str());
        mTX[i]->setCheckable(true);
        connect(mTX[i], &QAction::triggered, this, [this, i] { mTX_Click(i); });
    }
    mTX[12]->setVisible(false);
    connect(cmdTX, &QPushButton::clicked, this, [this] { mX->popup(QCursor::pos()); });

    mS = menuBar()->addMenu(U("设置(&S)"));
    mS->setObjectName(QStringLiteral("mS"));
    mSetTxt = Act(mS, "mSetTxt", "文字水印...", "Ctrl+T");
    mSetImg = Act(mS, "mSetImg", "图片水印...", "Ctrl+P");
    mSetTxt->setVisible(false);
    mSetImg->setVisible(false);
    mTODir = Act(mS, "mTODir", "输出目录...");
    mS->addSeparator();
    mSPicTxt = Act(mS, "mSPicTxt", "图片说明...", "Ctrl+E");
    mSPicTxt->setVisible(false);
    mSPDFSet = Act(mS, "mSPDFSet", "PDF参数设置...");
    mS->addSeparator();
    mShowOn2 = Act(mS, "mShowOn2", "实时预览");
    mShowOn2->setCheckable(true);
    mShowOn2->setChecked(true);
    mShowOn2->setVisible(false);
    mTOption = Act(mS, "mTOption", "选项...", "Ctrl+O");
    connect(mTODir, &QAction::triggered, this, [this] {
        ShowTip(U("【提示】选择输出文件夹,处理好的图片将存放到该文件夹。"));
        cmdODir_Click();
    });

    mT = menuBar()->addMenu(U("工具(&T)"));
    mT->setObjectName(QStringLiteral("mT"));
    Act(mT, "mTTBI2JPG", "TBI转JPG");
    Act(mT, "mTJPG2TBI", "JPG转TBI");
    mT->addSeparator();
    Act(mT, "mTCreatePDF", "生成PDF文件");

    mSSkin = menuBar()->addMenu(U("界面(&K)"));
    mSSkin->setObjectName(QStringLiteral("mSSkin"));
    mUI = Act(mSSkin, "mUI", "简约/全屏模式转换", "Ctrl+K");
    mSSkin->addSeparator();
    mKTTool = Act(mSSkin, "mKTTool", "显示顶部工具条");
    mKRTool = Act(mSSkin, "mKRTool", "显示右侧工具条");
    mSSkin->addSeparator();
    mSkinOpt = mSSkin->addMenu(U("软件换肤"));
    mSkinOpt->setObjectName(QStringLiteral("mSkinOpt"));
    for (int i = 0; i < kSkinMenuEntryCount; ++i) {
        mSkin[i] = Act(mSkinOpt, qPrintable(QStringLiteral("mSkin%1").arg(i)), "");
        mSkin[i]->setText(SkinMenuCaption(i));
        mSkin[i]->setCheckable(true);
        connect(mSkin[i], &QAction::triggered, this, [this, i] { mSkin_Click(i); });
    }
    connect(mUI, &QAction::triggered, this, [this] {
        if (isMinimized() || isMaximized()) showNormal();
        else showMaximized();
    });
    connect(mKTTool, &QAction::triggered, this, [this] {
        Frame4->show();
        Frame4->setProperty("pinned", true);
        placeOverlays();
    });
    connect(mKRTool, &QAction::triggered, this, [this] {
        Frame3->show();
        Frame3->setProperty("pinned", true);
        placeOverlays();
    });
    connect(cmdSkin, &QPushButton::clicked, this, [this] { mSkinOpt->popup(cmdSkin->mapToGlobal(QPoint(0, cmdSkin->height()))); });

    mH = menuBar()->addMenu(U("帮助(&H)"));
    mH->setObjectName(QStringLiteral("mH"));
    mReadMe = Act(mH, "mReadMe", "使用指南", "F2");
    mHWeb = Act(mH, "mHWeb", "官方网站", "F3");
    mBBS = Act(mH, "mBBS", "交流论坛", "F4");
    mDownZY = Act(mH, "mDownZY", "下载素材", "F5");
    mH->addSeparator();
    mAbout = Act(mH, "mAbout", "关于Tavu...", "F1");
    connect(mReadMe, &QAction::triggered, this, [this] { ctx_.openTextFile(ctx_.programDir + QStringLiteral("/ReadMe.txt")); });
    connect(mHWeb, &QAction::triggered, this, [this] { ctx_.openWebPage(U(kHomePage)); });
    connect(mBBS, &QAction::triggered, this, [this] { ctx_.openWebPage(U(kForumPage)); });
    connect(mDownZY, &QAction::triggered, this, [this] { ctx_.openWebPage(U(kMaterialsPage)); });

    // Every menu entry acts by its shortcut although the menu bar is hidden.
    for (QMenu* m : {mF, mBrowsPic, mP, mPr, mPC, mX, mS, mT, mSSkin, mSkinOpt, mH}) addActions(m->actions());

    mLst = new QMenu(this);
    mLst->setObjectName(QStringLiteral("mLst"));
    mDel = Act(mLst, "mDel", "移除图片");
    mUndoDelFile = Act(mLst, "mUndoDelFile", "取消移除");
    mUndoDelFile->setEnabled(false);
    mClr = Act(mLst, "mClr", "全部清空");
    mShowFSrc = Act(mLst, "mShowFSrc", "全屏查看");
    mShowFSrc->setVisible(false);
    mLst->addSeparator();
    mCopyFileName = Act(mLst, "mCopyFileName", "复制文件路径");
    lstFile->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstFile, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (lstFile->currentRow() >= 0) mLst->popup(lstFile->viewport()->mapToGlobal(p));
    });
    connect(mCopyFileName, &QAction::triggered, this, [this] {
        if (!lstFile->currentItem()) return;
        const QString path = lstFile->currentItem()->text();
        QApplication::clipboard()->setText(path);
        ShowTip(U("【提示】文件路径已复制:") + path);
    });

    mImgOpt = new QMenu(this);
    mImgOpt->setObjectName(QStringLiteral("mImgOpt"));
    mSetTxtSY = Act(mImgOpt, "mSetTxtSY", "设置文字水印");
    mSetPicSY = Act(mImgOpt, "mSetPicSY", "设置图片水印");
    mImgOpt->addSeparator();
    mPCut = Act(mImgOpt, "mPCut", "裁剪原图");
    mSetXYPos = Act(mImgOpt, "mSetXYPos", "移动图片");
    mSet0 = Act(mImgOpt, "mSet0", "恢复原点");
    mXYPos = Act(mImgOpt, "mXYPos", "坐标定位");
    mXYPos->setEnabled(false);
    mImgOpt->addSeparator();
    mCopyPic = Act(mImgOpt, "mCopyPic", "复制图片");
    mImgOpt->addSeparator();
    mShowF = Act(mImgOpt, "mShowF", "全屏预览");
    mImgOpt->addSeparator();
    mShowOn = Act(mImgOpt, "mShowOn", "实时预览");
    mShowOn->setCheckable(true);
    mShowOn->setChecked(true);
    connect(picImg, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { mImgOpt->popup(picImg->mapToGlobal(p)); });
    connect(mSet0, &QAction::triggered, mT0, &QAction::trigger);
    for (QAction* a : {mTRect, mSetXYPos}) connect(a, &QAction::triggered, this, &MainWindow::enterMoveMode);
    connect(mXYPos, &QAction::triggered, this, &MainWindow::mXYPos_Click);
    connect(mShowOn, &QAction::triggered, this, [this] {
        mShowOn->setChecked(!mShowOn->isChecked());
        mShowOn_Click();
    });
    connect(mShowOn2, &QAction::triggered, this, [this] {
        mShowOn2->setChecked(!mShowOn2->isChecked());
        mShowOn_Click();
    });
    connect(mCopyPic, &QAction::triggered, this, [this] {
        if (!previewImage_.isNull()) QApplication::clipboard()->setImage(previewImage_);
    });

    mFN = new QMenu(this);
    mFN->setObjectName(QStringLiteral("mFN"));
    static const char* fn[4] = {"#当前日期#", "#当前时间#", "#日期和时间#", "#不要前缀#"};
    for (int i = 0; i < 4; ++i) {
        mFNOpt[i] = Act(mFN, qPrintable(QStringLiteral("mFNOpt%1").arg(i)), fn[i]);
        connect(mFNOpt[i], &QAction::triggered, this, [this, i] { mFNOpt_Click(i); });
    }

    // Entries that lead to the list's commands.
    connect(mAddDir, &QAction::triggered, this, &MainWindow::cmdAdds_Click);
    connect(mAddFile, &QAction::triggered, this, &MainWindow::cmdAdd_Click);
    for (QAction* a : {mDelFile, mDel}) connect(a, &QAction::triggered, this, &MainWindow::cmdDel_Click);
    for (QAction* a : {mClear, mClr}) connect(a, &QAction::triggered, this, &MainWindow::cmdClr_Click);
    for (QAction* a : {mUndoDel, mUndoDelFile}) connect(a, &QAction::triggered, this, &MainWindow::mUndoDel_Click);
    connect(mExit, &QAction::triggered, this, &MainWindow::mExit_Click);
    connect(mCap, &QAction::triggered, this, [this] { ShowTip(U("【提示】请确保摄像头已经与您的电脑连接好。")); });
    connect(mAbout, &QAction::triggered, this, [this] {
        ShowTip(U(kTipWelcome));
        if (ctx_.prompts)
            ctx_.prompts->about(this, U("关于Tavu照片压缩"),
                                U("<h3>Tavu照片压缩 1.0</h3><p>批量压缩照片:限制宽度、原始尺寸、预设尺寸或自定义尺寸,"
                                  "裁剪填满或完整放入,输出 JPG、PNG、TIFF、BMP。原图永远不会被改动。</p>") +
                                    QStringLiteral("<p>libvips %1 · Qt %2</p>")
                                        .arg(QString::fromStdString(ImageIOVersion()), QString::fromLatin1(qVersion())));
    });
    for (QAction* a : {mFBrows, mShowFSrc}) connect(a, &QAction::triggered, this, &MainWindow::mFBrows_Click);
    for (QAction* a : {mFBrows2, mShowF}) connect(a, &QAction::triggered, this, &MainWindow::mFBrows2_Click);
    connect(mLBBrows, &QAction::triggered, this, [this] { mBrowse_Click(1); });
    connect(mLSBrows, &QAction::triggered, this, [this] { mBrowse_Click(2); });
    connect(mTOption, &QAction::triggered, this, [this] { mTOption_Click(false); });
    connect(cmdOption, &QPushButton::clicked, this, [this] { mTOption_Click(false); });
    connect(mSPDFSet, &QAction::triggered, this, [this] { mTOption_Click(true); });
    connect(cmdPDFSet, &QPushButton::clicked, this, [this] { mTOption_Click(true); });
    connect(mCopySrc2, &QAction::triggered, this, &MainWindow::mCopySrc2_Click);
    connect(lstFile, &QListWidget::itemDoubleClicked, this, &MainWindow::mFBrows_Click);

    // Watermarks.
    connect(chkInfoTxt, &QCheckBox::toggled, this, &MainWindow::chkInfoTxt_Click);
    connect(chkInfoImg, &QCheckBox::toggled, this, &MainWindow::chkInfoImg_Click);
    for (QAction* a : {mSetTxt, mSetTxtSY}) connect(a, &QAction::triggered, this, &MainWindow::mSetTxt_Click);
    connect(cmdTSet, &QPushButton::clicked, this, &MainWindow::mSetTxt_Click);
    for (QAction* a : {mSetImg, mSetPicSY}) connect(a, &QAction::triggered, this, &MainWindow::mSetImg_Click);
    connect(cmdSetP, &QPushButton::clicked, this, &MainWindow::mSetImg_Click);
    connect(cmbPos, &QComboBox::currentIndexChanged, this, [this] { cmbPos_Click(false); });
    connect(cmbBK, &QComboBox::currentIndexChanged, this, &MainWindow::cmbBK_Click);
    connect(cmbPosImg, &QComboBox::currentIndexChanged, this, [this] { cmbPos_Click(true); });
    connect(txtAlpha, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!t.isEmpty())
            if (auto v = ReadSingle(S(t))) syAlpha = *v / 100.0;
        lstFile_Click();
    });
    connect(hscSY, &QScrollBar::valueChanged, this, [this](int v) {
        sngSYScale = ScaleFromScrollBar(v);
        picImg->setFocus();
        lstFile_Click();
    });
    connect(mSPicTxt, &QAction::triggered, this, [this] {
        txtPicTxt->show();
        txtPicTxt->raise();
        txtPicTxt->setFocus();
        ShowTip(U("【提示】请输入对该图片的说明，该说明将在PDF文档或被整合到网页中。"));
    });
    txtPicTxt->installEventFilter(this);
    boxTips_[txtAlpha] = U("【提示】请输入水印图片的透明度(0-100，数字越大越不透明)。");
    txtAlpha->installEventFilter(this);
}

float MainWindow::ScaleFromScrollBar(int v) { return float(WatermarkScaleFromSlider(v)); }

QString MainWindow::ShortPath(const QString& path) {
    if (path.size() <= 22) return path;
    return path.left(3) + QStringLiteral("...") + path.right(17);
}

void MainWindow::chkInfoTxt_Click() {
    if (!chkInfoTxt->isChecked()) {
        lTxt->setText(U("文字水印:无"));
        settings.sText.clear();  // forgotten, not merely hidden
        cmbPos->setEnabled(false);
    } else {
        if (settings.sText.empty() && bLoaded) {
            const QSignalBlocker block(chkInfoTxt);
            mSetTxt_Click();
        }
        if (settings.sText.empty()) {
            lTxt->setText(U("文字水印:无"));
            cmbPos->setEnabled(false);
        } else {
            const QString text = QString::fromStdString(settings.sText);
            lTxt->setText(U("文字水印:") + text);
            cmbPos->setEnabled(true);
            if (cmbPos->currentIndex() != cmbPos->count() - 1) cmbPos->setCurrentIndex(4);
            cmbPos->setFocus();
            ShowTip(U("【提示】成功设置文字水印:") + text);
        }
    }
    if (lstFile->currentItem() && !previewImage_.isNull()) lstFile_Click();
}

void MainWindow::mSetTxt_Click() {
    ShowTip(U("【提示】设置文字水印。"));
    TextStyle style;
    style.text = QString::fromStdString(settings.sText);
    style.font = QString::fromStdString(settings.sFont);
    style.size = settings.iSize;
    style.color = settings.lColor;
    style.bold = settings.sBold;
    style.underline = settings.sUnderline;
    style.italic = settings.sItalic;
    std::optional<TextStyle> chosen;
    if (ctx_.editTextStyle) {
        chosen = ctx_.editTextStyle(this, style);
    } else {
        TextSettingsDialog dlg(style, this);
        if (dlg.exec() == QDialog::Accepted) chosen = dlg.style();
    }
    if (chosen) {
        settings.sText = S(chosen->text);
        settings.sFont = S(chosen->font);
        settings.iSize = int16_t(chosen->size);
        settings.lColor = chosen->color;
        settings.sBold = chosen->bold;
        settings.sUnderline = chosen->underline;
        settings.sItalic = chosen->italic;
        txtSize->setText(QString::number(settings.iSize));
    }
    if (!settings.sText.empty()) {
        if (!chkInfoTxt->isChecked()) chkInfoTxt->setChecked(true);  // its handler runs
        else chkInfoTxt_Click();  // refresh the label with the new text
    }
    lstFile_Click();
}

void MainWindow::chkInfoImg_Click() {
    if (!chkInfoImg->isChecked()) {
        sISyF.clear();
        lstFile_Click();
        cmbPosImg->setEnabled(false);
        lSY->setText(U("图片水印:无"));
        return;
    }
    if (sISyF.isEmpty() && bLoaded) {
        const QSignalBlocker block(chkInfoImg);
        mSetImg_Click();
    }
    if (sISyF.isEmpty()) {
        cmbPosImg->setEnabled(false);
        lSY->setText(U("图片水印:无"));
        return;
    }
    cmbPosImg->setEnabled(true);
    if (cmbPosImg->currentIndex() != cmbPosImg->count() - 1) cmbPosImg->setCurrentIndex(3);
    cmbPosImg->setFocus();
    lSY->setText(U("图片水印:") + ShortPath(sISyF));
    ShowTip(U("【提示】已设置图片水印:") + sISyF + U("。"));
}

void MainWindow::mSetImg_Click() {
    ShowTip(U("【提示】请选择要添加的水印图片。"));
    if (!ctx_.prompts) return;
    int alpha = int(std::lround(syAlpha * 100));
    const QString file = ctx_.prompts->chooseWatermark(this, U("请选择要添加的水印图片。"),
                                                       ctx_.programDir + QStringLiteral("/sy"), &alpha);
    if (!file.isEmpty()) {
        sISyF = file;
        txtAlpha->setText(QString::number(alpha));
    } else if (sISyF.isEmpty()) {
        const QSignalBlocker block(chkInfoImg);
        chkInfoImg->setChecked(false);
    }
    if (!sISyF.isEmpty()) {
        if (!chkInfoImg->isChecked()) chkInfoImg->setChecked(true);
        else chkInfoImg_Click();
    }
    lstFile_Click();
}

void MainWindow::cmbPos_Click(bool picture) {
    QComboBox* box = picture ? cmbPosImg : cmbPos;
    mXYPos->setEnabled(false);
    if (box->currentIndex() == box->count() - 1) {
        iSYMode = picture ? -1 : 0;
        ShowTip(picture ? U("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。")
                        : U("【提示】按住鼠标左键拖动红色圆块即可调整位置,方向键微调。"));
        // Over the watermark when it has been placed: the marker flashes a few times (counted in
        // time, not in event-loop passes) and stays.
        const double fx = picture ? dISyX : dTSyX, fy = picture ? dISyY : dTSyY;
        if (bLoaded && (fx != 0 || fy != 0) && !previewImage_.isNull()) {
            const QRect r = shownPictureRect();
            const QSize size = picture ? watermarkSizeOnPreview() : textSizeOnPreview();
            lblPos->resize(std::max(size.width(), 12), 12);
            const QPoint at(r.left() + int(r.width() * fx), r.top() + int(r.height() * fy));
            placeMarker(picture ? at : at + QPoint(lblPos->width() / 2, 0), false);
            for (int i = 1; i <= 4; ++i) QTimer::singleShot(150 * i, lblPos, [this, i] { lblPos->setVisible(i % 2 == 0); });
        }
        bMoveMode = false;
        picImg->setFocus();
    } else {
        lblPos->hide();
    }
    lstFile_Click();
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void MainWindow::startUp() {
    const std::string programDir = S(ctx_.programDir);
    // The settings, each read on its own (the store never throws).
    if (ctx_.settings) LoadSettings(*ctx_.settings, programDir, Today(), settings);
    else LoadSettings(MemorySettingsStore(), programDir, Today(), settings);
    loadedAlpha_ = settings.iuSYAlpha;

    // 1. The skin.
    skinMenu_ = std::make_unique<SkinMenuState>(
        ctx_.programDir, [](const QString& path) { ApplySkinFile(path); },
        [this](const QString& path) {
            if (ctx_.settings) ctx_.settings->save("sSkinFileName", S(path));
        });
    ApplySkinFile(QString::fromStdString(settings.sSkinFileName));

    // 3. The advertisement page: a local page shipped with the program.
    if (settings.bShowToday == 1) {
        const QString page = ctx_.programDir + QStringLiteral("/ad/index.html");
        if (QFileInfo::exists(page)) {
            Web->setSearchPaths({ctx_.programDir + QStringLiteral("/ad")});
            Web->setSource(QUrl::fromLocalFile(page));
            showAdvertisement(true);
        } else {
            showAdvertisement(false);  // the navigation failed
        }
    }

    // 7-9. Prefix, output folder.
    sPrefix = txtFileName->text();
    sOutDir = ctx_.workDir + QStringLiteral("/zp");
    lOut->setText(U("输出文件夹:") + sOutDir);
    lOut->setToolTip(sOutDir);

    // 11. Positions.
    for (QComboBox* c : {cmbPos, cmbPosImg})
        for (const char* p : {"右下", "左下", "左上", "右上", "居中", "自定义"}) c->addItem(U(p));

    // 12. Output formats.
    for (const char* f : {"原格式", "jpg", "png", "tiff", "bmp"}) cmbEncode->addItem(U(f));
    cmbEncode->setCurrentIndex(0);
    sOutExt = cmbEncode->currentText();

    // 14. Watermark opacity.
    txtAlpha->setText(QString::number(settings.iuSYAlpha));

    // 15. Sizes.
    cmbSize->blockSignals(true);
    cmbSize->addItem(U("限制宽度"));
    cmbSize->addItem(U("原始尺寸"));
    sSizeList = LoadSizePresets(S(ctx_.programDir + QStringLiteral("/size.ini")));
    for (const SizePreset& p : sSizeList) cmbSize->addItem(QString::fromStdString(p.name));
    cmbSize->addItem(U("自定义尺寸..."));
    cmbSize->setCurrentIndex(-1);
    cmbSize->blockSignals(false);

    // 16. Borders: bk/*.png.
    cmbBK->addItem(U("无边框"));
    sBkFile = {QString()};
    const QDir bk(ctx_.programDir + QStringLiteral("/bk"));
    for (const QFileInfo& f : bk.entryInfoList(QDir::Files, QDir::Name)) {
        if (!f.fileName().right(3).toLower().endsWith(QStringLiteral("png"))) continue;
        cmbBK->addItem(f.fileName().left(f.fileName().size() - 4));
        sBkFile << f.absoluteFilePath();
    }
    cmbBK->addItem(U("添加本地边框..."));
    cmbBK->addItem(U("网络下载边框..."));

    // 17-18. Stored selections.
    const int size = settings.iuSize >= 0 && settings.iuSize < cmbSize->count() ? settings.iuSize : 0;
    cmbSize->setCurrentIndex(size);
    if (cmbSize->currentIndex() == size && iSizeMode != size) cmbSize_Click();
    if (settings.iuBk >= 0 && settings.iuBk < cmbBK->count()) cmbBK->setCurrentIndex(settings.iuBk);

    // 19-21. Watermarks come back switched on when their text or file is stored.
    txtSize->setText(QString::number(settings.iSize));
    cmbPos->setEnabled(false);
    cmbPosImg->setEnabled(false);
    if (!settings.sText.empty()) {
        chkInfoTxt->setChecked(true);  // its handler runs; no window opens during start-up
        cmbPos->setCurrentIndex(5);
        dTSyX = settings.iuTSyX;
        dTSyY = settings.iuTSyY;
    }
    if (!settings.suISyF.empty()) {
        sISyF = QString::fromStdString(settings.suISyF);
        chkInfoImg->setChecked(true);
        cmbPosImg->setCurrentIndex(5);
        dISyX = settings.iuISyX;
        dISyY = settings.iuISyY;
    }

    // 23. Working folders.
    QDir().mkpath(ctx_.workDir + QStringLiteral("/zp"));
    QDir().mkpath(ctx_.workDir + QStringLiteral("/user"));

    // 24-27.
    setWindowTitle(U("Tavu照片/相片/图片压缩1.0版"));
    ShowTip(U(kTipWelcome));
    lblPos->hide();
    updateListState();
    bLoaded = true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!exiting_ && ctx_.settings) {
        CloseState s;
        s.sizeIndex = cmbSize->currentIndex();
        s.borderIndex = cmbBK->currentIndex();
        s.borderCount = cmbBK->count();
        s.alphaText = S(txtAlpha->text());
        s.loadedSYAlpha = loadedAlpha_;
        s.sISyF = S(sISyF);
        s.dISyX = dISyX;
        s.dISyY = dISyY;
        s.sText = settings.sText;
        s.iSize = settings.iSize;
        s.sFont = settings.sFont;
        s.lColor = settings.lColor;
        s.sBold = settings.sBold;
        s.sUnderline = settings.sUnderline;
        s.sItalic = settings.sItalic;
        s.dTSyX = dTSyX;
        s.dTSyY = dTSyY;
        SaveOnClose(*ctx_.settings, s);
    }
    batch_.stop();
    e->accept();
}

void MainWindow::mExit_Click() {
    // Leaves at once, without the settings save of a normal close.
    exiting_ = true;
    batch_.stop();
    close();
    QApplication::exit(0);
}

// ---------------------------------------------------------------------------------------------
// Tips, size list, output group

void MainWindow::ShowTip(const QString& text) { lInfo->setText(ShortenTip(text)); }

void MainWindow::cmbSize_Click() {
    txtW->setEnabled(false);
    txtH->setEnabled(false);
    iSizeMode = cmbSize->currentIndex();
    const int last = cmbSize->count() - 1;
    if (iSizeMode == 0) {
        txtW->setText(QStringLiteral("500"));
        txtH->setText(QStringLiteral("0"));
        txtW->setEnabled(true);
        ShowTip(U("【提示】输入图片宽度,高度将按原图片比例自动换算。"));
    } else if (iSizeMode == 1) {
        txtW->setText(QStringLiteral("0"));
        txtH->setText(QStringLiteral("0"));
        lstFile_Click();
    } else if (iSizeMode == last) {
        txtW->setEnabled(true);
        txtH->setEnabled(true);
        txtW->setText(QStringLiteral("400"));
        txtH->setText(QStringLiteral("300"));
        txtW->setFocus();
        txtW->selectAll();
        ShowTip(U("【提示】请输入图片宽度和高度。"));
    } else if (iSizeMode >= 2) {
        const size_t row = size_t(iSizeMode - 2);
        if (row <= 500 && row < sSizeList.size()) {
            txtW->setText(QString::fromStdString(sSizeList[row].width));
            txtH->setText(QString::fromStdString(sSizeList[row].height));
        }
    }
}

void MainWindow::cmdODir_Click() {
    const QString folder = ctx_.prompts ? ctx_.prompts->chooseFolder(this, U("请选择文件夹(处理好的文件将被保存到该文件夹)。"), sOutDir)
                                        : QString();
    if (folder.isEmpty()) return;
    sOutDir = QDir::cleanPath(folder);
    settings.sODIR = S(sOutDir);
    if (ctx_.settings) ctx_.settings->save("sODIR", settings.sODIR);
    lOut->setText(U("输出文件夹:") + QString::fromStdString(ShortFolderDisplay(S(sOutDir))));
    lOut->setToolTip(sOutDir);
}

void MainWindow::mFNOpt_Click(int index) {
    const QDateTime now = QDateTime::currentDateTime();
    std::tm t{};
    t.tm_year = now.date().year() - 1900;
    t.tm_mon = now.date().month() - 1;
    t.tm_mday = now.date().day();
    t.tm_hour = now.time().hour();
    t.tm_min = now.time().minute();
    t.tm_sec = now.time().second();
    static const PrefixPreset presets[4] = {PrefixPreset::Date, PrefixPreset::Time, PrefixPreset::DateTime, PrefixPreset::None};
    txtFileName->setText(QString::fromStdString(PrefixFromPreset(presets[index & 3], t)));
}

void MainWindow::mSkin_Click(int index) {
    const SkinChoice c = skinMenu_->click(index, QString::fromStdString(settings.sSkinFileName), [this]() -> std::optional<QString> {
        if (!ctx_.prompts) return std::nullopt;
        const QString f = ctx_.prompts->chooseFile(this, U("请选择皮肤文件"), ctx_.programDir + QStringLiteral("/skin"),
                                                   U("皮肤文件 (*.she)"));
        if (f.isEmpty()) return std::nullopt;
        return f;
    });
    for (int i = 0; i < kSkinMenuEntryCount; ++i) mSkin[i]->setChecked(i == c.checkedIndex);
    settings.sSkinFileName = S(c.skinFileName);
}

// ---------------------------------------------------------------------------------------------
// The list (adding and removing; the full editing comes with the list's own commands)

bool MainWindow::addPath(const QString& path) {
    if (!list_.add(S(path))) return false;
    lstFile->addItem(path);  // the tooltip comes from the viewport's tooltip handler
    return true;
}

void MainWindow::addPaths(const QStringList& paths, bool selectLast) {
    QStringList added;
    for (const QString& p : paths)
        if (list_.add(S(p))) added << p;
    lstFile->addItems(added);  // one insertion for all of them
    if (selectLast && !added.isEmpty()) lstFile->setCurrentRow(lstFile->count() - 1);
    updateListState();
}

void MainWindow::addStartupPaths(const QStringList& paths) {
    for (const QString& p : paths) {
        const QFileInfo f(p);
        if (f.isDir()) {
            for (const std::string& e : ScanFolderPictures(S(f.absoluteFilePath()))) addPath(QString::fromStdString(e));
        } else {
            addPath(QDir::cleanPath(f.absoluteFilePath()));
        }
    }
    updateListState();
    if (lstFile->count() > 0) lstFile->setCurrentRow(lstFile->count() - 1);
}

void MainWindow::rebuildList(int current) {
    lstFile->setUpdatesEnabled(false);
    lstFile->blockSignals(true);
    lstFile->clear();
    QStringList all;
    all.reserve(qsizetype(list_.size()));
    for (const std::string& e : list_.entries()) all << QString::fromStdString(e);
    lstFile->addItems(all);
    lstFile->blockSignals(false);
    lstFile->setUpdatesEnabled(true);
    if (lstFile->count() > 0) lstFile->setCurrentRow(std::clamp(current, 0, lstFile->count() - 1));
    updateListState();
}

void MainWindow::updateListState() {
    const bool any = lstFile->count() > 0;
    cmdDel->setEnabled(any);
    cmdClr->setEnabled(any);
    mDelFile->setEnabled(any);
    mClear->setEnabled(any);
    mUndoDel->setEnabled(list_.canUndo());
    mUndoDelFile->setEnabled(list_.canUndo());
    lFile->setText(QStringLiteral("图片数量:%1个").arg(lstFile->count()));
    if (any) {
        showAdvertisement(false);
        imgM->show();  // adding after the list was emptied shows the preview again
    } else if (settings.bShowToday == 1 && !Web->source().isEmpty()) {
        showAdvertisement(true);
    }
}

void MainWindow::cmdAdd_Click() {
    ShowTip(U("【提示】选择要添加的图片,可多选。"));
    if (!ctx_.prompts) return;
    const QStringList files = ctx_.prompts->chooseFiles(
        this, U("选择要添加的图片,可多选。"), QString::fromStdString(settings.sODIR),
        U("图片文件 (*.jpg *.jpeg *.bmp *.gif *.png *.tif *.tiff *.JPG *.JPEG *.BMP *.GIF *.PNG *.TIF *.TIFF)"));
    if (!files.isEmpty()) {
        settings.sODIR = S(QFileInfo(files.first()).absolutePath());
        if (ctx_.settings) ctx_.settings->save("sODIR", settings.sODIR);
    }
    addPaths(files, false);
    if (lstFile->count() > 0) {
        lstFile->setCurrentRow(lstFile->count() - 1);
        lstFile->setFocus();
    }
}

void MainWindow::cmdAdds_Click() {
    ShowTip(U("【提示】请选择文件夹,该文件夹内所有图片将被添加。"));
    if (!ctx_.prompts || scanning_) return;
    bool sub = false;
    const QString folder = ctx_.prompts->chooseFolder(this, U("请选择文件夹,该文件夹内所有图片将被添加。"),
                                                      QString::fromStdString(settings.sODIR), &sub);
    if (folder.isEmpty()) return;
    settings.sODIR = S(folder);
    if (ctx_.settings) ctx_.settings->save("sODIR", settings.sODIR);
    startFolderScan(folder, sub);
}

void MainWindow::startFolderScan(const QString& folder, bool recursive) {
    // The scan runs off the window's thread; Esc cancels it; the pictures found so far are kept.
    scanning_ = true;
    scanCancel_ = std::make_shared<std::atomic<bool>>(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    ShowTip(U("【提示】正在查找图片,按Esc键取消……"));
    auto cancel = scanCancel_;
    QPointer<MainWindow> self(this);
    std::thread([self, cancel, folder = S(folder), recursive] {
        FolderScan scan;
        scan.recursive = recursive;
        scan.hiddenFiles = recursive;  // the scan with subfolders lists hidden files too
        scan.progress = [self, cancel](const std::string& at) {
            const QString f = QString::fromStdString(at);
            QMetaObject::invokeMethod(qApp, [self, f] {
                if (self && self->scanning()) self->ShowTip(U("【提示】正在查找图片(按Esc键取消):") + f);
            });
            return !cancel->load();
        };
        auto found = std::make_shared<std::vector<std::string>>(ScanFolderPictures(folder, scan));
        QMetaObject::invokeMethod(qApp, [self, found] {
            if (self) self->addScanned(found, 0);
        });
    }).detach();
}

void MainWindow::addScanned(std::shared_ptr<std::vector<std::string>> found, size_t from) {
    // A thousand entries per turn of the event loop, so that a huge folder never freezes the window.
    const size_t to = std::min(found->size(), from + 2000);
    QStringList added;
    for (size_t i = from; i < to; ++i)
        if (list_.add((*found)[i])) added << QString::fromStdString((*found)[i]);
    lstFile->addItems(added);
    if (to < found->size()) {
        QTimer::singleShot(0, this, [this, found, to] { addScanned(found, to); });
        return;
    }
    scanning_ = false;
    QApplication::restoreOverrideCursor();
    updateListState();
    ShowTip(QStringLiteral("【提示】已添加图片,共%1个。").arg(lstFile->count()));
    if (lstFile->count() > 0) {
        lstFile->setCurrentRow(lstFile->count() - 1);
        lstFile->setFocus();
    }
}

void MainWindow::cmdDel_Click() {
    std::vector<size_t> rows;
    for (const QModelIndex& i : lstFile->selectionModel()->selectedRows()) rows.push_back(size_t(i.row()));
    const int first = rows.empty() ? lstFile->currentRow() : int(*std::min_element(rows.begin(), rows.end()));
    list_.remove(rows);
    rebuildList(first);
    lstFile->setFocus();
    if (lstFile->count() == 0) {
        imgM->hide();
        imgM->clear();
        previewImage_ = QImage();
        picSmall->hide();
        ShowTip(U(kTipWelcome));
    }
}

void MainWindow::mUndoDel_Click() {
    if (!list_.canUndo()) return;
    const int current = lstFile->currentRow();
    list_.undo();
    rebuildList(current < 0 ? 0 : current);
}

void MainWindow::cmdClr_Click() {
    list_.clear();
    rebuildList(0);
    imgM->hide();
    imgM->clear();
    previewImage_ = QImage();
    picSmall->hide();
    cmdAdds->setFocus();
    ShowTip(U(kTipWelcome));
}

void MainWindow::dropData(const QMimeData* data, bool select) {
    if (data->hasUrls()) {
        QStringList paths;
        for (const QUrl& u : data->urls())
            if (u.isLocalFile()) paths << QDir::cleanPath(u.toLocalFile());
        addPaths(paths, select);
        return;
    }
    if (!data->hasImage()) return;
    // Picture data (not files): saved as a bitmap in the user folder, under a name no earlier
    // drop has taken; the clipboard is left alone.
    QImage image = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) return;
    Canvas canvas(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) std::copy_n(image.constScanLine(y), canvas.stride(), canvas.row(y));
    const QString dir = ctx_.workDir + QStringLiteral("/user");
    QDir().mkpath(dir);
    const QString stamp = QStringLiteral("tempWL") + QDateTime::currentDateTime().toString(QStringLiteral("ddhhmmss"));
    QString path = dir + "/" + stamp + QStringLiteral(".bmp");
    for (int n = 2; QFileInfo::exists(path); ++n) path = dir + "/" + stamp + QStringLiteral("_%1.bmp").arg(n);
    if (!SaveBmpFile(canvas, S(path))) return;
    list_.append(S(path));
    lstFile->addItem(path);
    if (select) lstFile->setCurrentRow(lstFile->count() - 1);
    updateListState();
}

// ---------------------------------------------------------------------------------------------
// Preview

RenderSettings MainWindow::renderSettings() const {
    RenderSettings r;
    r.sizeMode = iSizeMode;
    r.widthText = S(txtW->text());
    r.heightText = S(txtH->text());
    r.cropToFill = settings.bPicJQ;
    r.xCutMode = settings.iXCutMode;
    r.yCutMode = settings.iYCutMode;
    r.colors = cmPic;
    r.offsetX = sngPicX;
    r.offsetY = sngPicY;
    r.turn = iTurn;
    r.effect = iEffect;
    r.brightness = sldLD->value();
    r.decorations = decorations();
    return r;
}

Decorations MainWindow::decorations() const {
    Decorations d;
    const int bk = cmbBK->currentIndex();
    if (bk > 0 && bk < sBkFile.size()) d.borderFile = S(sBkFile[bk]);
    auto position = [](QComboBox* box, double fx, double fy) {
        Position p;
        p.named = Position::Named(std::clamp(box->currentIndex(), 0, 5));
        p.fx = fx;
        p.fy = fy;
        return p;
    };
    d.text.on = chkInfoTxt->isChecked();
    d.text.text = settings.sText;
    d.text.font = settings.sFont;
    d.text.sizePt = settings.iSize;
    d.text.color = uint32_t(settings.lColor);
    d.text.bold = settings.sBold;
    d.text.underline = settings.sUnderline;
    d.text.italic = settings.sItalic;
    d.text.pos = position(cmbPos, dTSyX, dTSyY);
    d.picture.on = chkInfoImg->isChecked();
    d.picture.file = S(sISyF);
    d.picture.scale = sngSYScale;
    d.picture.opacity = syAlpha;
    d.picture.pos = position(cmbPosImg, dISyX, dISyY);
    return d;
}

void MainWindow::cmbBK_Click() {
    const int i = cmbBK->currentIndex();
    if (i == cmbBK->count() - 2 && bLoaded && ctx_.prompts) {
        // "添加本地边框...": a PNG of the user's is copied into bk/ and chosen.
        const QString file = ctx_.prompts->chooseFile(this, U("请选择边框图片(PNG,中间透明)"), QDir::homePath(),
                                                      U("PNG 图片 (*.png *.PNG)"));
        const QString bkDir = ctx_.programDir + QStringLiteral("/bk");
        QDir().mkpath(bkDir);
        const QString target = bkDir + "/" + QFileInfo(file).fileName();
        if (!file.isEmpty() && (QFileInfo(target) == QFileInfo(file) || QFile::exists(target) || QFile::copy(file, target))) {
            const QString name = QFileInfo(file).completeBaseName();
            const QSignalBlocker block(cmbBK);
            cmbBK->insertItem(cmbBK->count() - 2, name);
            sBkFile.insert(cmbBK->count() - 3, target);
            cmbBK->setCurrentIndex(cmbBK->count() - 3);
            ShowTip(U("【提示】已添加边框:") + name);
        } else {
            const QSignalBlocker block(cmbBK);
            cmbBK->setCurrentIndex(0);
        }
    } else if (i == cmbBK->count() - 1 && bLoaded) {
        ShowTip(U("【提示】请把下载的边框图片(PNG)放到程序的 bk 文件夹,或用“添加本地边框...”。"));
        const QSignalBlocker block(cmbBK);
        cmbBK->setCurrentIndex(0);
    }
    lstFile_Click();
}

void MainWindow::lstFile_Click() {
    if (!bLoaded && lstFile->count() == 0) return;
    QListWidgetItem* item = lstFile->currentItem();
    if (!item) return;
    // The thumbnail shows the source itself.
    RenderSettings thumb;
    thumb.sizeMode = kSizeOriginal;
    thumb.widthText = thumb.heightText = "0";
    thumbId_ = thumbs_.request(item->text(), thumb, 92, 92);
    refreshPreview();
}

void MainWindow::refreshPreview() {
    if (bNoPreview) return;
    QListWidgetItem* item = lstFile->currentItem();
    if (!item) return;
    const QSize box = picImg->contentsRect().size();
    previewId_ = preview_.request(item->text(), renderSettings(), std::max(box.width(), 64), std::max(box.height(), 64));
}

void MainWindow::mShowOn_Click() {
    bNoPreview = !bNoPreview;
    mShowOn->setChecked(!bNoPreview);
    mShowOn2->setChecked(mShowOn->isChecked());
    lstFile_Click();
}

void MainWindow::mPRT_Click(int index) {
    if (previewImage_.isNull()) return;  // nothing to turn
    for (int i = 0; i < 8; ++i)
        if (mPRT[i]) mPRT[i]->setChecked(i == index);
    iTurn = index;
    refreshPreview();
}

void MainWindow::mTX_Click(int index) {
    for (QAction* a : mTX) a->setChecked(false);
    mTX[index]->setChecked(true);
    mTXUndo->setChecked(false);
    iEffect = index;
    lstFile_Click();
}

void MainWindow::mTXUndo_Click() {
    mTXUndo->setChecked(true);
    for (QAction* a : mTX) a->setChecked(false);
    iEffect = kEffectNone;
    lstFile_Click();
}

void MainWindow::mPCR_Click(int index) {
    mPCR[index]->setChecked(!mPCR[index]->isChecked());
    txtRGB[index]->setText(mPCR[index]->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::mFBrows_Click() {
    if (lstFile->count() == 0 || !lstFile->currentItem()) {
        ShowTip(U("【操作错误】当前没有图片可以浏览。"));
        return;
    }
    FullScreenViewer::open(lstFile->currentItem()->text(), this);
}

void MainWindow::mFBrows2_Click() {
    if (txtH->text() == "0" && txtW->text() == "0" && iSizeMode != kSizeOriginal && iSizeMode != kSizeFirstPreset) {
        if (ctx_.prompts) ctx_.prompts->error(this, U("图片尺寸不能同时为0！"));
        txtW->setFocus();
        txtW->selectAll();
        return;
    }
    if (previewImage_.isNull() || !lstFile->currentItem()) {
        ShowTip(U("【操作错误】没有可预览的图片。"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Canvas canvas;
    RenderPicture(canvas, S(lstFile->currentItem()->text()), renderSettings());
    const QString temp = ctx_.workDir + QStringLiteral("/user/tempBZ.bmp");
    QDir().mkpath(ctx_.workDir + QStringLiteral("/user"));
    const bool saved = SaveBmpFile(canvas, S(temp));
    QApplication::restoreOverrideCursor();
    lstFile_Click();
    if (saved) FullScreenViewer::open(temp, this);
}

void MainWindow::mBrowse_Click(int mode) {
    if (mode == 1) ShowTip(U("【提示】正在启动多图浏览模式，请稍后……"));
    QStringList files;
    for (int i = 0; i < lstFile->count(); ++i) files << lstFile->item(i)->text();
    if (files.isEmpty()) {
        ShowTip(U("【操作错误】当前没有图片可以浏览。"));
        return;
    }
    auto* b = new PictureBrowser(files, mode == 1 ? PictureBrowser::Mode::List : PictureBrowser::Mode::SlideShow,
                                 std::max<int>(1, settings.iSlideTime), std::max(0, lstFile->currentRow()));
    b->setAttribute(Qt::WA_DeleteOnClose);
    b->present();
}

void MainWindow::mTOption_Click(bool pdfPage) {
    if (!pdfPage) ShowTip(U("【提示】请根据需要设置相关参数。"));
    MemorySettingsStore scratch;
    SettingsStore& store = ctx_.settings ? *ctx_.settings : static_cast<SettingsStore&>(scratch);
    OptionsDialog dlg(settings, store, pdfPage ? OptionsDialog::Page::Pdf : OptionsDialog::Page::General, this);
    if (dlg.exec() == QDialog::Accepted) lstFile_Click();  // crop or fit may have changed
}

void MainWindow::mCopySrc2_Click() {
    const QString path = CaptureScreenToFile(this, ctx_.workDir + QStringLiteral("/user"));
    if (path.isEmpty()) return;
    addPaths({path}, true);
}

// ---------------------------------------------------------------------------------------------
// Placement on the preview

QRect MainWindow::shownPictureRect() const {
    const QPixmap pm = imgM->pixmap();
    if (pm.isNull()) return imgM->rect();
    const QSize size = pm.deviceIndependentSize().toSize();
    return QRect(QPoint((imgM->width() - size.width()) / 2, (imgM->height() - size.height()) / 2), size);
}

QSize MainWindow::textSizeOnPreview() const {
    // The text's size on the canvas, scaled to the preview like the picture itself.
    int w = 0, h = 0;
    const Decorations d = decorations();
    if (!d.textOn() || previewImage_.isNull() || !TextWatermarkSize(d.text, w, h)) return {};
    const double k = previewScale();
    return {int(w * k), int(h * k)};
}

QSize MainWindow::watermarkSizeOnPreview() const {
    int w = 0, h = 0;
    const Decorations d = decorations();
    if (!d.pictureOn() || previewImage_.isNull() || !WatermarkPictureSize(d.picture, w, h)) return {};
    const double k = previewScale();
    return {int(w * k), int(h * k)};
}

double MainWindow::previewScale() const {
    // The preview may be shown smaller than the canvas it stands for.
    const double canvasWidth = previewCanvasWidth_ > 0 ? previewCanvasWidth_ : previewImage_.width();
    return canvasWidth > 0 ? previewImage_.width() / canvasWidth : 1.0;
}

void MainWindow::placeMarker(const QPoint& at, bool centred) {
    const QPoint origin = imgM->mapTo(picImg, QPoint(0, 0));
    const int mw = lblPos->width(), mh = lblPos->height();
    lblPos->move(origin.x() + at.x() - mw / 2, origin.y() + at.y() - (centred ? mh / 2 : 0));
    lblPos->show();
    lblPos->raise();
}

bool MainWindow::PinRect(const QPoint& at) {
    const QRect r = shownPictureRect();
    if (r.width() <= 0 || r.height() <= 0) return false;
    const double X = at.x() - r.left(), Y = at.y() - r.top(), W = r.width(), H = r.height();
    // The text first: it wins where both would be hit.
    const QSize t = textSizeOnPreview();
    if (chkInfoTxt->isChecked() && !t.isEmpty() && W * dTSyX - t.width() / 4.0 < X && X < W * dTSyX + t.width() &&
        H * dTSyY - t.height() < Y && Y < H * dTSyY + 2.0 * t.height()) {
        cmbPos->setCurrentIndex(cmbPos->count() - 1);
        iSYMode = 0;
        lblPos->resize(std::max(t.width(), 12), 12);
        return true;
    }
    const QSize p = watermarkSizeOnPreview();
    if (chkInfoImg->isChecked() && !p.isEmpty() && W * dISyX - p.width() / 2.0 < X && X < W * dISyX + p.width() / 2.0 &&
        H * dISyY - p.height() / 2.0 < Y && Y < H * dISyY + p.height() / 2.0) {
        cmbPosImg->setCurrentIndex(cmbPosImg->count() - 1);
        iSYMode = -1;
        lblPos->resize(std::max(p.width(), 12), 12);
        return true;
    }
    return false;
}

void MainWindow::enterMoveMode() {
    bMoveMode = true;
    imgM->setCursor(Qt::SizeAllCursor);
    lblPos->resize(16, 16);
    placeMarker(QPoint(imgM->width() / 2, imgM->height() / 2), true);
    mXYPos->setEnabled(true);
    picImg->setFocus();
}

void MainWindow::mXYPos_Click() {
    if (!ctx_.prompts) return;
    const auto answer = ctx_.prompts->input(
        this, U("起始点坐标"), U("请输入主图起始点坐标，格式为X,Y。\n\n如:要定点于左100像素、上120像素，请输入100,120"),
        QString::number(double(sngPicX), 'g', 7) + "," + QString::number(double(sngPicY), 'g', 7));
    if (!answer || answer->size() < 3) return;
    const int comma = answer->indexOf(',');
    if (comma < 0) return;
    const auto x = ReadSingle(S(answer->left(comma))), y = ReadSingle(S(answer->mid(comma + 1)));
    if (!x || !y || *x < 0 || *y < 0) return;
    sngPicX = *x;
    sngPicY = *y;
    txtXp->setText(QString::number(double(*x), 'g', 7));
    txtYp->setText(QString::number(double(*y), 'g', 7));
}

// ---------------------------------------------------------------------------------------------
// The batch run

BatchOptions MainWindow::batchOptions() const {
    BatchOptions o;
    o.render = renderSettings();
    o.customIndex = cmbSize->count() - 1;
    o.format = S(cmbEncode->currentText());
    o.naming.rename = chkRM->isChecked();
    o.naming.prefix = S(sPrefix);
    o.naming.digitsText = S(txtNum->text());
    o.naming.outDir = S(sOutDir);
    o.quality = settings.iJPGQ;
    o.autoOpenFolder = settings.bAutoODir;
    o.saveErrorLog = settings.bSaveErr;
    return o;
}

void MainWindow::cmdDone_Click() {
    if (batch_.running()) return;  // a stop is pending: the run under way ends first
    const BatchOptions o = batchOptions();
    const Validation v = ValidateRun(size_t(lstFile->count()), o);
    if (!v.ok) {
        if (ctx_.prompts) ctx_.prompts->error(this, QString::fromStdString(v.message));
        if (v.addPictures) cmdAdd_Click();
        if (v.focusWidth) {
            txtW->setFocus();
            txtW->selectAll();
        }
        return;
    }
    if (v.askMinimise && ctx_.prompts && ctx_.prompts->ask(this, QString::fromStdString(kMsgMinimise))) showMinimized();

    cmdStop->setEnabled(true);
    cmdDone->setEnabled(false);
    bNoPreview = false;
    mShowOn->setChecked(true);
    std::vector<std::string> entries;
    for (int i = 0; i < lstFile->count(); ++i) entries.push_back(S(lstFile->item(i)->text()));
    QDir().mkpath(sOutDir);
    batch_.start(std::move(entries), o);
}

void MainWindow::cmdStop_Click() {
    batch_.stop();
    cmdDone->setEnabled(true);
    cmdDone->setText(U("开始处理"));
    cmdStop->setEnabled(false);
}

void MainWindow::onBatchFinished(const Completion& c) {
    if (c.openOutputFolder) ctx_.openFolder(QString::fromStdString(c.outputFolder));
    if (isMinimized()) showMaximized();
    QString tip = QString::fromStdString(c.resultTip);
    if (!c.errorLogQuestion.empty() && ctx_.prompts &&
        ctx_.prompts->ask(this, QString::fromStdString(c.errorLogQuestion)))
        ctx_.openTextFile(QString::fromStdString(c.errorLogPath));
    ShowTip(tip);
    cmdDone->setText(U("开始处理"));
    cmdDone->setEnabled(true);
    cmdStop->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Drops, overlays, events

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() || e->mimeData()->hasImage()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    // On the list and on the preview the last picture added becomes the selected one; on the rest
    // of the window the selection stays.
    dropAt(e->mimeData(), e->position().toPoint());
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void MainWindow::dropAt(const QMimeData* data, const QPoint& at) {
    const bool onList = lstFile->rect().contains(lstFile->mapFrom(this, at));
    const bool onPreview = picImg->rect().contains(picImg->mapFrom(this, at));
    dropData(data, onList || onPreview);
}

void MainWindow::showAdvertisement(bool show) {
    Picture1->setVisible(show);
    if (show) {
        placeOverlays();
        Picture1->raise();
    }
}

void MainWindow::placeOverlays() {
    const QRect r = picImg->contentsRect();
    imgM->setGeometry(r);
    Picture1->setGeometry(r);
    Frame4->adjustSize();
    Frame4->move(r.left() + (r.width() - Frame4->width()) / 2, r.top());
    Frame3->adjustSize();
    Frame3->move(r.right() - Frame3->width(), r.top() + (r.height() - Frame3->height()) / 2);
    txtPicTxt->setGeometry(r.left() + 8, r.bottom() - 34, r.width() - 16, 26);
    frmTZ->adjustSize();
    frmTZ->setFixedWidth(std::min(r.width(), 360));
    frmTZ->move(r.left() + (r.width() - frmTZ->width()) / 2, r.bottom() - frmTZ->height());
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    placeOverlays();
    if (bLoaded) QTimer::singleShot(0, this, [this] { refreshPreview(); });
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && scanning_ && scanCancel_) {
        scanCancel_->store(true);
        return;
    }
    QMainWindow::keyPressEvent(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgM && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                            (event->type() == QEvent::MouseMove && dragging_))) {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPoint at = m->position().toPoint();
        const QRect r = shownPictureRect();
        const double W = std::max(1, r.width()), H = std::max(1, r.height());
        const double X = at.x() - r.left(), Y = at.y() - r.top();
        if (event->type() == QEvent::MouseButtonPress) {
            if (m->button() == Qt::RightButton && imgM->cursor().shape() == Qt::SizeAllCursor) {
                bMoveMode = false;
                imgM->setCursor(Qt::ArrowCursor);
                lblPos->hide();
                return true;
            }
            if (m->button() != Qt::LeftButton) return false;
            if (bMoveMode) {
                imgM->setCursor(Qt::SizeAllCursor);
                placeMarker(at, false);
                ShowTip(U("【提示】按住鼠标左键拖动蓝色条块即可调整位置,键盘方向键微调。鼠标右键退出移动模式。"));
                dragging_ = true;
            } else if (PinRect(at)) {
                placeMarker(at, false);
                imgM->setCursor(Qt::SizeAllCursor);
                ShowTip(U("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。"));
                dragging_ = true;
            } else {
                imgM->setCursor(Qt::ArrowCursor);
                lblPos->hide();
            }
            return true;
        }
        if (!dragging_) return false;
        const double mw = lblPos->width();
        if (bMoveMode) {
            placeMarker(at, true);
            sngPicX = float(at.x() - imgM->width() / 2.0);
            sngPicY = float(at.y() - imgM->height() / 2.0);
        } else if (iSYMode != 0) {
            dISyX = X / W;
            dISyY = Y / H;
            placeMarker(at, false);
        } else {
            dTSyX = (X - mw / 2) / W;
            dTSyY = Y / H;
            placeMarker(at, false);
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            dragging_ = false;
            if (bMoveMode) {
                txtXp->setText(QString::number(double(sngPicX), 'g', 7));
                txtYp->setText(QString::number(double(sngPicY), 'g', 7));
            }
            lblPos->hide();
            if (!bMoveMode) imgM->setCursor(Qt::ArrowCursor);
            lstFile_Click();
        }
        return true;
    }
    if (watched == picImg && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool arrow = k->key() == Qt::Key_Left || k->key() == Qt::Key_Right || k->key() == Qt::Key_Up ||
                           k->key() == Qt::Key_Down;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            mFBrows2_Click();
            return true;
        }
        if (arrow) {
            const int dx = k->key() == Qt::Key_Left ? -1 : k->key() == Qt::Key_Right ? 1 : 0;
            const int dy = k->key() == Qt::Key_Up ? -1 : k->key() == Qt::Key_Down ? 1 : 0;
            const bool placing = bMoveMode || (cmbPos->currentIndex() == cmbPos->count() - 1 && chkInfoTxt->isChecked()) ||
                                 (cmbPosImg->currentIndex() == cmbPosImg->count() - 1 && chkInfoImg->isChecked());
            if (placing) {
                lblPos->hide();
                const QRect r = shownPictureRect();
                const double W = std::max(1, r.width()), H = std::max(1, r.height());
                if (bMoveMode) {
                    sngPicX += float(dx);
                    sngPicY += float(dy);
                } else if (iSYMode == 0) {
                    dTSyX += dx / W;
                    dTSyY += dy / H;
                } else {
                    dISyX += dx / W;
                    dISyY += dy / H;
                }
                lstFile_Click();
            } else {
                const int row = lstFile->currentRow() + ((dx < 0 || dy < 0) ? -1 : 1);
                if (row >= 0 && row < lstFile->count()) lstFile->setCurrentRow(row);
            }
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto tip = boxTips_.find(watched);
        if (tip != boxTips_.end()) {
            if (boxClicked_.insert(watched).second) static_cast<QLineEdit*>(watched)->selectAll();
            ShowTip(tip->second);
        }
    }
    if ((watched == picImg || watched == imgM) && event->type() == QEvent::MouseMove) {
        // The tool frames appear while the pointer is near the preview's top or right edge.
        const QPoint p = picImg->mapFromGlobal(QCursor::pos());
        const QRect r = picImg->rect();
        const bool nearTop = p.y() < r.top() + 40, nearRight = p.x() > r.right() - 120;
        if (!Frame4->property("pinned").toBool()) Frame4->setVisible(nearTop);
        if (!Frame3->property("pinned").toBool()) Frame3->setVisible(nearRight);
        if (Frame4->isVisible() || Frame3->isVisible()) {
            placeOverlays();
            Frame4->raise();
            Frame3->raise();
        }
    } else if (watched == picImg && event->type() == QEvent::Resize) {
        placeOverlays();
    } else if (watched == txtFileName && event->type() == QEvent::MouseButtonDblClick) {
        mFN->popup(txtFileName->mapToGlobal(QPoint(0, txtFileName->height())));
        return true;
    } else if (watched == txtPicTxt && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (lstFile->currentRow() >= 0) sPicTxt[lstFile->currentRow()] = txtPicTxt->text();
            lstFile->setFocus();
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            txtPicTxt->hide();
            return true;
        }
    } else if (watched == imgSmall && event->type() == QEvent::MouseButtonRelease) {
        mFBrows_Click();
    } else if (watched == lstFile && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Delete) cmdDel_Click();
        if (k->key() == Qt::Key_Escape && list_.canUndo()) mUndoDel_Click();
    } else if (watched == lstFile->viewport() && event->type() == QEvent::ToolTip) {
        // The entry under the pointer, or the last one below the entries.
        auto* h = static_cast<QHelpEvent*>(event);
        QListWidgetItem* item = lstFile->itemAt(h->pos());
        if (!item && lstFile->count() > 0) item = lstFile->item(lstFile->count() - 1);
        if (item) QToolTip::showText(h->globalPos(), item->text(), lstFile);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace tavu
