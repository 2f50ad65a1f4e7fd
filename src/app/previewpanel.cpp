#include "app/previewpanel.h"

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/elidedlabel.h"
#include "app/widgets.h"
#include "app/windowstate.h"

namespace tavu {

PreviewPanel::PreviewPanel(WindowState& state, QWidget* parent) : QWidget(parent), state_(state) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    picImg = new QFrame(this);
    picImg->setObjectName(QStringLiteral("picImg"));
    picImg->setFrameShape(QFrame::StyledPanel);
    picImg->setMinimumSize(420, 340);
    picImg->setMouseTracking(true);
    picImg->installEventFilter(this);
    picImg->setContextMenuPolicy(Qt::CustomContextMenu);
    picImg->setFocusPolicy(Qt::StrongFocus);
    imgM = new QLabel(picImg);
    imgM->setObjectName(QStringLiteral("imgM"));
    imgM->setAlignment(Qt::AlignCenter);
    imgM->setTextFormat(Qt::PlainText);
    imgM->setMouseTracking(true);
    imgM->installEventFilter(this);
    txtPicTxt = MakeBox(picImg, "txtPicTxt", "在这里填写该图片的说明,回车确认,ESC键隐藏本说明");
    txtPicTxt->hide();
    txtPicTxt->installEventFilter(this);

    Picture1 = new QFrame(picImg);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto* ad = new QVBoxLayout(Picture1);
    ad->setContentsMargins(0, 0, 0, 0);
    Web = new QTextBrowser(Picture1);
    Web->setObjectName(QStringLiteral("Web"));
    Web->setOpenExternalLinks(true);
    ad->addWidget(Web);
    Picture1->hide();
    column->addWidget(picImg, 1);

    auto* nav = new QHBoxLayout;
    imgPre = new QToolButton(this);
    imgPre->setObjectName(QStringLiteral("imgPre"));
    imgPre->setToolTip(U("上一个图片"));
    imgPre->setArrowType(Qt::LeftArrow);
    imgFor = new QToolButton(this);
    imgFor->setObjectName(QStringLiteral("imgFor"));
    imgFor->setToolTip(U("下一个图片"));
    imgFor->setArrowType(Qt::RightArrow);
    nav->addStretch(1);
    nav->addWidget(imgPre);
    nav->addWidget(imgFor);
    nav->addStretch(1);
    lblSizeInfo = new QLabel(this);
    lblSizeInfo->setObjectName(QStringLiteral("lblSizeInfo"));
    lblSizeInfo->setTextFormat(Qt::PlainText);
    lblSizeInfo->setToolTip(U("按“文件大小”范围保存这张图片时的质量和文件大小"));
    nav->addWidget(lblSizeInfo);
    column->addLayout(nav);
    lblEstimate = new ElidedLabel(QString(), this);
    lblEstimate->setObjectName(QStringLiteral("lblEstimate"));
    lblEstimate->setAlignment(Qt::AlignCenter);
    lblEstimate->setToolTip(U("按现在的设置保存这张图片时的尺寸和文件大小(双击预览可对比原图和压缩结果)"));
    column->addWidget(lblEstimate);

