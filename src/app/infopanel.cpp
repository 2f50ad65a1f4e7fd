#include "app/infopanel.h"

#include <QGridLayout>
#include <QLabel>

#include "app/elidedlabel.h"
#include "app/widgets.h"
#include "batch/savings.h"

namespace tavu {

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const char* text) {
    auto* l = new ElidedLabel(U(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}
}  // namespace

InfoPanel::InfoPanel(QWidget* parent) : QGroupBox(U("处理信息"), parent) {
    auto* grid = new QGridLayout(this);
    lFile = MakeLabel(this, "lFile", "图片数量:0个");
    lTxt = MakeLabel(this, "lTxt", "文字水印:无");
    lSY = MakeLabel(this, "lSY", "图片水印:无");
    lOut = MakeLabel(this, "lOut", "输出目录:未设置");
    grid->addWidget(lFile, 0, 0);
    grid->addWidget(lTxt, 0, 1);
    grid->addWidget(lSY, 0, 2);
    grid->addWidget(lOut, 1, 0, 1, 3);
    lSum = new ClickLabel(QString(), this);
    lSum->setObjectName(QStringLiteral("lSum"));
    lSum->hide();
    grid->addWidget(lSum, 2, 0, 1, 3);
    connect(lSum, &ClickLabel::clicked, this, [this] {
        if (lSum->property("larger").toBool()) emit largerRequested();
    });
}

void InfoPanel::setRunSummary(const Completion& c) {
    lSum->setText(U("上次处理:") + QString::fromStdString(RunSummaryText(c)));
    const bool larger = !c.larger.empty();
    lSum->setProperty("larger", larger);
    lSum->setCursor(larger ? Qt::PointingHandCursor : Qt::ArrowCursor);
    lSum->setToolTip(larger ? lSum->text() + U("\n点击列出比原图大的结果") : QString());
    lSum->show();
}

void InfoPanel::clearRunSummary() { lSum->hide(); }

void InfoPanel::setCount(int count) { lFile->setText(QStringLiteral("图片数量:%1个").arg(count)); }
void InfoPanel::setTextWatermark(const QString& label) { lTxt->setText(label); }
void InfoPanel::setPictureWatermark(const QString& label) { lSY->setText(label); }

void InfoPanel::setOutputFolder(const QString& shown, const QString& full) {
    lOut->setText(U("输出文件夹:") + shown);
    lOut->setToolTip(full);
}

}  // namespace tavu
