#include "app/batchpanel.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPushButton>

#include "app/appcontext.h"
#include "app/prompts.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "filelist/filelist.h"
#include "filelist/pathtext.h"

namespace tavu {

BatchPanel::BatchPanel(WindowState& state, AppContext& context, QWidget* parent)
    : QGroupBox(U("4.开始处理"), parent), state_(state), ctx_(context) {
    auto* row = new QHBoxLayout(this);
    cmdDone = MakeButton(this, "cmdDone", "开始处理", "开始批处理");
    cmdDone->setMinimumHeight(40);
    cmdStop = MakeButton(this, "cmdStop", "停止处理");
    cmdStop->setEnabled(false);
    cmdOption = MakeButton(this, "cmdOption", "选项", "打开软件选项窗口");
    cmdSkin = MakeButton(this, "cmdSkin", "换肤", "更换软件皮肤");
    row->addWidget(cmdDone, 2);
    row->addWidget(cmdStop, 1);
    row->addWidget(cmdOption);
    row->addWidget(cmdSkin);

    connect(cmdDone, &QPushButton::clicked, this, &BatchPanel::cmdDone_Click);
    connect(cmdStop, &QPushButton::clicked, this, &BatchPanel::cmdStop_Click);
    connect(cmdOption, &QPushButton::clicked, this, &BatchPanel::optionsRequested);
    connect(cmdSkin, &QPushButton::clicked, this,
            [this] { emit skinMenuRequested(cmdSkin->mapToGlobal(QPoint(0, cmdSkin->height()))); });
    connect(&batch_, &BatchController::pictureStarted, this, [this](int, const QString& tip) { state_.tip(tip); });
    connect(&batch_, &BatchController::progress, this,
            [this](int done, int total) { cmdDone->setText(QStringLiteral("进度:%1/%2").arg(done).arg(total)); });
    connect(&batch_, &BatchController::pictureDone, this, [this](const PictureResult& r) {
        state_.results[r.source] = r;
        emit state_.resultsChanged();
    });
    connect(&batch_, &BatchController::finished, this, &BatchPanel::onFinished);
}

BatchPanel::~BatchPanel() {
    batch_.stop();
    batch_.wait();
}

void BatchPanel::cmdDone_Click() {
    if (batch_.running()) return;  // a stop is pending: the run under way ends first
    const BatchOptions o = state_.batchOptions();
    std::vector<std::string> paths;
    if (state_.list) paths = state_.list->entries();  // the files' own names, whatever their bytes
    const Validation v = ValidateRun(paths.size(), o);
    if (!v.ok) {
        if (ctx_.prompts) ctx_.prompts->error(window(), QString::fromStdString(v.message));
        if (v.addPictures) emit addPicturesRequested();
        if (v.focusWidth) emit focusWidthRequested();
        return;
    }
    if (v.askMinimise && ctx_.prompts && ctx_.prompts->ask(window(), QString::fromStdString(kMsgMinimise)))
        window()->showMinimized();

    cmdStop->setEnabled(true);
    cmdDone->setEnabled(false);
    state_.bNoPreview = false;
    state_.results.clear();
    emit state_.resultsChanged();
    emit runStarted();
    QDir().mkpath(state_.sOutDir);
    batch_.start(std::move(paths), o);
}

void BatchPanel::cmdStop_Click() {
    batch_.stop();
    showIdle();
}

void BatchPanel::showIdle() {
    cmdDone->setText(U("开始处理"));
    cmdDone->setEnabled(true);
    cmdStop->setEnabled(false);
}

void BatchPanel::onFinished(const Completion& c) {
    last_ = c;
    emit runFinished(c);
    if (c.openOutputFolder) ctx_.openFolder(QString::fromStdString(c.outputFolder));
    if (window()->isMinimized()) window()->showMaximized();
    if (!c.errorLogQuestion.empty() && ctx_.prompts && ctx_.prompts->ask(window(), QString::fromStdString(c.errorLogQuestion)))
        ctx_.openTextFile(QString::fromStdString(c.errorLogPath));
    state_.tip(QString::fromStdString(c.resultTip));
    showIdle();
    // Results saved under another name, or existing files kept: the user is told which.
    if (!c.notices.empty() && ctx_.prompts) ctx_.prompts->inform(window(), NoticeMessage(c), U("同名文件"));
}

void BatchPanel::showLarger() {
    if (!last_.larger.empty() && ctx_.prompts) ctx_.prompts->inform(window(), LargerMessage(last_), U("比原图大的结果"));
}

QString BatchPanel::LargerMessage(const Completion& c) {
    constexpr size_t kShown = 15;
    QString text = U("有%1张图片的结果比原图大(原图已经压缩得很小,或换了更大的格式),可以调低质量或换用原格式:\n\n")
                       .arg(c.larger.size());
    for (size_t i = 0; i < c.larger.size() && i < kShown; ++i) text += PathText(c.larger[i]) + QLatin1Char('\n');
    if (c.larger.size() > kShown) text += U("……等共%1张。\n").arg(c.larger.size());
    return text;
}

QString BatchPanel::NoticeMessage(const Completion& c) {
    constexpr size_t kShown = 15;
    QString text = U("有%1张图片因与其他图片或已有文件同名而改名保存,%2张因已有同名文件而跳过:\n\n")
                       .arg(c.renamed)
                       .arg(c.skipped);
    for (size_t i = 0; i < c.notices.size() && i < kShown; ++i) text += PathText(c.notices[i]) + QLatin1Char('\n');
    if (c.notices.size() > kShown) text += U("……等共%1条。\n").arg(c.notices.size());
    return text;
}

}  // namespace tavu