    connect(imgPre, &QToolButton::clicked, this, &PreviewPanel::previousRequested);
    connect(imgFor, &QToolButton::clicked, this, &PreviewPanel::nextRequested);
    connect(picImg, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { emit contextMenuRequested(picImg->mapToGlobal(p)); });
    connect(&preview_, &Previewer::sizeFound, this, [this](quint64 id, const QString& text) {
        if (id != previewId_) return;
        state_.previewSizeText = text;
        lblSizeInfo->setText(U("保存为: ") + text);
    });
    connect(&preview_, &Previewer::estimated, this, [this](quint64 id, const SaveEstimate& e) {
        if (id != previewId_) return;
        state_.previewEstimate = e;
        lblEstimate->setText(QString::fromStdString(EstimateText(e)));
        if (!e.size.searched) {
            state_.previewSizeText.clear();
            lblSizeInfo->clear();
        }
    });
    connect(&preview_, &Previewer::rendered, this,
            [this](quint64 id, const QImage& image, const QString& error, const QSize& canvas) {
                if (id != previewId_) return;  // an older request
                state_.previewImage = image;
                state_.previewCanvas = canvas;
                if (image.isNull()) {
                    imgM->clear();
                    lblEstimate->clear();
                    state_.previewEstimate = {};
                    if (!error.isEmpty()) imgM->setText(QStringLiteral("无法预览:") + error);
                } else {
                    imgM->setPixmap(QPixmap::fromImage(image));
                    if (!error.isEmpty()) state_.tip(U("【错误提示】") + error.section(QLatin1Char('\n'), 0, 0));
                }
                emit shown();
            });
}

void PreviewPanel::refresh() {
    if (state_.bNoPreview || state_.currentSource.empty()) return;
    const QSize size = picImg->contentsRect().size();
    const BatchOptions save = state_.batchOptions();
    if (!save.sizeTarget.active()) {
        state_.previewSizeText.clear();
        lblSizeInfo->clear();
    }
    previewId_ = preview_.request(state_.currentSource, state_.currentRenderSettings(), std::max(size.width(), 64),
                                  std::max(size.height(), 64), save);
}

void PreviewPanel::clear() {
    imgM->hide();
    imgM->clear();
    lblEstimate->clear();
    state_.previewEstimate = {};
    state_.previewImage = QImage();
}

void PreviewPanel::listChanged(bool any) {
    if (any) {
        showStartPage(false);
        imgM->show();  // adding after the list was emptied shows the preview again
    } else if (state_.settings.bShowToday == 1 && !Web->source().isEmpty()) {
        showStartPage(true);
    }
}

bool PreviewPanel::loadStartPage(const QString& page) {
    if (!QFileInfo::exists(page)) return false;
    Web->setSearchPaths({QFileInfo(page).absolutePath()});
    Web->setSource(QUrl::fromLocalFile(page));
    return true;
}

void PreviewPanel::showStartPage(bool show) {
    Picture1->setVisible(show);
    if (show) {
        place();
        Picture1->raise();
    }
}

void PreviewPanel::showDescriptionBox() {
    txtPicTxt->show();
    txtPicTxt->raise();
    txtPicTxt->setFocus();
}

void PreviewPanel::place() {
    const QRect r = picImg->contentsRect();
    imgM->setGeometry(r);
    Picture1->setGeometry(r);
    txtPicTxt->setGeometry(r.left() + 8, r.bottom() - 34, r.width() - 16, 26);
}

bool PreviewPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == picImg || watched == imgM) && event->type() == QEvent::MouseButtonDblClick && !state_.bMoveMode) {
        emit compareRequested();
        return true;
    }
    if (watched == picImg && event->type() == QEvent::Resize) {
        // The preview is fitted to its box: a new size renders it again.
        place();
        if (state_.bLoaded) QTimer::singleShot(0, this, [this] { refresh(); });
    } else if (watched == picImg && event->type() == QEvent::KeyPress && picImg->hasFocus()) {
        // Keys typed into a tool frame's boxes reach the box here too: only the box's own count.
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            emit fullPreviewRequested();
            return true;
        }
        const int dx = k->key() == Qt::Key_Left ? -1 : k->key() == Qt::Key_Right ? 1 : 0;
        const int dy = k->key() == Qt::Key_Up ? -1 : k->key() == Qt::Key_Down ? 1 : 0;
        if (dx != 0 || dy != 0) {
            emit arrowPressed(dx, dy);
            return true;
        }
    } else if (watched == txtPicTxt && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (state_.currentRow >= 0) state_.sPicTxt[state_.currentRow] = txtPicTxt->text();
            emit descriptionEntered();
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            txtPicTxt->hide();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tavu
