// The group "3.添加边框和水印": the border list, the text and picture watermark switches with
// their settings, and the two position lists.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QCheckBox;
class QComboBox;

namespace tavu {

struct AppContext;
class WindowState;

class DecorationsPanel : public QGroupBox {
    Q_OBJECT
public:
    DecorationsPanel(WindowState& state, AppContext& context, QWidget* parent = nullptr);

    // The position lists and the borders of bk/ (PNG files in name order).
    void load();
    // Stored choices: the border entry, and watermarks switched on when their text or file is
    // stored (no window opens).
    void restore();

    // `switchedOn`: the watermark was just switched on (not a refresh after its settings were
    // reopened, which keeps the position chosen).
    void chkInfoTxt_Click(bool switchedOn = true);
    void mSetTxt_Click();
    void chkInfoImg_Click(bool switchedOn = true);
    void mSetImg_Click();
    void cmbPos_Click(bool picture);
    void cmbBK_Click();
    // The marker grabbed a watermark: its position list goes to "自定义".
    void chooseCustomPosition(bool picture);

    int borderIndex() const;
    // Where added frames are copied: bk/ in the working folder (the program folder when writable).
    QString userBorderFolder() const;
    int borderCount() const;

    // The watermark picture's scale for a scroll bar position (0 -> 0.05, 10 -> 1, 11 -> 2.2).
    static float ScaleFromScrollBar(int v);
    // A long path shortened for a label: the first three and the last seventeen characters.
    static QString ShortPath(const QString& path);

signals:
    void textLabelChanged(const QString& label);
    void pictureLabelChanged(const QString& label);
    void textSizeChosen(int size);
    void opacityChosen(int alpha);
    // A position list changed from entry `previous`; `custom` when it is now on "自定义".
    void positionListChanged(bool picture, bool custom, int previous);

private:
    WindowState& state_;
    AppContext& ctx_;
    QComboBox *cmbBK, *cmbPos, *cmbPosImg;
    QCheckBox *chkInfoTxt, *chkInfoImg;
    QStringList sBkFile;  // border files, parallel to cmbBK
};

}  // namespace tavu
