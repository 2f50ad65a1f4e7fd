#include "app/outputpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <ctime>

#include "app/appcontext.h"
#include "app/boxtip.h"
#include "app/prompts.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "batch/naming.h"
#include "batch/sizepresets.h"
#include "batch/sizerules.h"

namespace tavu {

OutputPanel::OutputPanel(WindowState& state, AppContext& context, QWidget* parent)
    : QGroupBox(U("3.输出设置"), parent), state_(state), ctx_(context) {
    auto* grid = new QGridLayout(this);
    cmdODir = MakeButton(this, "cmdODir", "浏览...", "指定处理好的图片放到哪个文件夹");
    cmbEncode = new QComboBox(this);
    cmbEncode->setObjectName(QStringLiteral("cmbEncode"));
    cmbEncode->setToolTip(U("选择输出文件格式"));
    chkRM = new QCheckBox(U("改名:"), this);
    chkRM->setObjectName(QStringLiteral("chkRM"));
    chkRM->setToolTip(U("统一文件名"));
    txtFileName = MakeBox(this, "txtFileName", "Tavu_", "文件名前缀(双击调出更多选项)");
    txtFileName->setEnabled(false);
    txtFileName->installEventFilter(this);
    txtNum = MakeBox(this, "txtNum", "4", "文件名数字序号个数", 40);
    txtNum->setEnabled(false);
    chkPDF = new QCheckBox(U("生成PDF文件"), this);
    chkPDF->setObjectName(QStringLiteral("chkPDF"));
    chkPDF->hide();
    cmdPDFSet = MakeButton(this, "cmdPDFSet", "PDF设置");
    cmdPDFSet->setEnabled(false);
    cmdPDFSet->hide();
    chkFtp = new QCheckBox(U("上传到互联网"), this);
    chkFtp->setObjectName(QStringLiteral("chkFtp"));
    chkFtp->setToolTip(U("把图片传到网上"));
    chkFtp->hide();
    grid->addWidget(new QLabel(U("新照片保存到:"), this), 0, 0);
    grid->addWidget(cmdODir, 0, 1);
    grid->addWidget(new QLabel(U("新照片的格式:"), this), 0, 2);
    grid->addWidget(cmbEncode, 0, 3);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(chkRM);
    nameRow->addWidget(txtFileName, 1);
    nameRow->addWidget(txtNum);
    nameRow->addWidget(new QLabel(U("位数字"), this));
    grid->addLayout(nameRow, 1, 0, 1, 4);

    chkSize = new QCheckBox(U("文件大小"), this);
    chkSize->setObjectName(QStringLiteral("chkSize"));
    chkSize->setToolTip(U("把 JPEG 照片的文件大小控制在范围内(报名照片常有此要求)"));
    txtMinKB = MakeBox(this, "txtMinKB", "", "最小文件大小(KB),空为不限", 48);
    txtMaxKB = MakeBox(this, "txtMaxKB", "", "最大文件大小(KB),空为不限", 48);
    chkSizePad = new QCheckBox(U("填充"), this);
    chkSizePad->setObjectName(QStringLiteral("chkSizePad"));
    chkSizePad->setToolTip(U("提高质量仍小于最小值时,在 JPEG 注释段中填充到最小值(图片内容不变)"));
    txtDPI = MakeBox(this, "txtDPI", "", "写入图片的分辨率(DPI),如 300;空为不写", 48);
    lblDPI = new QLabel(QStringLiteral("DPI:"), this);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(chkSize);
    sizeRow->addWidget(txtMinKB);
    sizeRow->addWidget(new QLabel(QStringLiteral("-"), this));
    sizeRow->addWidget(txtMaxKB);
    sizeRow->addWidget(new QLabel(QStringLiteral("KB"), this));
    sizeRow->addWidget(chkSizePad);
    sizeRow->addStretch(1);
    sizeRow->addWidget(lblDPI);
    sizeRow->addWidget(txtDPI);
    grid->addLayout(sizeRow, 2, 0, 1, 4);
    BoxTip::Attach(txtMinKB, U("【提示】请输入最小文件大小(单位:KB),不限请留空。"), state_);
    BoxTip::Attach(txtMaxKB, U("【提示】请输入最大文件大小(单位:KB),将选用不超过它的最高质量。"), state_);
    BoxTip::Attach(txtDPI, U("【提示】请输入分辨率(DPI),如 300。"), state_);
    connect(chkSize, &QCheckBox::toggled, this, [this] { readSizeRules(); });
    connect(chkSizePad, &QCheckBox::toggled, this, [this] { readSizeRules(); });
    for (QLineEdit* box : {txtMinKB, txtMaxKB, txtDPI})
        connect(box, &QLineEdit::textChanged, this, [this] { readSizeRules(); });
    BoxTip::Attach(txtFileName, U("【提示】请输入图片文件名的前缀(如输入Tupian_,那么文件名将类似Tupian_001.jpg)。"), state_);
    BoxTip::Attach(txtNum, U("【提示】请输入图片文件名的顺序号位数(比如输入3,那么文件名将类似Tavu_001.jpg)。"), state_);

    mFN = new QMenu(this);
    mFN->setObjectName(QStringLiteral("mFN"));
    static const char* fn[4] = {"#当前日期#", "#当前时间#", "#日期和时间#", "#不要前缀#"};
    for (int i = 0; i < 4; ++i) {
        mFNOpt[i] = MakeAction(mFN, qPrintable(QStringLiteral("mFNOpt%1").arg(i)), fn[i]);
        connect(mFNOpt[i], &QAction::triggered, this, [this, i] { mFNOpt_Click(i); });
    }

    connect(cmdODir, &QPushButton::clicked, this, &OutputPanel::cmdODir_Click);
    connect(chkRM, &QCheckBox::toggled, this, [this](bool on) {
        txtFileName->setEnabled(on);
        txtNum->setEnabled(on);
        state_.rename = on;
    });
    connect(txtFileName, &QLineEdit::textChanged, this, [this](const QString& t) { state_.sPrefix = t; });
    connect(txtNum, &QLineEdit::textChanged, this, [this](const QString& t) { state_.digitsText = t; });
    connect(cmbEncode, &QComboBox::activated, this, [this] { state_.sOutExt = cmbEncode->currentText(); });
    connect(cmbEncode, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        state_.format = t;
        updateSizeEnabled();
        if (state_.bLoaded) state_.changed();
    });
    connect(chkPDF, &QCheckBox::toggled, cmdPDFSet, &QWidget::setEnabled);
    connect(cmdPDFSet, &QPushButton::clicked, this, &OutputPanel::pdfSettingsRequested);
}

