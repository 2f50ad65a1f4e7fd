#include "app/menus.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>

#include "app/skins.h"
#include "app/widgets.h"
#include "raster/effects.h"

namespace tavu {

MenuTree::MenuTree(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();
    bar->hide();
    auto menu = [bar](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(U(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto submenu = [](QMenu* parent, const char* name, const char* caption) {
        QMenu* m = parent->addMenu(U(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    mF = menu("mF", "文件(&F)");
    mAddDir = MakeAction(mF, "mAddDir", "添加文件夹内全部图片...", "Ctrl+D");
    mAddFile = MakeAction(mF, "mAddFile", "添加单张或多张图片...", "Ctrl+F");
    mDelFile = MakeAction(mF, "mDelFile", "移除所选图片");
    mUndoDel = MakeAction(mF, "mUndoDel", "重新载入移除的图片");
    mClear = MakeAction(mF, "mClear", "清空添加的全部图片", "Ctrl+L");
    mF->addSeparator();
    mCopySrc2 = MakeAction(mF, "mCopySrc2", "屏幕截图...", "Ctrl+S");
    mCap = MakeAction(mF, "mCap", "摄像头拍照...");
    mF->addSeparator();
    mExit = MakeAction(mF, "mExit", "退    出", "Ctrl+Q");
    mDelFile->setEnabled(false);
    mUndoDel->setEnabled(false);
    mClear->setEnabled(false);

    mBrowsPic = menu("mBrowsPic", "浏览(&B)");
    mLBBrows = MakeAction(mBrowsPic, "mLBBrows", "多图列表浏览原图");
    mLSBrows = MakeAction(mBrowsPic, "mLSBrows", "幻灯片模式浏览原图");
    mBrowsPic->addSeparator();
    mFBrows = MakeAction(mBrowsPic, "mFBrows", "全屏查看原图");
    mFBrows2 = MakeAction(mBrowsPic, "mFBrows2", "全屏预览处理图");

    mP = menu("mP", "调整(&P)");
    mPr = submenu(mP, "mPr", "方向旋转");
    static const char* prt[8] = {"取消旋转", "", "智能旋转数码照片", "顺转90度", "逆转90度", "旋转180度", "水平镜像", "垂直镜像"};
    for (int i = 0; i < 8; ++i) {
        if (i == 1) {
            mPr->addSeparator();
            continue;
        }
        mPRT[i] = MakeAction(mPr, qPrintable(QStringLiteral("mPRT%1").arg(i)), prt[i], i == 0 ? "Ctrl+X" : nullptr);
        mPRT[i]->setCheckable(true);
    }
    mPC = submenu(mP, "mPC", "色彩通道");
    static const char* pcr[3] = {"红色通道", "绿色通道", "蓝色通道"};
    for (int i = 0; i < 3; ++i) {
        mPCR[i] = MakeAction(mPC, qPrintable(QStringLiteral("mPCR%1").arg(i)), pcr[i]);
        mPCR[i]->setCheckable(true);
        mPCR[i]->setChecked(true);
    }
    mPPro = MakeAction(mP, "mPPro", "高级...");
    mPLD = MakeAction(mP, "mPLD", "调整亮度...");
    mP->addSeparator();
    mPCutImg = MakeAction(mP, "mPCutImg", "裁剪图片", "Ctrl+U");
    mTRect = MakeAction(mP, "mTRect", "移动图片", "Ctrl+M");
    mT0 = MakeAction(mP, "mT0", "恢复原点", "Ctrl+Z");

    mX = menu("mX", "特效(&X)");
    mTXUndo = MakeAction(mX, "mTXUndo", "无特效");
    mTXUndo->setCheckable(true);
    mTXUndo->setChecked(true);
    mX->addSeparator();
    for (int i = 0; i < 13; ++i) {
        const std::string caption(EffectCaption(i));
        mTX[i] = MakeAction(mX, qPrintable(QStringLiteral("mTX%1").arg(i)), caption.c_str());
        mTX[i]->setCheckable(true);
    }
    mTX[12]->setVisible(false);

    mS = menu("mS", "设置(&S)");
    mSetTxt = MakeAction(mS, "mSetTxt", "文字水印...", "Ctrl+T");
    mSetImg = MakeAction(mS, "mSetImg", "图片水印...", "Ctrl+P");
    mSetTxt->setVisible(false);
    mSetImg->setVisible(false);
    mTODir = MakeAction(mS, "mTODir", "输出目录...");
    mS->addSeparator();
    mSPicTxt = MakeAction(mS, "mSPicTxt", "图片说明...", "Ctrl+E");
    mSPicTxt->setVisible(false);
    mSPDFSet = MakeAction(mS, "mSPDFSet", "PDF参数设置...");
    mS->addSeparator();
    mShowOn2 = MakeAction(mS, "mShowOn2", "实时预览");
    mShowOn2->setCheckable(true);
    mShowOn2->setChecked(true);
    mShowOn2->setVisible(false);
    mTOption = MakeAction(mS, "mTOption", "选项...", "Ctrl+O");

    mT = menu("mT", "工具(&T)");
    MakeAction(mT, "mTTBI2JPG", "TBI转JPG");
    MakeAction(mT, "mTJPG2TBI", "JPG转TBI");
    mT->addSeparator();
    MakeAction(mT, "mTCreatePDF", "生成PDF文件");

    mSSkin = menu("mSSkin", "界面(&K)");
    mUI = MakeAction(mSSkin, "mUI", "简约/全屏模式转换", "Ctrl+K");
    mSSkin->addSeparator();
    mKTTool = MakeAction(mSSkin, "mKTTool", "显示顶部工具条");
    mKRTool = MakeAction(mSSkin, "mKRTool", "显示右侧工具条");
    mSSkin->addSeparator();
    mSkinOpt = submenu(mSSkin, "mSkinOpt", "软件换肤");
    for (int i = 0; i < kSkinMenuEntryCount; ++i) {
        mSkin[i] = MakeAction(mSkinOpt, qPrintable(QStringLiteral("mSkin%1").arg(i)), "");
        mSkin[i]->setText(SkinMenuCaption(i));
        mSkin[i]->setCheckable(true);
    }

    mH = menu("mH", "帮助(&H)");
    mReadMe = MakeAction(mH, "mReadMe", "使用指南", "F2");
    mHWeb = MakeAction(mH, "mHWeb", "官方网站", "F3");
    mBBS = MakeAction(mH, "mBBS", "交流论坛", "F4");
    mDownZY = MakeAction(mH, "mDownZY", "下载素材", "F5");
    mH->addSeparator();
    mAbout = MakeAction(mH, "mAbout", "关于Tavu...", "F1");

    // Every menu entry acts by its shortcut although the menu bar is hidden. Qt does not let an
    // entry that is itself hidden act by its shortcut: those get a shortcut of their own.
    for (QMenu* m : {mF, mBrowsPic, mP, mPr, mPC, mX, mS, mT, mSSkin, mSkinOpt, mH}) {
        window->addActions(m->actions());
        for (QAction* a : m->actions()) {
            if (a->isVisible() || a->shortcut().isEmpty()) continue;
            auto* key = new QShortcut(a->shortcut(), window);
            key->setObjectName(a->objectName() + QStringLiteral("Key"));
            QObject::connect(key, &QShortcut::activated, a, &QAction::trigger);
        }
    }

    mImgOpt = new QMenu(window);
    mImgOpt->setObjectName(QStringLiteral("mImgOpt"));
    mSetTxtSY = MakeAction(mImgOpt, "mSetTxtSY", "设置文字水印");
    mSetPicSY = MakeAction(mImgOpt, "mSetPicSY", "设置图片水印");
    mImgOpt->addSeparator();
    mPCut = MakeAction(mImgOpt, "mPCut", "裁剪原图");
    mSetXYPos = MakeAction(mImgOpt, "mSetXYPos", "移动图片");
    mSet0 = MakeAction(mImgOpt, "mSet0", "恢复原点");
    mXYPos = MakeAction(mImgOpt, "mXYPos", "坐标定位");
    mXYPos->setEnabled(false);
    mImgOpt->addSeparator();
    mCopyPic = MakeAction(mImgOpt, "mCopyPic", "复制图片");
    mImgOpt->addSeparator();
    mShowF = MakeAction(mImgOpt, "mShowF", "全屏预览");
    mCompare = MakeAction(mImgOpt, "mCompare", "对比");
    mCompare->setToolTip(QStringLiteral("对比原图和压缩后的图片"));
    mImgOpt->addAction(mPLD);  // the brightness panel
    mImgOpt->addAction(mLBBrows);
    mImgOpt->addAction(mLSBrows);
    mImgOpt->addSeparator();
    mShowOn = MakeAction(mImgOpt, "mShowOn", "实时预览");
    mShowOn->setCheckable(true);
    mShowOn->setChecked(true);
    QObject::connect(mSet0, &QAction::triggered, mT0, &QAction::trigger);
}

}  // namespace tavu
