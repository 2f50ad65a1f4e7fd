#include "app/optionsdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/verticalscroll.h"
#include "batch/resultnames.h"

namespace tavu {

namespace {

constexpr int kMaxSlideSeconds = 3600;

QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A row of radio buttons, one per caption, with ids 0, 1, 2, ... in the group.
QWidget* RadioRow(QButtonGroup* group, const QStringList& captions, const QString& namePrefix) {
    auto* row = new QWidget;
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions[i], row);
        b->setObjectName(namePrefix + QString::number(i));
        group->addButton(b, i);
        lay->addWidget(b);
    }
    lay->addStretch(1);
    return row;
}

QLabel* Hint(const QString& text) {
    auto* l = new QLabel(text);
    l->setWordWrap(true);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return l;
}

}  // namespace

OptionsDialog::OptionsDialog(Settings& settings, SettingsStore& store, Page page, QWidget* parent)
    : QDialog(parent), settings_(settings), store_(store), page_(page) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(page == Page::Pdf ? QStringLiteral("PDF参数设置") : QStringLiteral("选项"));
    setModal(true);

    frameSet_ = buildGeneralPage();
    framePDF_ = buildPdfPage();

    cmdOK_ = new QPushButton(QStringLiteral("确定"));
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("取消"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdOK_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel_, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The general page scrolls on a short screen; the hidden page takes no room.
    auto* generalScroll = new VerticalScrollArea;
    generalScroll->setWidget(frameSet_);
    generalScroll->setVisible(page == Page::General);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(generalScroll, 1);
    lay->addWidget(framePDF_);
    lay->addSpacing(4);
    lay->addWidget(buttons);

    frameSet_->setVisible(page == Page::General);
    framePDF_->setVisible(page == Page::Pdf);

    load(settings);
    initial_ = current();
}

