#include "app/toolframes.h"

#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include "app/boxtip.h"
#include "app/menus.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "platform/settings.h"
#include "raster/effects.h"
#include "watermark/decorationspanel.h"

namespace tavu {

namespace {
const char* const kTurnCaptions[8] = {"原图", "", "自动", "+90", "-90", "180", "水平", "垂直"};
const char* const kTurnTips[8] = {"恢复图片原始方向", "", "自动扶正非正常方向拍摄的数码照片", "顺时针旋转90度",
                                  "逆时针旋转90度", "旋转180度", "以水平线为轴镜像", "以垂线为轴镜像"};
const char* const kGainTip = "【提示】请输入数字。数字越大该颜色越重(建议0-10之间，可以是小数)。";

QFrame* MakeFrame(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(QFrame::StyledPanel);
    f->setAutoFillBackground(true);
    f->hide();
    return f;
}
}  // namespace

ToolFrames::ToolFrames(WindowState& state, MenuTree& menus, QWidget* box, QLabel* image)
    : QObject(box), state_(state), menus_(menus), picImg(box), imgM(image) {
    buildTurnFrame();
    buildToolFrame();
    buildBrightnessPanel();
    picImg->installEventFilter(this);
    imgM->installEventFilter(this);

    for (int i = 0; i < 8; ++i)
        if (menus_.mPRT[i])
            connect(menus_.mPRT[i], &QAction::triggered, this, [this, i] {
                // With nothing to turn the entry's mark stays as it was (the menu has just flipped it).
                if (state_.previewImage.isNull()) menus_.mPRT[i]->setChecked(!menus_.mPRT[i]->isChecked());
                mPRT_Click(i);
            });
    for (int i = 0; i < 3; ++i)
        connect(menus_.mPCR[i], &QAction::triggered, this, [this, i] {
            menus_.mPCR[i]->setChecked(!menus_.mPCR[i]->isChecked());  // the handler toggles it itself
            mPCR_Click(i);
        });
    connect(menus_.mTXUndo, &QAction::triggered, this, &ToolFrames::mTXUndo_Click);
    for (int i = 0; i < 13; ++i) connect(menus_.mTX[i], &QAction::triggered, this, [this, i] { mTX_Click(i); });
    connect(menus_.mPLD, &QAction::triggered, this, &ToolFrames::showBrightness);
    connect(menus_.mT0, &QAction::triggered, this, [this] { setOffsetBoxes(0, 0); });
    connect(menus_.mKTTool, &QAction::triggered, this, &ToolFrames::pinTop);
    connect(menus_.mKRTool, &QAction::triggered, this, &ToolFrames::pinRight);
}

void ToolFrames::buildTurnFrame() {
    Frame4 = MakeFrame(picImg, "Frame4");
    auto* row = new QHBoxLayout(Frame4);
    row->setContentsMargins(4, 2, 4, 2);
    for (int i = 0; i < 8; ++i) {
        if (i == 1) continue;
        cmdR[i] = MakeButton(Frame4, qPrintable(QStringLiteral("cmdR%1").arg(i)), kTurnCaptions[i], kTurnTips[i]);
        row->addWidget(cmdR[i]);
        connect(cmdR[i], &QPushButton::clicked, this, [this, i] { mPRT_Click(i); });
    }
}

void ToolFrames::buildToolFrame() {
    Frame3 = MakeFrame(picImg, "Frame3");
    auto* grid = new QGridLayout(Frame3);
    grid->setContentsMargins(4, 4, 4, 4);
    cmdMR = MakeButton(Frame3, "cmdMR", "美容", "快速人像美容");
    cmdTX = MakeButton(Frame3, "cmdTX", ">", "更多特效");
    grid->addWidget(cmdMR, 0, 0);
    grid->addWidget(cmdTX, 0, 1);
    connect(cmdMR, &QPushButton::clicked, this, [this] { mTX_Click(0); });
    connect(cmdTX, &QPushButton::clicked, this, [this] { menus_.mX->popup(QCursor::pos()); });

    static const char* rgbCaption[3] = {"红", "绿", "蓝"};
    static const char* rgbTip[3] = {"红色分量大小(0-1)", "绿色分量大小(0-1)", "蓝色分量大小(0-1)"};
    for (int i = 0; i < 3; ++i) {
        cmdRGB[i] = MakeButton(Frame3, qPrintable(QStringLiteral("cmdRGB%1").arg(i)), rgbCaption[i]);
        cmdRGB[i]->setToolTip(U("色通道开关") + U(rgbCaption[i]));
        txtRGB[i] = MakeBox(Frame3, qPrintable(QStringLiteral("txtRGB%1").arg(i)), "1", rgbTip[i], 48);
        grid->addWidget(cmdRGB[i], 1 + i, 0);
        grid->addWidget(txtRGB[i], 1 + i, 1);
        BoxTip::Attach(txtRGB[i], U(kGainTip), state_);
        connect(cmdRGB[i], &QPushButton::clicked, this, [this, i] { mPCR_Click(i); });
        connect(txtRGB[i], &QLineEdit::textChanged, this, [this] {
            float g[3];
            for (int k = 0; k < 3; ++k) {
                const std::optional<float> v = ReadSingle(txtRGB[k]->text().toStdString());
                g[k] = v ? *v : state_.cmPic.m[k][k];
            }
            state_.cmPic = ColorMatrix::Gains(g[0], g[1], g[2]);
            state_.changed();
        });
    }

    txtXp = MakeBox(Frame3, "txtXp", "0", "图片左边", 48);
    txtYp = MakeBox(Frame3, "txtYp", "0", "图片上边", 48);
    cmdSetPX0 = MakeButton(Frame3, "cmdSetPX0", "X", "设置图片左右与画布重合");
    cmdSetPY0 = MakeButton(Frame3, "cmdSetPY0", "Y", "设置图片上下与画布重合");
    grid->addWidget(cmdSetPX0, 4, 0);
    grid->addWidget(txtXp, 4, 1);
    grid->addWidget(cmdSetPY0, 5, 0);
    grid->addWidget(txtYp, 5, 1);
    BoxTip::Attach(txtXp, U("【提示】请输入数字。该数字指定了图片的左边界。"), state_);
    BoxTip::Attach(txtYp, U("【提示】请输入数字。该数字指定了图片的上边界。"), state_);
    connect(txtXp, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (auto v = ReadSingle(t.toStdString())) state_.sngPicX = *v;
        state_.changed();
    });
    connect(txtYp, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (auto v = ReadSingle(t.toStdString())) state_.sngPicY = *v;
        state_.changed();
    });
    connect(cmdSetPX0, &QPushButton::clicked, this, [this] { txtXp->setText(QStringLiteral("0")); });
    connect(cmdSetPY0, &QPushButton::clicked, this, [this] { txtYp->setText(QStringLiteral("0")); });

    cmdTSet = MakeButton(Frame3, "cmdTSet", "文本水印", "添加文字类型的水印");
    cmdSetP = MakeButton(Frame3, "cmdSetP", "图片水印", "添加图片类型的水印");
    txtSize = MakeBox(Frame3, "txtSize", "9", "文字大小", 48);
    txtAlpha = MakeBox(Frame3, "txtAlpha", "80", "水印透明度(0-完全透明,100-不透明)", 48);
    hscSY = new QScrollBar(Qt::Horizontal, Frame3);
    hscSY->setObjectName(QStringLiteral("hscSY"));
    hscSY->setRange(0, 20);
    hscSY->setValue(10);
    cmdSetPos = MakeButton(Frame3, "cmdSetPos", "移动图片", "改变图片在画布上(边框内)的位置");
    cmdBright = MakeButton(Frame3, "cmdBright", "亮度", "调整图片亮度");
    grid->addWidget(cmdTSet, 6, 0, 1, 2);
    grid->addWidget(txtSize, 7, 1);
    grid->addWidget(new QLabel(U("字号"), Frame3), 7, 0);
    grid->addWidget(cmdSetP, 8, 0, 1, 2);
    grid->addWidget(new QLabel(U("透明"), Frame3), 9, 0);
    grid->addWidget(txtAlpha, 9, 1);
    grid->addWidget(hscSY, 10, 0, 1, 2);
    grid->addWidget(cmdSetPos, 11, 0, 1, 2);
    grid->addWidget(cmdBright, 12, 0, 1, 2);
    cmdImgCut = MakeButton(Frame3, "cmdImgCut", "裁剪图片", "只用原图的一部分:画出裁剪框,处理时先裁剪再缩放");
    grid->addWidget(cmdImgCut, 13, 0, 1, 2);
    connect(cmdImgCut, &QPushButton::clicked, this, &ToolFrames::cropRequested);
    connect(cmdBright, &QPushButton::clicked, this, &ToolFrames::showBrightness);
    BoxTip::Attach(txtSize, U("【提示】请输入水印文字的大小。"), state_);
    BoxTip::Attach(txtAlpha, U("【提示】请输入水印图片的透明度(0-100，数字越大越不透明)。"), state_);
    connect(cmdTSet, &QPushButton::clicked, this, &ToolFrames::textSettingsRequested);
    connect(cmdSetP, &QPushButton::clicked, this, &ToolFrames::pictureSettingsRequested);
    connect(cmdSetPos, &QPushButton::clicked, this, &ToolFrames::moveModeRequested);
    connect(txtSize, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.isEmpty()) return;
        if (auto v = ReadInt16(t.toStdString())) state_.settings.iSize = *v;
        state_.changed();
    });
    connect(txtAlpha, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!t.isEmpty())
            if (auto v = ReadSingle(t.toStdString())) state_.syAlpha = *v / 100.0;
        state_.changed();
    });
    connect(hscSY, &QScrollBar::valueChanged, this, [this](int v) {
        state_.sngSYScale = DecorationsPanel::ScaleFromScrollBar(v);
        picImg->setFocus();
        state_.changed();
    });
}

