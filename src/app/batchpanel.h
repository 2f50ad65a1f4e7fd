// The group "4.开始处理": starting and stopping the batch run (off the window's thread), its
// progress on the start button and what the window does when it ends; the options and skin buttons.
#pragma once

#include <QGroupBox>

#include "app/batchcontroller.h"

class QPushButton;

namespace tavu {

struct AppContext;
class WindowState;

class BatchPanel : public QGroupBox {
    Q_OBJECT
public:
    // The message that lists a run's renamed and skipped pictures.
    static QString NoticeMessage(const Completion& c);
    // The message that lists the results larger than their source.
    static QString LargerMessage(const Completion& c);
    BatchPanel(WindowState& state, AppContext& context, QWidget* parent = nullptr);
    ~BatchPanel() override;

    void cmdDone_Click();
    void cmdStop_Click();
    BatchController& batch() { return batch_; }
    const Completion& lastRun() const { return last_; }
    // Lists the latest run's results that came out larger than their source.
    void showLarger();

signals:
    void addPicturesRequested();   // the list is empty
    void focusWidthRequested();    // the size is zero
    void runStarted();
    void runFinished(const tavu::Completion& c);
    void optionsRequested();
    void skinMenuRequested(const QPoint& global);

private:
    void onFinished(const Completion& c);
    void showIdle();

    WindowState& state_;
    AppContext& ctx_;
    BatchController batch_;
    Completion last_;
    QPushButton *cmdDone, *cmdStop, *cmdOption, *cmdSkin;
};

}  // namespace tavu
