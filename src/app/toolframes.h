// The preview's edge tool frames and the brightness panel: the turn buttons along the top, the
// effect, colour-channel, offset and watermark tools on the right, shown while the pointer is near
// those edges (or pinned). The turn, effect and channel commands of the menus act here too.
#pragma once

#include <QObject>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSlider;
class QWidget;

namespace tavu {

struct MenuTree;
class WindowState;

class ToolFrames : public QObject {
    Q_OBJECT
public:
    ToolFrames(WindowState& state, MenuTree& menus, QWidget* box, QLabel* image);

    void mPRT_Click(int index);
    void mTX_Click(int index);
    void mTXUndo_Click();
    void mPCR_Click(int index);
    void showBrightness();
    // Keeps the frame shown whatever the pointer does.
    void pinTop();
    void pinRight();
    void setOffsetBoxes(float x, float y);
    void setTextSize(int size);
    void setOpacity(int alpha);
    QString opacityText() const;

signals:
    void textSettingsRequested();
    void pictureSettingsRequested();
    void moveModeRequested();
    void cropRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTurnFrame();
    void buildToolFrame();
    void buildBrightnessPanel();
    void place();

    WindowState& state_;
    MenuTree& menus_;
    QWidget* picImg;
    QLabel* imgM;
    QFrame *Frame3, *Frame4, *frmTZ;
    QPushButton* cmdR[8] = {};
    QPushButton *cmdMR, *cmdTX, *cmdSetPos, *cmdBright, *cmdImgCut, *cmdTSet, *cmdSetP, *cmdSetPX0, *cmdSetPY0;
    QPushButton* cmdRGB[3];
    QLineEdit* txtRGB[3];
    QLineEdit *txtXp, *txtYp, *txtSize, *txtAlpha;
    QScrollBar* hscSY;
    QSlider* sldLD;
    QPushButton *cmdLD, *cmdCloseTZ;
};

}  // namespace tavu
