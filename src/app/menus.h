// The window's menu tree (the menu bar stays hidden; every entry acts through its shortcut) and
// the preview's context menu. Entries are named as the program names them.
#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;

namespace tavu {

struct MenuTree {
    explicit MenuTree(QMainWindow* window);

    QMenu *mF, *mBrowsPic, *mP, *mPr, *mPC, *mX, *mS, *mT, *mSSkin, *mSkinOpt, *mH;
    QMenu* mImgOpt;
    QAction *mAddDir, *mAddFile, *mDelFile, *mUndoDel, *mClear, *mCopySrc2, *mCap, *mExit;
    QAction *mLBBrows, *mLSBrows, *mFBrows, *mFBrows2;
    QAction* mPRT[8] = {};
    QAction* mPCR[3];
    QAction *mPPro, *mPLD, *mPCutImg, *mTRect, *mT0;
    QAction* mTXUndo;
    QAction* mTX[13];
    QAction *mSetTxt, *mSetImg, *mTODir, *mSPicTxt, *mSPDFSet, *mShowOn2, *mTOption;
    QAction *mUI, *mKTTool, *mKRTool;
    QAction* mSkin[5];
    QAction *mReadMe, *mHWeb, *mBBS, *mDownZY, *mAbout;
    QAction *mSetTxtSY, *mSetPicSY, *mPCut, *mSetXYPos, *mSet0, *mXYPos, *mCopyPic, *mShowF, *mCompare, *mShowOn;
};

}  // namespace tavu