void ToolFrames::buildBrightnessPanel() {
    frmTZ = MakeFrame(picImg, "frmTZ");
    auto* row = new QHBoxLayout(frmTZ);
    row->addWidget(new QLabel(U("亮度"), frmTZ));
    sldLD = new QSlider(Qt::Horizontal, frmTZ);
    sldLD->setObjectName(QStringLiteral("sldLD"));
    sldLD->setRange(kBrightnessMin, kBrightnessMax);
    sldLD->setValue(0);
    cmdLD = MakeButton(frmTZ, "cmdLD", "默认");
    cmdCloseTZ = MakeButton(frmTZ, "cmdCloseTZ", "关闭");
    row->addWidget(sldLD, 1);
    row->addWidget(cmdLD);
    row->addWidget(cmdCloseTZ);
    connect(cmdLD, &QPushButton::clicked, this, [this] { sldLD->setValue(0); });
    connect(cmdCloseTZ, &QPushButton::clicked, frmTZ, &QWidget::hide);
    connect(sldLD, &QSlider::valueChanged, this, [this](int v) {
        state_.brightness = v;
        mTX_Click(kEffectBrightness);
    });
}

void ToolFrames::mPRT_Click(int index) {
    if (state_.previewImage.isNull()) return;  // nothing to turn
    for (int i = 0; i < 8; ++i)
        if (menus_.mPRT[i]) menus_.mPRT[i]->setChecked(i == index);
    state_.iTurn = index;
    state_.changed();
}