QWidget* OptionsDialog::buildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("frameSet"));
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);

    // JPEG quality: slider and number stay in step.
    auto* quality = new QGroupBox(QStringLiteral("输出质量"));
    auto* qForm = new QFormLayout(quality);
    sliderQuality_ = new QSlider(Qt::Horizontal);
    sliderQuality_->setObjectName(QStringLiteral("sldJPGQ"));
    sliderQuality_->setRange(0, 100);
    sliderQuality_->setPageStep(10);
    sliderQuality_->setMinimumWidth(180);
    spinQuality_ = new QSpinBox;
    spinQuality_->setObjectName(QStringLiteral("txtJPGQ"));
    spinQuality_->setRange(0, 100);
    connect(sliderQuality_, &QSlider::valueChanged, spinQuality_, &QSpinBox::setValue);
    connect(spinQuality_, &QSpinBox::valueChanged, sliderQuality_, &QSlider::setValue);
    auto* qRow = new QHBoxLayout;
    qRow->addWidget(sliderQuality_, 1);
    qRow->addWidget(spinQuality_);
    qForm->addRow(QStringLiteral("JPEG/WebP 压缩质量:"), qRow);
    qForm->addRow(Hint(QStringLiteral("0 - 100，数值越大画质越好，文件也越大。85 兼顾画质与大小；100 的文件常是 85 的两三倍。")));
    lay->addWidget(quality);

    // How JPEG and WebP results are encoded.
    auto* encoding = new QGroupBox(QStringLiteral("JPEG 与 WebP"));
    auto* encForm = new QFormLayout(encoding);
    chkProgressive_ = new QCheckBox(QStringLiteral("渐进式 JPEG"));
    chkProgressive_->setObjectName(QStringLiteral("chkProgressive"));
    chkProgressive_->setToolTip(QStringLiteral("网页上先显示模糊的整张图,再逐渐变清晰;文件通常略小"));
    encForm->addRow(chkProgressive_);
    cmbSubsample_ = new QComboBox;
    cmbSubsample_->setObjectName(QStringLiteral("cmbSubsample"));
    for (const char* c : {"自动", "4:2:0", "4:4:4"}) cmbSubsample_->addItem(QString::fromUtf8(c));
    encForm->addRow(QStringLiteral("JPEG 色度抽样:"), cmbSubsample_);
    chkWebPLossless_ = new QCheckBox(QStringLiteral("WebP 无损压缩"));
    chkWebPLossless_->setObjectName(QStringLiteral("chkWebPLossless"));
    encForm->addRow(chkWebPLossless_);
    encForm->addRow(Hint(QStringLiteral("自动:质量低于 90 时为 4:2:0,否则为 4:4:4。4:4:4 保留全部颜色细节,文件更大。"
                                        "设定了文件大小范围时,WebP 按质量压缩,不用无损。")));
    lay->addWidget(encoding);

    // What results carry over from their sources.
    auto* meta = new QGroupBox(QStringLiteral("图片信息"));
    auto* metaLay = new QVBoxLayout(meta);
    chkKeepExif_ = new QCheckBox(QStringLiteral("保留拍摄信息"));
    chkKeepExif_->setObjectName(QStringLiteral("chkKeepExif"));
    chkKeepExif_->setToolTip(QStringLiteral("保留拍摄时间、相机型号和曝光参数(JPEG、PNG、WebP 结果)"));
    chkKeepGps_ = new QCheckBox(QStringLiteral("保留位置信息"));
    chkKeepGps_->setObjectName(QStringLiteral("chkKeepGps"));
    chkKeepGps_->setToolTip(QStringLiteral("照片中记录的拍摄地点(GPS),分享前请注意"));
    chkKeepMTime_ = new QCheckBox(QStringLiteral("保留文件时间"));
    chkKeepMTime_->setObjectName(QStringLiteral("chkKeepMTime"));
    chkKeepMTime_->setToolTip(QStringLiteral("结果文件的修改时间与原图片相同"));
    chkKeepTree_ = new QCheckBox(QStringLiteral("保持子文件夹结构"));
    chkKeepTree_->setObjectName(QStringLiteral("chkKeepTree"));
    chkKeepTree_->setToolTip(QStringLiteral("连同子文件夹添加的图片,在输出文件夹中按原来的子文件夹保存"));
    auto* gpsRow = new QHBoxLayout;
    gpsRow->addSpacing(20);
    gpsRow->addWidget(chkKeepGps_);
    metaLay->addWidget(chkKeepExif_);
    metaLay->addLayout(gpsRow);
    metaLay->addWidget(chkKeepMTime_);
    metaLay->addWidget(chkKeepTree_);
    metaLay->addWidget(Hint(QStringLiteral("不勾选时结果不带任何拍摄信息。保留时方向标记设为正常(图片已转正),缩略图去掉。")));
    connect(chkKeepExif_, &QCheckBox::toggled, chkKeepGps_, &QWidget::setEnabled);
    lay->addWidget(meta);

    // Crop or fit, and which part of the picture a crop keeps.
    auto* fit = new QGroupBox(QStringLiteral("图片适应目标尺寸"));
    auto* fitLay = new QVBoxLayout(fit);
    fitGroup_ = new QButtonGroup(this);
    auto* optCrop = new QRadioButton(QStringLiteral("裁剪图片，填满目标尺寸"));
    optCrop->setObjectName(QStringLiteral("optCrop"));
    auto* optFit = new QRadioButton(QStringLiteral("完整显示图片，空白处留边"));
    optFit->setObjectName(QStringLiteral("optFit"));
    fitGroup_->addButton(optCrop, 1);
    fitGroup_->addButton(optFit, 0);
    fitLay->addWidget(optCrop);
    fitLay->addWidget(optFit);

    anchorBox_ = new QGroupBox(QStringLiteral("裁剪时保留"));
    anchorBox_->setFlat(true);
    auto* aForm = new QFormLayout(anchorBox_);
    xAnchor_ = new QButtonGroup(this);
    yAnchor_ = new QButtonGroup(this);
    xAnchorRow_ = RadioRow(xAnchor_, {QStringLiteral("左"), QStringLiteral("中"), QStringLiteral("右")},
                           QStringLiteral("optXCut"));
    yAnchorRow_ = RadioRow(yAnchor_, {QStringLiteral("上"), QStringLiteral("中"), QStringLiteral("下")},
                           QStringLiteral("optYCut"));
    aForm->addRow(QStringLiteral("水平方向:"), xAnchorRow_);
    aForm->addRow(QStringLiteral("垂直方向:"), yAnchorRow_);
    chkSmartCut_ = new QCheckBox(QStringLiteral("智能"));
    chkSmartCut_->setObjectName(QStringLiteral("chkSmartCut"));
    chkSmartCut_->setToolTip(QStringLiteral("保留图片中最引人注意的部分(如偏在一边的人像),不按上面的位置裁剪"));
    aForm->addRow(QString(), chkSmartCut_);
    connect(chkSmartCut_, &QCheckBox::toggled, this, [this] { updateAnchorState(); });
    fitLay->addWidget(anchorBox_);
    connect(fitGroup_, &QButtonGroup::idToggled, this, [this] { updateAnchorState(); });
    lay->addWidget(fit);

    auto* after = new QGroupBox(QStringLiteral("处理完成后"));
    auto* afterLay = new QVBoxLayout(after);
    chkOpenFolder_ = new QCheckBox(QStringLiteral("自动打开输出文件夹"));
    chkOpenFolder_->setObjectName(QStringLiteral("chkAutoODir"));
    chkSaveErr_ = new QCheckBox(QStringLiteral("保存错误日志"));
    chkSaveErr_->setObjectName(QStringLiteral("chkSaveErr"));
    afterLay->addWidget(chkOpenFolder_);
    afterLay->addWidget(chkSaveErr_);
    lay->addWidget(after);

    auto* existing = new QGroupBox(QStringLiteral("输出文件夹中已有同名文件时"));
    auto* eForm = new QFormLayout(existing);
    cmbExisting_ = new QComboBox;
    cmbExisting_->setObjectName(QStringLiteral("cmbExisting"));
    for (const char* c : kExistingChoices) cmbExisting_->addItem(QString::fromUtf8(c));
    eForm->addRow(QStringLiteral("处理方式:"), cmbExisting_);
    eForm->addRow(Hint(QStringLiteral("覆盖:用新图片替换;跳过:保留原有文件,不处理该图片;自动改名:另存为“名称 (1)”。"
                                      "含有原图片的文件夹中从不覆盖,总是自动改名。")));
    lay->addWidget(existing);

    auto* view = new QGroupBox(QStringLiteral("浏览与界面"));
    auto* vForm = new QFormLayout(view);
    spinSlide_ = new QSpinBox;
    spinSlide_->setObjectName(QStringLiteral("txtSlideTime"));
    spinSlide_->setRange(1, kMaxSlideSeconds);
    spinSlide_->setSuffix(QStringLiteral(" 秒"));
    vForm->addRow(QStringLiteral("幻灯片切换间隔:"), spinSlide_);
    chkShowToday_ = new QCheckBox(QStringLiteral("列表为空时显示推荐页面"));
    chkShowToday_->setObjectName(QStringLiteral("chkShowToday"));
    vForm->addRow(chkShowToday_);
    lay->addWidget(view);

    for (auto* form : {qForm, encForm, aForm, vForm}) form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    return page;
}

