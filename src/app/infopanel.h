// The group "处理信息": how many pictures are listed, the watermarks, the output folder.
#pragma once

#include <QGroupBox>

class QLabel;

namespace tavu {

class InfoPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit InfoPanel(QWidget* parent = nullptr);
    void setCount(int count);
    void setTextWatermark(const QString& label);
    void setPictureWatermark(const QString& label);
    void setOutputFolder(const QString& shown, const QString& full);

private:
    QLabel *lFile, *lTxt, *lSY, *lOut;
};

}  // namespace tavu
