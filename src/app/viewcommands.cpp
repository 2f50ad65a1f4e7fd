#include "app/viewcommands.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/appcontext.h"
#include "app/comparewindow.h"
#include "app/cropwindow.h"
#include "app/optionsdialog.h"
#include "app/prompts.h"
#include "app/screencapture.h"
#include "app/shell.h"
#include "app/viewer.h"
#include "app/widgets.h"
#include "app/windowstate.h"
#include "imageio/encode.h"
#include "imageio/vipsinit.h"
#include "version.h"

namespace tavu {

ViewCommands::ViewCommands(WindowState& state, AppContext& context, QWidget* window)
    : QObject(window), state_(state), ctx_(context), window_(window) {}

void ViewCommands::mFBrows_Click() {
    if (state_.current.isEmpty()) {
        state_.tip(U("【操作错误】当前没有图片可以浏览。"));
        return;
    }
    FullScreenViewer::open(state_.current, window_);
}

void ViewCommands::mFBrows2_Click() {
    if (state_.heightText == "0" && state_.widthText == "0" && state_.iSizeMode != kSizeOriginal &&
        state_.iSizeMode != kSizeFirstPreset) {
        if (ctx_.prompts) ctx_.prompts->error(window_, U("图片尺寸不能同时为0！"));
        emit focusWidthRequested();
        return;
    }
    if (state_.previewImage.isNull() || state_.current.isEmpty()) {
        state_.tip(U("【操作错误】没有可预览的图片。"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Canvas canvas;
    RenderPicture(canvas, state_.currentSource, state_.currentRenderSettings());
    const QString temp = ctx_.workDir + QStringLiteral("/user/tempBZ.bmp");
    QDir().mkpath(ctx_.workDir + QStringLiteral("/user"));
    const bool saved = SaveBmpFile(canvas, temp.toStdString());
    QApplication::restoreOverrideCursor();
    state_.changed();
    if (saved) FullScreenViewer::open(temp, window_);
}

void ViewCommands::mBrowse_Click(int mode) {
    if (mode == 1) state_.tip(U("【提示】正在启动多图浏览模式，请稍后……"));
    const QStringList files = state_.entries();
    if (files.isEmpty()) {
        state_.tip(U("【操作错误】当前没有图片可以浏览。"));
        return;
    }
    auto* b = new PictureBrowser(files, mode == 1 ? PictureBrowser::Mode::List : PictureBrowser::Mode::SlideShow,
                                 std::max<int>(1, state_.settings.iSlideTime), std::max(0, state_.currentRow));
    b->setAttribute(Qt::WA_DeleteOnClose);
    b->present();
}

void ViewCommands::compare() {
    if (state_.currentSource.empty() || state_.previewImage.isNull()) {
        state_.tip(U("【操作错误】没有可对比的图片。"));
        return;
    }
    CompareJob job;
    job.source = state_.currentSource;
    job.render = state_.currentRenderSettings();
    job.save = state_.batchOptions();
    openComparison(std::move(job));
}

void ViewCommands::compareResult(const std::string& entry) {
    const auto it = state_.results.find(entry);
    if (it == state_.results.end() || !it->second.written) {
        state_.tip(U("【操作错误】这张图片还没有处理结果。"));
        return;
    }
    CompareJob job;
    job.source = entry;
    job.render = state_.renderSettingsOf(entry);
    job.result = it->second.output;
    openComparison(std::move(job));
}

void ViewCommands::openComparison(CompareJob job) {
    if (compareWindow_) compareWindow_->close();
    auto* w = new CompareWindow(std::move(job), window_);
    compareWindow_ = w;
    connect(w, &QObject::destroyed, this, [this, w] {
        if (compareWindow_ == w) compareWindow_ = nullptr;
    });
    w->show();
}

void ViewCommands::mPCut_Click() {
    if (state_.currentSource.empty()) {
        state_.tip(U("【操作错误】请先在列表中选择要裁剪的图片。"));
        return;
    }
    if (cropWindow_) cropWindow_->close();  // a window for another entry makes way
    const RenderSettings r = state_.renderSettings();
    const double ratio = TargetRatio(r);
    QString ratioText;
    if (ratio > 0) {
        const bool quarter = r.turn == kTurnClockwise || r.turn == kTurnCounterClockwise;
        ratioText = quarter ? state_.heightText + QStringLiteral("×") + state_.widthText
                            : state_.widthText + QStringLiteral("×") + state_.heightText;
    }
    auto* w = new CropWindow(QFileInfo(state_.current).fileName(), state_.currentSource, state_.cropOf(state_.currentSource),
                             ratio, ratioText, window_);
    cropWindow_ = w;
    connect(w, &QObject::destroyed, this, [this, w] {
        if (cropWindow_ == w) cropWindow_ = nullptr;
    });
    connect(w, &CropWindow::cropChosen, this, [this](const std::string& source, const IntRect& rect) {
        state_.setCrop(source, rect);
        state_.tip(rect.w > 0 ? U("【提示】已设置裁剪区域 %1×%2,处理时先裁剪再缩放。").arg(rect.w).arg(rect.h)
                              : U("【提示】已清除这张图片的裁剪。"));
    });
    state_.tip(U("【提示】拖动裁剪框的边或角调整大小,拖动框内移动位置,在框外拖动重新画框。"));
    w->show();
    w->raise();
}

void ViewCommands::mTOption_Click(bool pdfPage) {
    if (!pdfPage) state_.tip(U("【提示】请根据需要设置相关参数。"));
    MemorySettingsStore scratch;
    SettingsStore& store = ctx_.settings ? *ctx_.settings : static_cast<SettingsStore&>(scratch);
    OptionsDialog dlg(state_.settings, store, pdfPage ? OptionsDialog::Page::Pdf : OptionsDialog::Page::General, window_);
    if (dlg.exec() == QDialog::Accepted) emit optionsChanged();  // crop or fit may have changed
}

void ViewCommands::mCopySrc2_Click() {
    const QString path = CaptureScreenToFile(window_, ctx_.workDir + QStringLiteral("/user"));
    if (!path.isEmpty()) emit captured(path);
}

void ViewCommands::about() {
    state_.tip(U(kTipWelcome));
    if (!ctx_.prompts) return;
    ctx_.prompts->about(window_, U("关于Tavu照片压缩"),
                        U("<h3>Tavu照片压缩 ") + QString::fromLatin1(kVersion) + U("</h3><p>批量压缩照片:限制宽度、原始尺寸、预设尺寸或自定义尺寸,"
                          "裁剪填满或完整放入,输出 JPG、PNG、TIFF、BMP。原图永远不会被改动。</p>") +
                            QStringLiteral("<p>libvips %1 · Qt %2</p>")
                                .arg(QString::fromStdString(ImageIOVersion()), QString::fromLatin1(qVersion())));
}

}  // namespace tavu