void OutputPanel::applyPresetRules(const SizePreset& preset) {
    state_.sizeRules = InputsForPreset(preset, state_.sizeRules);
    showSizeRules();
}

void OutputPanel::showSizeRules() {
    const SizeRuleInputs r = state_.sizeRules;  // the boxes' signals write it back as they fill
    for (QWidget* w : std::initializer_list<QWidget*>{chkSize, chkSizePad, txtMinKB, txtMaxKB, txtDPI}) w->blockSignals(true);
    chkSize->setChecked(r.on);
    chkSizePad->setChecked(r.pad);
    txtMinKB->setText(QString::fromStdString(r.minText));
    txtMaxKB->setText(QString::fromStdString(r.maxText));
    txtDPI->setText(QString::fromStdString(r.dpiText));
    for (QWidget* w : std::initializer_list<QWidget*>{chkSize, chkSizePad, txtMinKB, txtMaxKB, txtDPI}) w->blockSignals(false);
    readSizeRules();
}

void OutputPanel::readSizeRules() {
    SizeRuleInputs& r = state_.sizeRules;
    r.on = chkSize->isChecked();
    r.pad = chkSizePad->isChecked();
    r.minText = txtMinKB->text().trimmed().toStdString();
    r.maxText = txtMaxKB->text().trimmed().toStdString();
    r.dpiText = txtDPI->text().trimmed().toStdString();
    updateSizeEnabled();
    if (state_.bLoaded) state_.changed();
}

void OutputPanel::updateSizeEnabled() {
    const std::string format = state_.format.toStdString();
    const bool jpeg = SizeRangeFormat(format);
    chkSize->setEnabled(jpeg);
    txtMinKB->setEnabled(jpeg && chkSize->isChecked());
    txtMaxKB->setEnabled(jpeg && chkSize->isChecked());
    chkSizePad->setEnabled(jpeg && chkSize->isChecked());
    txtDPI->setEnabled(DpiFormat(format));
    lblDPI->setEnabled(DpiFormat(format));
}

void OutputPanel::load() {
    state_.sPrefix = txtFileName->text();
    state_.digitsText = txtNum->text();
    state_.sOutDir = ctx_.workDir + QStringLiteral("/zp");
    emit outputFolderChanged(state_.sOutDir, state_.sOutDir);
    for (const char* f : {"原格式", "jpg", "png", "tiff", "bmp", "webp"}) cmbEncode->addItem(U(f));
    cmbEncode->setCurrentIndex(0);
    state_.sOutExt = cmbEncode->currentText();
    const Settings& s = state_.settings;
    state_.sizeRules.on = s.bSizeRange != 0;
    state_.sizeRules.minText = s.lMinKB > 0 ? std::to_string(s.lMinKB) : std::string();
    state_.sizeRules.maxText = s.lMaxKB > 0 ? std::to_string(s.lMaxKB) : std::string();
    state_.sizeRules.pad = s.bSizePad != 0;
    state_.sizeRules.dpiText = s.iDPI > 0 ? std::to_string(s.iDPI) : std::string();
    showSizeRules();
}

void OutputPanel::cmdODir_Click() {
    const QString folder = ctx_.prompts ? ctx_.prompts->chooseFolder(window(), U("请选择文件夹(处理好的文件将被保存到该文件夹)。"),
                                                                     state_.sOutDir)
                                        : QString();
    if (folder.isEmpty()) return;
    state_.sOutDir = QDir::cleanPath(folder);
    state_.settings.sODIR = state_.sOutDir.toStdString();
    if (ctx_.settings) ctx_.settings->save("sODIR", state_.settings.sODIR);
    emit outputFolderChanged(QString::fromStdString(ShortFolderDisplay(state_.sOutDir.toStdString())), state_.sOutDir);
}

void OutputPanel::mFNOpt_Click(int index) {
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

bool OutputPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFileName && event->type() == QEvent::MouseButtonDblClick) {
        mFN->popup(txtFileName->mapToGlobal(QPoint(0, txtFileName->height())));
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace tavu
