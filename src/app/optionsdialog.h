// The options window: every setting that only this window changes. It has two pages and shows one
// of them at a time — the general page "frameSet" (JPEG quality, crop or fit, crop anchors, what
// happens after a run, slide-show interval, advertisement page) opened by "选项...", and the PDF page
// "framePDF" (title, description, date text) opened by "PDF参数设置...".
//
// OK writes only the keys whose controls the user changed, each in its stored form, and updates
// the settings in use; Cancel and Esc write nothing.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "platform/settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QWidget;

namespace tavu {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    enum class Page { General, Pdf };

    // The controls start from `settings`. The dialog keeps both references for its OK button:
    // both must outlive it.
    OptionsDialog(Settings& settings, SettingsStore& store, Page page, QWidget* parent = nullptr);

    Page page() const { return page_; }

    // The keys written by the last OK, in writing order (empty after Cancel or an unchanged OK).
    const std::vector<std::string>& writtenKeys() const { return written_; }

public slots:
    void accept() override;

private:
    // The value each control stands for, in the form of its key.
    struct Values {
        int16_t iJPGQ = 0, bPicJQ = 0, iXCutMode = 0, iYCutMode = 0, bSmartCut = 0;
        int16_t bAutoODir = 0, bSaveErr = 0, iSlideTime = 0, bShowToday = 0, iExisting = 0;
        int16_t bJpegProgressive = 0, iJpegSubsample = 0, bWebPLossless = 0;
        int16_t bKeepExif = 0, bKeepGps = 0, bKeepMTime = 0, bKeepTree = 0;
        std::string sPDF1, sPDF2, sPDF3;
    };

    QWidget* buildGeneralPage();
    QWidget* buildPdfPage();
    void load(const Settings& s);
    Values current() const;
    void updateAnchorState();

    Settings& settings_;
    SettingsStore& store_;
    Page page_;
    Values initial_;
    std::vector<std::string> written_;

    QWidget* frameSet_ = nullptr;
    QWidget* framePDF_ = nullptr;
    QSpinBox* spinQuality_ = nullptr;
    QSlider* sliderQuality_ = nullptr;
    QButtonGroup* fitGroup_ = nullptr;   // id 1: crop to fill, id 0: fit inside
    QButtonGroup* xAnchor_ = nullptr;    // ids 0/1/2: left/centre/right
    QButtonGroup* yAnchor_ = nullptr;    // ids 0/1/2: top/centre/bottom
    QGroupBox* anchorBox_ = nullptr;
    QComboBox* cmbExisting_ = nullptr;  // 覆盖 / 跳过 / 自动改名
    QCheckBox* chkSmartCut_ = nullptr;  // the "智能" anchor: the anchors below then do not apply
    QWidget *xAnchorRow_ = nullptr, *yAnchorRow_ = nullptr;
    QCheckBox* chkProgressive_ = nullptr;  // progressive JPEG
    QComboBox* cmbSubsample_ = nullptr;    // 自动 / 4:2:0 / 4:4:4
    QCheckBox* chkWebPLossless_ = nullptr;
    QCheckBox* chkKeepExif_ = nullptr;     // 保留拍摄信息
    QCheckBox* chkKeepGps_ = nullptr;      // 保留位置信息 (only with the shooting data)
    QCheckBox* chkKeepMTime_ = nullptr;    // 保留文件时间
    QCheckBox* chkKeepTree_ = nullptr;     // 保持子文件夹结构
    QCheckBox* chkOpenFolder_ = nullptr;
    QCheckBox* chkSaveErr_ = nullptr;
    QSpinBox* spinSlide_ = nullptr;
    QCheckBox* chkShowToday_ = nullptr;
    QLineEdit* txtPdfTitle_ = nullptr;
    QLineEdit* txtPdfText_ = nullptr;
    QLineEdit* txtPdfDate_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace tavu
