#include "app/comparewindow.h"

#include <sys/stat.h>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <filesystem>

#include "app/compareview.h"
#include "app/previewer.h"
#include "app/widgets.h"
#include "batch/saveestimate.h"
#include "batch/savings.h"
#include "imageio/render.h"
#include "imageio/tempfiles.h"

namespace tavu {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// A picture at its own size, as the program reads it.
QImage Decode(const std::string& path) {
    RenderSettings own;
    own.sizeMode = kSizeOriginal;
    own.widthText = own.heightText = "0";
    Canvas canvas;
    RenderPicture(canvas, path, own);
    return CanvasToImage(canvas);
}

uint64_t FileBytes(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}
}  // namespace

Comparison MakeComparison(const CompareJob& job) {
    Comparison c;
    Canvas canvas;
    const DrawOutcome drawn = RenderPicture(canvas, job.source, job.render);
    if (!drawn.ok() || canvas.empty()) {
        c.error = QStringLiteral("无法读取原图:") + Q(drawn.errorText);
        return c;
    }
    c.before = CanvasToImage(canvas);
    int sw = 0, sh = 0;
    ReadPictureSize(job.source, sw, sh);
    const uint64_t sourceBytes = FileBytes(job.source);
    if (job.save) {
        std::vector<uint8_t> bytes;
        const SaveEstimate e = EstimateSave(canvas, job.source, job.render, *job.save, &bytes);
        if (!e.ok || bytes.empty()) {
            c.error = QStringLiteral("无法保存:") + Q(e.error);
            return c;
        }
        // The encoded bytes are decoded the way any file is: what the result file would show.
        std::error_code ec;
        std::string temp;
        WriteError err;
        const std::string folder = std::filesystem::temp_directory_path(ec).string();
        if (MakeTempBeside((ec ? std::string("/tmp") : folder) + "/compare." + e.extension, temp, err) &&
            WriteBytesTo(temp, bytes.data(), bytes.size(), err))
            c.after = Decode(temp);
        if (!temp.empty()) DropTemp(temp);
        c.resultBytes = e.bytes;
    } else {
        c.after = Decode(job.result);
        c.resultBytes = FileBytes(job.result);
    }
    if (c.after.isNull()) {
        c.error = QStringLiteral("无法读取压缩后的图片");
        return c;
    }
    QString title = QStringLiteral("对比 - 原图 %1×%2 · %3 | 压缩后 %4×%5 · %6")
                        .arg(sw)
                        .arg(sh)
                        .arg(Q(ByteSizeText(sourceBytes)))
                        .arg(c.after.width())
                        .arg(c.after.height())
                        .arg(Q(ByteSizeText(c.resultBytes)));
    const std::string saving = SavingText(sourceBytes, c.resultBytes);
    if (!saving.empty()) title += QStringLiteral(" (%1)").arg(Q(saving));
    c.title = title;
    return c;
}

CompareWindow::CompareWindow(CompareJob job, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCompare"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("对比 - 正在准备……"));
    auto* column = new QVBoxLayout(this);
    view_ = new CompareView(this);
    column->addWidget(view_, 1);
    auto* row = new QHBoxLayout;
    auto* before = new QLabel(QStringLiteral("原图"), this);
    sldSplit = new QSlider(Qt::Horizontal, this);
    sldSplit->setObjectName(QStringLiteral("sldSplit"));
    sldSplit->setRange(0, 1000);
    sldSplit->setValue(500);
    sldSplit->setToolTip(QStringLiteral("左边是原图,右边是压缩后的图片;拖动分隔线对比"));
    auto* after = new QLabel(QStringLiteral("压缩后"), this);
    QPushButton* cmdFit = MakeButton(this, "cmdFit", "适合窗口", "整张图片适合窗口大小");
    QPushButton* cmd100 = MakeButton(this, "cmd100", "100%", "按实际像素显示压缩后的图片,拖动可移动");
    QPushButton* cmdClose = MakeButton(this, "cmdClose", "关闭", "关闭对比窗口(Esc)");
    row->addWidget(before);
    row->addWidget(sldSplit, 1);
    row->addWidget(after);
    row->addSpacing(12);
    row->addWidget(cmdFit);
    row->addWidget(cmd100);
    row->addWidget(cmdClose);
    column->addLayout(row);

    connect(sldSplit, &QSlider::valueChanged, view_, [this](int v) { view_->setSplit(v / 1000.0); });
    connect(view_, &CompareView::splitMoved, sldSplit, [this](double s) {
        const QSignalBlocker quiet(sldSplit);
        sldSplit->setValue(int(std::lround(s * 1000)));
    });
    connect(cmdFit, &QPushButton::clicked, view_, &CompareView::fitToWindow);
    connect(cmd100, &QPushButton::clicked, view_, &CompareView::actualSize);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) resize(screen->availableGeometry().size() * 0.85);
    // The work is done off the window's thread; a window closed before it ends drops the answer.
    worker_ = std::thread([this, job = std::move(job)] {
        Comparison c = MakeComparison(job);
        QMetaObject::invokeMethod(this, [this, c] { present(c); }, Qt::QueuedConnection);
    });
}

CompareWindow::~CompareWindow() {
    if (worker_.joinable()) worker_.join();
}

void CompareWindow::present(const Comparison& c) {
    ready_ = true;
    if (!c.error.isEmpty()) {
        setWindowTitle(QStringLiteral("对比 - ") + c.error);
        view_->setMessage(c.error);
    } else {
        setWindowTitle(c.title);
        view_->setImages(c.before, c.after);
    }
    emit ready();
}

}  // namespace tavu
