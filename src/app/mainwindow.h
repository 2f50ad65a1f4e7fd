// The main window: the numbered groups that follow the work on the left, the preview with its
// tool frames on the right, the status line below. It builds the panels, lays them out, connects
// them, and runs start-up and shutdown; the panels share one WindowState.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <memory>

#include "app/appcontext.h"
#include "app/elidedlabel.h"
#include "app/menus.h"
#include "app/windowstate.h"

class QMimeData;

namespace tavu {

class BatchPanel;
class DecorationsPanel;
class FileListPanel;
class InfoPanel;
class OutputPanel;
class PreviewPanel;
class SizePanel;
class SkinMenuState;
class ToolFrames;
class ViewCommands;
class WatermarkPlacement;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppContext context, QWidget* parent = nullptr);
    ~MainWindow() override;

    void ShowTip(const QString& text);
    // Files and folders given when the program starts: added, the last one selected and shown.
    void addStartupPaths(const QStringList& paths);
    // A drop at a point of the window (window coordinates): on the list and the preview the last
    // picture added becomes the selected one; elsewhere the selection stays.
    void dropAt(const QMimeData* data, const QPoint& at);
    void mExit_Click();
    void mSkin_Click(int index);
    void mShowOn_Click();

    WindowState& state() { return state_; }
    AppContext& context() { return ctx_; }
    MenuTree& menus() { return *menus_; }
    FileListPanel& files() { return *files_; }
    SizePanel& sizes() { return *sizes_; }
    DecorationsPanel& decorationsPanel() { return *decorations_; }
    WatermarkPlacement& placement() { return *placement_; }
    ToolFrames& toolFrames() { return *tools_; }
    OutputPanel& output() { return *output_; }
    BatchPanel& batchPanel() { return *batch_; }
    PreviewPanel& preview() { return *preview_; }
    ViewCommands& commands() { return *commands_; }

signals:
    void previewShown();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildLayout();
    void connectList();
    void connectDecorations();
    void connectCommands();
    void startUp();
    void updateListState();

    AppContext ctx_;
    WindowState state_;
    std::unique_ptr<MenuTree> menus_;
    FileListPanel* files_ = nullptr;
    SizePanel* sizes_ = nullptr;
    DecorationsPanel* decorations_ = nullptr;
    OutputPanel* output_ = nullptr;
    BatchPanel* batch_ = nullptr;
    InfoPanel* info_ = nullptr;
    PreviewPanel* preview_ = nullptr;
    ToolFrames* tools_ = nullptr;
    WatermarkPlacement* placement_ = nullptr;
    ViewCommands* commands_ = nullptr;
    ClickLabel* lInfo = nullptr;
    std::unique_ptr<SkinMenuState> skinMenu_;
    int16_t loadedAlpha_ = 80;
    bool exiting_ = false;
};

}  // namespace tavu
