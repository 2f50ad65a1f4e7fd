#include "watermark/decorationspanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <cmath>

#include "app/appcontext.h"
#include "app/prompts.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "imageio/decorate.h"
#include "watermark/textsettings.h"

namespace tavu {

namespace {
std::string S(const QString& s) { return s.toStdString(); }

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, const char* tip) {
    auto* c = new QCheckBox(U(caption), parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setToolTip(U(tip));
    return c;
}

QComboBox* MakeList(QWidget* parent, const char* name, const char* tip) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setToolTip(U(tip));
    return c;
}
}  // namespace

DecorationsPanel::DecorationsPanel(WindowState& state, AppContext& context, QWidget* parent)
    : QGroupBox(U("3.添加边框和水印"), parent), state_(state), ctx_(context) {
    auto* grid = new QGridLayout(this);
    cmbBK = MakeList(this, "cmbBK", "选择边框");
    chkInfoTxt = MakeCheck(this, "chkInfoTxt", "文字水印", "添加文字水印");
    chkInfoImg = MakeCheck(this, "chkInfoImg", "图片水印", "添加图片水印");
    cmbPos = MakeList(this, "cmbPos", "指定文字水印位置");
    cmbPosImg = MakeList(this, "cmbPosImg", "指定图片水印位置");
    grid->addWidget(new QLabel(U("边框:"), this), 0, 0);
    grid->addWidget(cmbBK, 0, 1, 1, 3);
    grid->addWidget(chkInfoTxt, 1, 0);
    grid->addWidget(cmbPos, 1, 1);
    grid->addWidget(chkInfoImg, 1, 2);
    grid->addWidget(cmbPosImg, 1, 3);

    connect(chkInfoTxt, &QCheckBox::toggled, this, [this] { chkInfoTxt_Click(); });
    connect(chkInfoImg, &QCheckBox::toggled, this, [this] { chkInfoImg_Click(); });
    connect(cmbPos, &QComboBox::currentIndexChanged, this, [this] { cmbPos_Click(false); });
    connect(cmbPosImg, &QComboBox::currentIndexChanged, this, [this] { cmbPos_Click(true); });
    connect(cmbBK, &QComboBox::currentIndexChanged, this, &DecorationsPanel::cmbBK_Click);
}

float DecorationsPanel::ScaleFromScrollBar(int v) { return float(WatermarkScaleFromSlider(v)); }

QString DecorationsPanel::ShortPath(const QString& path) {
    if (path.size() <= 22) return path;
    return path.left(3) + QStringLiteral("...") + path.right(17);
}

void DecorationsPanel::load() {
    for (QComboBox* c : {cmbPos, cmbPosImg})
        for (const char* p : {"右下", "左下", "左上", "右上", "居中", "自定义"}) c->addItem(U(p));
    cmbBK->addItem(U("无边框"));
    sBkFile = {QString()};
    // The shipped frames, then the user's own (added ones live in the working folder when the
    // program folder cannot be written).
    QStringList folders{ctx_.programDir + QStringLiteral("/bk")};
    if (QDir(ctx_.workDir) != QDir(ctx_.programDir)) folders << userBorderFolder();
    for (const QString& folder : folders) {
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
            if (!f.fileName().endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) || f.fileName().size() <= 4) continue;
            cmbBK->addItem(f.fileName().left(f.fileName().size() - 4));
            sBkFile << f.absoluteFilePath();
        }
    }
    cmbBK->addItem(U("添加本地边框..."));
    cmbBK->addItem(U("网络下载边框..."));
}

void DecorationsPanel::restore() {
    const Settings& s = state_.settings;
    if (s.iuBk >= 0 && s.iuBk < cmbBK->count()) cmbBK->setCurrentIndex(s.iuBk);
    cmbPos->setEnabled(false);
    cmbPosImg->setEnabled(false);
    if (!s.sText.empty()) {
        chkInfoTxt->setChecked(true);  // its handler runs; no window opens during start-up
        cmbPos->setCurrentIndex(5);
        state_.dTSyX = s.iuTSyX;
        state_.dTSyY = s.iuTSyY;
    }
    if (!s.suISyF.empty()) {
        state_.sISyF = QString::fromStdString(s.suISyF);
        chkInfoImg->setChecked(true);
        cmbPosImg->setCurrentIndex(5);
        state_.dISyX = s.iuISyX;
        state_.dISyY = s.iuISyY;
    }
}