QWidget* OptionsDialog::buildPdfPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("framePDF"));
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);

    auto* box = new QGroupBox(QStringLiteral("PDF 文件信息"));
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    txtPdfTitle_ = new QLineEdit;
    txtPdfTitle_->setObjectName(QStringLiteral("txtPDF1"));
    txtPdfText_ = new QLineEdit;
    txtPdfText_->setObjectName(QStringLiteral("txtPDF2"));
    txtPdfDate_ = new QLineEdit;
    txtPdfDate_->setObjectName(QStringLiteral("txtPDF3"));
    txtPdfTitle_->setMinimumWidth(fontMetrics().averageCharWidth() * 56);
    form->addRow(QStringLiteral("标题:"), txtPdfTitle_);
    form->addRow(QStringLiteral("说明:"), txtPdfText_);
    form->addRow(QStringLiteral("日期:"), txtPdfDate_);
    form->addRow(Hint(QStringLiteral("PDF 图片集的标题、说明与日期文字。")));
    lay->addWidget(box);
    return page;
}

void OptionsDialog::load(const Settings& s) {
    spinQuality_->setValue(std::clamp<int>(s.iJPGQ, 0, 100));
    // Crop only at exactly 1; an anchor other than centre or end keeps the start.
    fitGroup_->button(s.bPicJQ == 1 ? 1 : 0)->setChecked(true);
    xAnchor_->button(s.iXCutMode == 1 || s.iXCutMode == 2 ? s.iXCutMode : 0)->setChecked(true);
    yAnchor_->button(s.iYCutMode == 1 || s.iYCutMode == 2 ? s.iYCutMode : 0)->setChecked(true);
    chkSmartCut_->setChecked(s.bSmartCut != 0);
    // The batch run counts any non-zero switch as on; the advertisement page only 1.
    chkOpenFolder_->setChecked(s.bAutoODir != 0);
    chkSaveErr_->setChecked(s.bSaveErr != 0);
    cmbExisting_->setCurrentIndex(std::clamp<int>(s.iExisting, 0, 2));
    chkProgressive_->setChecked(s.bJpegProgressive != 0);
    cmbSubsample_->setCurrentIndex(std::clamp<int>(s.iJpegSubsample, 0, 2));
    chkWebPLossless_->setChecked(s.bWebPLossless != 0);
    chkKeepExif_->setChecked(s.bKeepExif != 0);
    chkKeepGps_->setChecked(s.bKeepGps != 0);
    chkKeepGps_->setEnabled(chkKeepExif_->isChecked());
    chkKeepMTime_->setChecked(s.bKeepMTime != 0);
    chkKeepTree_->setChecked(s.bKeepTree != 0);
    spinSlide_->setValue(std::clamp<int>(s.iSlideTime, 1, kMaxSlideSeconds));
    chkShowToday_->setChecked(s.bShowToday == 1);
    txtPdfTitle_->setText(FromUtf8(s.sPDF1));
    txtPdfText_->setText(FromUtf8(s.sPDF2));
    txtPdfDate_->setText(FromUtf8(s.sPDF3));
    for (auto* e : {txtPdfTitle_, txtPdfText_, txtPdfDate_}) e->setCursorPosition(0);
    updateAnchorState();
}

