#include "app/sizepanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/boxtip.h"
#include "app/widgets.h"
#include "app/windowstate.h"

namespace tavu {

SizePanel::SizePanel(WindowState& state, QWidget* parent) : QGroupBox(U("2.指定尺寸"), parent), state_(state) {
    auto* row = new QHBoxLayout(this);
    cmbSize = new QComboBox(this);
    cmbSize->setObjectName(QStringLiteral("cmbSize"));
    cmbSize->setToolTip(U("选择图片尺寸"));
    cmbSize->setMaxVisibleItems(25);
    txtW = MakeBox(this, "txtW", "400", "输入图片宽度", 70);
    txtH = MakeBox(this, "txtH", "300", "输入图片高度", 70);
    row->addWidget(cmbSize, 1);
    row->addWidget(new QLabel(U("宽度:"), this));
    row->addWidget(txtW);
    row->addWidget(new QLabel(U("高度:"), this));
    row->addWidget(txtH);
    BoxTip::Attach(txtW, U("【提示】输入图片的宽度(单位:像素)。"), state_);
    BoxTip::Attach(txtH, U("【提示】输入图片的高度(单位:像素)。"), state_);

    connect(cmbSize, &QComboBox::currentIndexChanged, this, [this] { cmbSize_Click(); });
    connect(txtW, &QLineEdit::textChanged, this, [this](const QString& t) {
        state_.widthText = t;
        state_.changed();
    });
    connect(txtH, &QLineEdit::textChanged, this, [this](const QString& t) {
        state_.heightText = t;
        state_.changed();
    });
}

void SizePanel::loadPresets(const QString& presetsFile) {
    cmbSize->blockSignals(true);
    cmbSize->addItem(U("限制宽度"));
    cmbSize->addItem(U("原始尺寸"));
    state_.sSizeList = LoadSizePresets(presetsFile.toStdString());
    for (const SizePreset& p : state_.sSizeList) {
        // The tip says what choosing it sets.
        cmbSize->addItem(QString::fromStdString(p.name));
        cmbSize->setItemData(cmbSize->count() - 1, QString::fromStdString(PresetTip(p)), Qt::ToolTipRole);
    }
    cmbSize->addItem(U("自定义尺寸..."));
    cmbSize->setCurrentIndex(-1);
    cmbSize->blockSignals(false);
    state_.customSizeIndex = cmbSize->count() - 1;
}

void SizePanel::restore(int index) {
    const int size = index >= 0 && index < cmbSize->count() ? index : 0;
    cmbSize->setCurrentIndex(size);
    if (cmbSize->currentIndex() == size && state_.iSizeMode != size) cmbSize_Click();
}

int SizePanel::currentIndex() const { return cmbSize->currentIndex(); }

void SizePanel::focusWidth() {
    txtW->setFocus();
    txtW->selectAll();
}

void SizePanel::cmbSize_Click() {
    txtW->setEnabled(false);
    txtH->setEnabled(false);
    state_.iSizeMode = cmbSize->currentIndex();
    const int mode = state_.iSizeMode, last = cmbSize->count() - 1;
    if (mode == 0) {
        txtW->setText(QStringLiteral("500"));
        txtH->setText(QStringLiteral("0"));
        txtW->setEnabled(true);
        state_.tip(U("【提示】输入图片宽度,高度将按原图片比例自动换算。"));
    } else if (mode == 1) {
        txtW->setText(QStringLiteral("0"));
        txtH->setText(QStringLiteral("0"));
        state_.changed();
    } else if (mode == last) {
        txtW->setEnabled(true);
        txtH->setEnabled(true);
        txtW->setText(QStringLiteral("400"));
        txtH->setText(QStringLiteral("300"));
        focusWidth();
        state_.tip(U("【提示】请输入图片宽度和高度。"));
    } else if (mode >= 2) {
        const size_t row = size_t(mode - 2);
        if (row <= 500 && row < state_.sSizeList.size()) {
            txtW->setText(QString::fromStdString(state_.sSizeList[row].width));
            txtH->setText(QString::fromStdString(state_.sSizeList[row].height));
            if (state_.bLoaded) emit presetChosen(state_.sSizeList[row]);
        }
    }
}

}  // namespace tavu
