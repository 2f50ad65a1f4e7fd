// The output group "3.输出设置": the output folder, the format, and the naming rule with its
// prefix presets.
#pragma once

#include <QGroupBox>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QLabel;

namespace tavu {

struct SizePreset;

struct AppContext;
class WindowState;

class OutputPanel : public QGroupBox {
    Q_OBJECT
public:
    OutputPanel(WindowState& state, AppContext& context, QWidget* parent = nullptr);

    // The format list and the default output folder (zp/ in the working folder).
    void load();
    void cmdODir_Click();
    void mFNOpt_Click(int index);
    // A size preset was chosen: its file-size range and resolution fill the boxes.
    void applyPresetRules(const SizePreset& preset);

signals:
    void outputFolderChanged(const QString& shown, const QString& full);
    void pdfSettingsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowState& state_;
    AppContext& ctx_;
    QPushButton* cmdODir;
    QComboBox* cmbEncode;
    QCheckBox* chkRM;
    QLineEdit *txtFileName, *txtNum;
    QCheckBox *chkPDF, *chkFtp;
    QPushButton* cmdPDFSet;
    // "文件大小": JPEG results within a range of KB, padded up to its lower bound; the resolution.
    QCheckBox *chkSize, *chkSizePad;
    QLineEdit *txtMinKB, *txtMaxKB, *txtDPI;
    QLabel* lblDPI;
    void showSizeRules();
    void readSizeRules();
    void updateSizeEnabled();
    QMenu* mFN;
    QAction* mFNOpt[4];
};

}  // namespace tavu