OptionsDialog::Values OptionsDialog::current() const {
    Values v;
    v.iJPGQ = int16_t(spinQuality_->value());
    v.bPicJQ = int16_t(fitGroup_->checkedId() == 1 ? 1 : 0);
    v.iXCutMode = int16_t(std::max(0, xAnchor_->checkedId()));
    v.iYCutMode = int16_t(std::max(0, yAnchor_->checkedId()));
    v.bSmartCut = chkSmartCut_->isChecked() ? 1 : 0;
    v.bAutoODir = chkOpenFolder_->isChecked() ? 1 : 0;
    v.bSaveErr = chkSaveErr_->isChecked() ? 1 : 0;
    v.iExisting = int16_t(cmbExisting_->currentIndex());
    v.bJpegProgressive = chkProgressive_->isChecked() ? 1 : 0;
    v.iJpegSubsample = int16_t(cmbSubsample_->currentIndex());
    v.bWebPLossless = chkWebPLossless_->isChecked() ? 1 : 0;
    v.bKeepExif = chkKeepExif_->isChecked() ? 1 : 0;
    v.bKeepGps = chkKeepGps_->isChecked() ? 1 : 0;
    v.bKeepMTime = chkKeepMTime_->isChecked() ? 1 : 0;
    v.bKeepTree = chkKeepTree_->isChecked() ? 1 : 0;
    v.iSlideTime = int16_t(spinSlide_->value());
    v.bShowToday = chkShowToday_->isChecked() ? 1 : 0;
    v.sPDF1 = txtPdfTitle_->text().toStdString();
    v.sPDF2 = txtPdfText_->text().toStdString();
    v.sPDF3 = txtPdfDate_->text().toStdString();
    return v;
}

void OptionsDialog::updateAnchorState() {
    anchorBox_->setEnabled(fitGroup_->checkedId() == 1);
    xAnchorRow_->setEnabled(!chkSmartCut_->isChecked());
    yAnchorRow_->setEnabled(!chkSmartCut_->isChecked());
}

void OptionsDialog::accept() {
    written_.clear();
    const Values now = current();
    // A control the user left alone writes nothing, even where it shows a stored value that was
    // out of its range. A failing write still changes the value in use for this run.
    auto number = [&](const char* key, int16_t Values::*field, auto& target) {
        if (now.*field == initial_.*field) return;
        target = static_cast<std::remove_reference_t<decltype(target)>>(now.*field);
        store_.save(key, std::to_string(now.*field));
        written_.emplace_back(key);
    };
    auto text = [&](const char* key, std::string Values::*field, std::string& target) {
        if (now.*field == initial_.*field) return;
        target = now.*field;
        store_.save(key, now.*field);
        written_.emplace_back(key);
    };
    number("bShowToday", &Values::bShowToday, settings_.bShowToday);
    number("iJPGQ", &Values::iJPGQ, settings_.iJPGQ);
    number("iSlideTime", &Values::iSlideTime, settings_.iSlideTime);
    number("bPicJQ", &Values::bPicJQ, settings_.bPicJQ);
    number("bAutoODir", &Values::bAutoODir, settings_.bAutoODir);
    number("bSaveErr", &Values::bSaveErr, settings_.bSaveErr);
    number("iExisting", &Values::iExisting, settings_.iExisting);
    number("iXCutMode", &Values::iXCutMode, settings_.iXCutMode);
    number("iYCutMode", &Values::iYCutMode, settings_.iYCutMode);
    number("bSmartCut", &Values::bSmartCut, settings_.bSmartCut);
    number("bJpegProgressive", &Values::bJpegProgressive, settings_.bJpegProgressive);
    number("iJpegSubsample", &Values::iJpegSubsample, settings_.iJpegSubsample);
    number("bWebPLossless", &Values::bWebPLossless, settings_.bWebPLossless);
    number("bKeepExif", &Values::bKeepExif, settings_.bKeepExif);
    number("bKeepGps", &Values::bKeepGps, settings_.bKeepGps);
    number("bKeepMTime", &Values::bKeepMTime, settings_.bKeepMTime);
    number("bKeepTree", &Values::bKeepTree, settings_.bKeepTree);
    text("sPDF1", &Values::sPDF1, settings_.sPDF1);
    text("sPDF2", &Values::sPDF2, settings_.sPDF2);
    text("sPDF3", &Values::sPDF3, settings_.sPDF3);
    initial_ = now;
    QDialog::accept();
}

}  // namespace tavu
