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

namespace tavu {

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
    QMenu* mFN;
    QAction* mFNOpt[4];
};

}  // namespace tavu