QString DecorationsPanel::userBorderFolder() const { return ctx_.workDir + QStringLiteral("/bk"); }

int DecorationsPanel::borderIndex() const { return cmbBK->currentIndex(); }
int DecorationsPanel::borderCount() const { return cmbBK->count(); }

void DecorationsPanel::chkInfoTxt_Click(bool switchedOn) {
    Settings& s = state_.settings;
    state_.textOn = chkInfoTxt->isChecked();
    if (!chkInfoTxt->isChecked()) {
        emit textLabelChanged(U("文字水印:无"));
        s.sText.clear();  // forgotten, not merely hidden
        cmbPos->setEnabled(false);
    } else {
        if (s.sText.empty() && state_.bLoaded) {
            const QSignalBlocker block(chkInfoTxt);
            mSetTxt_Click();
        }
        if (s.sText.empty()) {
            emit textLabelChanged(U("文字水印:无"));
            cmbPos->setEnabled(false);
        } else {
            const QString text = QString::fromStdString(s.sText);
            emit textLabelChanged(U("文字水印:") + text);
            cmbPos->setEnabled(true);
            // Switched on, it starts centred; reopening the settings keeps the position chosen.
            if (switchedOn && cmbPos->currentIndex() != cmbPos->count() - 1) cmbPos->setCurrentIndex(4);
            cmbPos->setFocus();
            state_.tip(U("【提示】成功设置文字水印:") + text);
        }
    }
    if (!state_.current.isEmpty() && !state_.previewImage.isNull()) state_.changed();
}

void DecorationsPanel::mSetTxt_Click() {
    state_.tip(U("【提示】设置文字水印。"));
    Settings& s = state_.settings;
    const bool hadText = !s.sText.empty();
    TextStyle style;
    style.text = QString::fromStdString(s.sText);
    style.font = QString::fromStdString(s.sFont);
    style.size = s.iSize;
    style.color = s.lColor;
    style.bold = s.sBold;
    style.underline = s.sUnderline;
    style.italic = s.sItalic;
    std::optional<TextStyle> chosen;
    if (ctx_.editTextStyle) {
        chosen = ctx_.editTextStyle(window(), style);
    } else {
        TextSettingsDialog dlg(style, window());
        if (dlg.exec() == QDialog::Accepted) chosen = dlg.style();
    }
    if (chosen) {
        s.sText = S(chosen->text);
        s.sFont = S(chosen->font);
        s.iSize = int16_t(chosen->size);
        s.lColor = chosen->color;
        s.sBold = chosen->bold;
        s.sUnderline = chosen->underline;
        s.sItalic = chosen->italic;
        emit textSizeChosen(s.iSize);
    }
    if (!s.sText.empty()) {
        if (!chkInfoTxt->isChecked()) chkInfoTxt->setChecked(true);  // its handler runs
        else chkInfoTxt_Click(!hadText);  // refresh the label with the new text
    }
    state_.changed();
}

void DecorationsPanel::chkInfoImg_Click(bool switchedOn) {
    state_.pictureOn = chkInfoImg->isChecked();
    if (!chkInfoImg->isChecked()) {
        state_.sISyF.clear();
        state_.changed();
        cmbPosImg->setEnabled(false);
        emit pictureLabelChanged(U("图片水印:无"));
        return;
    }
    if (state_.sISyF.isEmpty() && state_.bLoaded) {
        const QSignalBlocker block(chkInfoImg);
        mSetImg_Click();
    }
    if (state_.sISyF.isEmpty()) {
        cmbPosImg->setEnabled(false);
        emit pictureLabelChanged(U("图片水印:无"));
        return;
    }
    cmbPosImg->setEnabled(true);
    if (switchedOn && cmbPosImg->currentIndex() != cmbPosImg->count() - 1) cmbPosImg->setCurrentIndex(3);
    cmbPosImg->setFocus();
    emit pictureLabelChanged(U("图片水印:") + ShortPath(state_.sISyF));
    state_.tip(U("【提示】已设置图片水印:") + state_.sISyF + U("。"));
}