void ToolFrames::mTX_Click(int index) {
    for (QAction* a : menus_.mTX) a->setChecked(false);
    menus_.mTX[index]->setChecked(true);
    menus_.mTXUndo->setChecked(false);
    state_.iEffect = index;
    state_.changed();
}

void ToolFrames::mTXUndo_Click() {
    menus_.mTXUndo->setChecked(true);
    for (QAction* a : menus_.mTX) a->setChecked(false);
    state_.iEffect = kEffectNone;
    state_.changed();
}

void ToolFrames::mPCR_Click(int index) {
    QAction* a = menus_.mPCR[index];
    a->setChecked(!a->isChecked());
    txtRGB[index]->setText(a->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void ToolFrames::showBrightness() {
    frmTZ->show();
    frmTZ->raise();
    place();
}

void ToolFrames::pinTop() {
    Frame4->show();
    Frame4->setProperty("pinned", true);
    place();
}

void ToolFrames::pinRight() {
    Frame3->show();
    Frame3->setProperty("pinned", true);
    place();
}

void ToolFrames::setOffsetBoxes(float x, float y) {
    txtXp->setText(QString::number(double(x), 'g', 7));
    txtYp->setText(QString::number(double(y), 'g', 7));
}

void ToolFrames::setTextSize(int size) { txtSize->setText(QString::number(size)); }
void ToolFrames::setOpacity(int alpha) { txtAlpha->setText(QString::number(alpha)); }
QString ToolFrames::opacityText() const { return txtAlpha->text(); }

void ToolFrames::place() {
    const QRect r = picImg->contentsRect();
    Frame4->adjustSize();
    Frame4->move(r.left() + (r.width() - Frame4->width()) / 2, r.top());
    Frame3->adjustSize();
    Frame3->move(r.right() - Frame3->width(), r.top() + (r.height() - Frame3->height()) / 2);
    frmTZ->adjustSize();
    frmTZ->setFixedWidth(std::min(r.width(), 360));
    frmTZ->move(r.left() + (r.width() - frmTZ->width()) / 2, r.bottom() - frmTZ->height());
}

bool ToolFrames::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        // The tool frames appear while the pointer is near the preview's top or right edge.
        const QPoint p = picImg->mapFromGlobal(QCursor::pos());
        const QRect r = picImg->rect();
        const bool nearTop = p.y() < r.top() + 40, nearRight = p.x() > r.right() - 120;
        if (!Frame4->property("pinned").toBool()) Frame4->setVisible(nearTop);
        if (!Frame3->property("pinned").toBool()) Frame3->setVisible(nearRight);
        if (Frame4->isVisible() || Frame3->isVisible()) {
            place();
            Frame4->raise();
            Frame3->raise();
        }
    } else if (watched == picImg && event->type() == QEvent::Leave &&
               !picImg->rect().contains(picImg->mapFromGlobal(QCursor::pos()))) {
        if (!Frame4->property("pinned").toBool()) Frame4->hide();
        if (!Frame3->property("pinned").toBool()) Frame3->hide();
    } else if (watched == picImg && event->type() == QEvent::Resize) {
        place();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tavu
