// The group "处理信息": how many pictures are listed, the watermarks, the output folder, and
// what the latest run saved.
#pragma once

#include <QGroupBox>

#include "batch/batchrun.h"

class QLabel;

namespace tavu {

class ClickLabel;

class InfoPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit InfoPanel(QWidget* parent = nullptr);
    void setCount(int count);
    void setTextWatermark(const QString& label);
    void setPictureWatermark(const QString& label);
    void setOutputFolder(const QString& shown, const QString& full);
    // The latest run: pictures written, failures, bytes in → out and the saving.
    void setRunSummary(const Completion& c);
    void clearRunSummary();

signals:
    void largerRequested();  // the summary's "比原图大" count was clicked

private:
    QLabel *lFile, *lTxt, *lSY, *lOut;
    ClickLabel* lSum;
};

}  // namespace tavu
