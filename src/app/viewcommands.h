// The commands that open windows of their own: the full-screen views of the source and of the
// processed picture, the list browser and the slide show, the crop window, the options window, the
// screen capture and the about box.
#pragma once

#include <QObject>

class QWidget;

namespace tavu {

struct CompareJob;

struct AppContext;
class WindowState;

class ViewCommands : public QObject {
    Q_OBJECT
public:
    ViewCommands(WindowState& state, AppContext& context, QWidget* window);

    void mFBrows_Click();          // the source picture, full screen
    void mFBrows2_Click();         // the processed picture, full screen
    void mBrowse_Click(int mode);  // 1 the list browser, 2 the slide show
    void mPCut_Click();            // the crop window for the selected entry
    void compare();                // the selected picture: source against its result with the current settings
    void compareResult(const std::string& entry);  // an entry against the file the latest run wrote
    void mTOption_Click(bool pdfPage);
    void mCopySrc2_Click();
    void about();

signals:
    void focusWidthRequested();
    void captured(const QString& path);  // a screen capture to add to the list
    void optionsChanged();

private:
    WindowState& state_;
    AppContext& ctx_;
    QWidget* window_;
    QWidget* cropWindow_ = nullptr;  // one at a time
    QWidget* compareWindow_ = nullptr;  // one at a time
    void openComparison(CompareJob job);
};

}  // namespace tavu