void DecorationsPanel::mSetImg_Click() {
    state_.tip(U("【提示】请选择要添加的水印图片。"));
    if (!ctx_.prompts) return;
    const bool hadFile = !state_.sISyF.isEmpty();
    int alpha = int(std::lround(state_.syAlpha * 100));
    const QString file = ctx_.prompts->chooseWatermark(window(), U("请选择要添加的水印图片。"),
                                                       ctx_.programDir + QStringLiteral("/sy"), &alpha);
    if (!file.isEmpty()) {
        state_.sISyF = file;
        emit opacityChosen(alpha);
    } else if (state_.sISyF.isEmpty()) {
        const QSignalBlocker block(chkInfoImg);
        chkInfoImg->setChecked(false);
        state_.pictureOn = false;
    }
    if (!state_.sISyF.isEmpty()) {
        if (!chkInfoImg->isChecked()) chkInfoImg->setChecked(true);
        else chkInfoImg_Click(!hadFile);
    }
    state_.changed();
}

void DecorationsPanel::cmbPos_Click(bool picture) {
    QComboBox* box = picture ? cmbPosImg : cmbPos;
    int& position = picture ? state_.picturePos : state_.textPos;
    const int previous = position;
    position = box->currentIndex();
    const bool custom = box->currentIndex() == box->count() - 1;
    if (custom)
        state_.tip(picture ? U("【提示】按住鼠标左键拖动蓝色条块即可调整位置,方向键微调。")
                           : U("【提示】按住鼠标左键拖动红色圆块即可调整位置,方向键微调。"));
    emit positionListChanged(picture, custom, previous);
    state_.changed();
}

void DecorationsPanel::chooseCustomPosition(bool picture) {
    QComboBox* box = picture ? cmbPosImg : cmbPos;
    box->setCurrentIndex(box->count() - 1);
}

void DecorationsPanel::cmbBK_Click() {
    const int i = cmbBK->currentIndex();
    if (i == cmbBK->count() - 2 && state_.bLoaded && ctx_.prompts) {
        // "添加本地边框...": a PNG of the user's is copied into bk/ and chosen.
        const QString file = ctx_.prompts->chooseFile(window(), U("请选择边框图片(PNG,中间透明)"), QDir::homePath(),
                                                      U("PNG 图片 (*.png *.PNG)"));
        const QString bkDir = userBorderFolder();
        QDir().mkpath(bkDir);
        const QString target = bkDir + "/" + QFileInfo(file).fileName();
        if (!file.isEmpty() && (QFileInfo(target) == QFileInfo(file) || QFile::exists(target) || QFile::copy(file, target))) {
            const QString name = QFileInfo(file).completeBaseName();
            const QSignalBlocker block(cmbBK);
            cmbBK->insertItem(cmbBK->count() - 2, name);
            sBkFile.insert(cmbBK->count() - 3, target);
            cmbBK->setCurrentIndex(cmbBK->count() - 3);
            state_.tip(U("【提示】已添加边框:") + name);
        } else {
            const QSignalBlocker block(cmbBK);
            cmbBK->setCurrentIndex(0);
        }
    } else if (i == cmbBK->count() - 1 && state_.bLoaded) {
        // An installed program's own bk folder cannot take them: name the folder that is read.
        const QString folder = QDir(ctx_.workDir) == QDir(ctx_.programDir) ? U("程序的 bk 文件夹")
                                                                            : QDir::toNativeSeparators(userBorderFolder());
        state_.tip(U("【提示】请把下载的边框图片(PNG)放到") + folder + U(",或用“添加本地边框...”。"));
        const QSignalBlocker block(cmbBK);
        cmbBK->setCurrentIndex(0);
    }
    const int bk = cmbBK->currentIndex();
    state_.borderFile = bk > 0 && bk < sBkFile.size() ? sBkFile[bk] : QString();
    state_.changed();
}

}  // namespace tavu
