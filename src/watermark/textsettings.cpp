#include "watermark/textsettings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tavu {

namespace {
QColor FromStored(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
int32_t ToStored(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }
}  // namespace

TextSettingsDialog::TextSettingsDialog(const TextStyle& s, QWidget* parent) : QDialog(parent), color_(s.color) {
    setObjectName(QStringLiteral("frmTextSet"));
    setWindowTitle(QStringLiteral("文字水印设置"));
    auto* form = new QFormLayout;
    txtText = new QLineEdit(s.text, this);
    txtText->setObjectName(QStringLiteral("txtText"));
    txtText->setPlaceholderText(QStringLiteral("输入水印文字,例如 © 2026 我的相册"));
    cmbFont = new QFontComboBox(this);
    cmbFont->setObjectName(QStringLiteral("cmbFont"));
    cmbFont->setWritingSystem(QFontDatabase::SimplifiedChinese);  // fonts that can show Chinese
    cmbFont->setCurrentFont(QFont(s.font));
    spnSize = new QSpinBox(this);
    spnSize->setObjectName(QStringLiteral("spnSize"));
    spnSize->setRange(1, 500);
    spnSize->setValue(s.size);
    spnSize->setSuffix(QStringLiteral(" 磅"));
    cmdColor = new QPushButton(QStringLiteral("选择颜色..."), this);
    cmdColor->setObjectName(QStringLiteral("cmdColor"));
    chkBold = new QCheckBox(QStringLiteral("粗体"), this);
    chkBold->setChecked(s.bold);
    chkUnderline = new QCheckBox(QStringLiteral("下划线"), this);
    chkUnderline->setChecked(s.underline);
    chkItalic = new QCheckBox(QStringLiteral("斜体"), this);
    chkItalic->setChecked(s.italic);
    auto* styles = new QHBoxLayout;
    styles->addWidget(chkBold);
    styles->addWidget(chkUnderline);
    styles->addWidget(chkItalic);
    styles->addStretch(1);
    form->addRow(QStringLiteral("文字:"), txtText);
    form->addRow(QStringLiteral("字体:"), cmbFont);
    form->addRow(QStringLiteral("大小:"), spnSize);
    form->addRow(QStringLiteral("颜色:"), cmdColor);
    form->addRow(QStringLiteral("样式:"), styles);
    lblSample = new QLabel(this);
    lblSample->setObjectName(QStringLiteral("lblSample"));
    lblSample->setFixedHeight(96);
    lblSample->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);  // a long text never widens the window
    lblSample->setTextFormat(Qt::PlainText);
    lblSample->setAlignment(Qt::AlignCenter);
    lblSample->setAutoFillBackground(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(new QLabel(QStringLiteral("预览:"), this));
    v->addWidget(lblSample);
    v->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdColor, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(FromStored(color_), this, QStringLiteral("文字颜色"));
        if (c.isValid()) {
            color_ = ToStored(c);
            updateSample();
        }
    });
    for (QCheckBox* c : {chkBold, chkUnderline, chkItalic}) connect(c, &QCheckBox::toggled, this, &TextSettingsDialog::updateSample);
    connect(txtText, &QLineEdit::textChanged, this, &TextSettingsDialog::updateSample);
    connect(cmbFont, &QFontComboBox::currentFontChanged, this, &TextSettingsDialog::updateSample);
    connect(spnSize, &QSpinBox::valueChanged, this, &TextSettingsDialog::updateSample);
    resize(460, 320);
    updateSample();
}

void TextSettingsDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    updateSample();
}

void TextSettingsDialog::updateSample() {
    QFont f = cmbFont->currentFont();
    f.setPointSize(std::min(spnSize->value(), 48));
    f.setBold(chkBold->isChecked());
    f.setUnderline(chkUnderline->isChecked());
    f.setItalic(chkItalic->isChecked());
    // A text too wide for the sample is shown smaller, down to 8 points, and then shortened.
    const QString text = txtText->text().isEmpty() ? QStringLiteral("水印文字 Sample") : txtText->text();
    const int room = std::max(40, lblSample->width() - 16);
    const int wide = QFontMetrics(f).horizontalAdvance(text);
    if (wide > room) f.setPointSize(std::max(8, int(f.pointSize() * double(room) / wide)));
    lblSample->setFont(f);
    // The sample keeps its own colours whatever the skin says.
    lblSample->setStyleSheet(QStringLiteral("QLabel{background:#c8c8c8;color:%1;font-family:'%2';font-size:%3pt;"
                                            "font-weight:%4;font-style:%5;text-decoration:%6;}")
                                 .arg(FromStored(color_).name(), f.family())
                                 .arg(f.pointSize())
                                 .arg(f.bold() ? "bold" : "normal", f.italic() ? "italic" : "normal",
                                      f.underline() ? "underline" : "none"));
    lblSample->setText(QFontMetrics(f).elidedText(text, Qt::ElideMiddle, room));
    cmdColor->setStyleSheet(QStringLiteral("QPushButton{border-left:18px solid %1;}").arg(FromStored(color_).name()));
}

TextStyle TextSettingsDialog::style() const {
    TextStyle s;
    s.text = txtText->text();
    s.font = cmbFont->currentFont().family();
    s.size = spnSize->value();
    s.color = color_;
    s.bold = chkBold->isChecked();
    s.underline = chkUnderline->isChecked();
    s.italic = chkItalic->isChecked();
    return s;
}

}  // namespace tavu
