// The text watermark's settings window: text, font, size, colour and style, with a live sample.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

class QCheckBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tavu {

struct TextStyle {
    QString text;
    QString font = QStringLiteral("宋体");
    int size = 9;              // points
    int32_t color = 0;         // 0x00BBGGRR: red in the low byte
    bool bold = false, underline = false, italic = false;
};

class TextSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TextSettingsDialog(const TextStyle& style, QWidget* parent = nullptr);
    TextStyle style() const;

    QLineEdit* txtText;
    QFontComboBox* cmbFont;
    QSpinBox* spnSize;
    QPushButton* cmdColor;
    QCheckBox *chkBold, *chkUnderline, *chkItalic;
    QLabel* lblSample;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void updateSample();
    int32_t color_ = 0;
};

}  // namespace tavu
