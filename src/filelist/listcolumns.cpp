#include "filelist/listcolumns.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>

#include "batch/savings.h"
#include "filelist/pathtext.h"

namespace tavu {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// The colour the style writes a selected row's text in: style sheets may give selected rows their
// own text colour (a different one when the window is not active), which the palette does not show.
QColor SelectedTextColour(const QStyleOptionViewItem& row, QStyle* style, const QWidget* widget) {
    QStyleOptionViewItem probe = row;
    probe.rect = QRect(0, 0, 40, 24);
    probe.text = QStringLiteral("█");
    probe.icon = QIcon();
    probe.features |= QStyleOptionViewItem::HasDisplay;
    probe.displayAlignment = Qt::AlignCenter;
    probe.textElideMode = Qt::ElideNone;
    probe.font.setPixelSize(22);
    QImage image(probe.rect.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    style->drawControl(QStyle::CE_ItemViewItem, &probe, &p, widget);
    p.end();
    return image.pixelColor(20, 12);
}

QColor ToneColour(int tone, const QPalette& palette) {
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    if (tone < 0) return dark ? QColor(110, 220, 110) : QColor(0, 128, 0);
    return dark ? QColor(255, 120, 110) : QColor(200, 0, 0);
}
}  // namespace

QStringList ListColumnCaptions() {
    return {QStringLiteral("文件名"), QStringLiteral("尺寸"), QStringLiteral("大小"), QStringLiteral("结果"),
            QStringLiteral("节省")};
}

Cell ColumnCell(int column, const QString& path, const PictureFacts* facts, const PictureResult* result) {
    switch (column) {
    case kColName: {
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        return {ReadablePath(slash >= 0 ? path.mid(slash + 1) : path)};
    }
    case kColPixels:
        if (!facts) return {QStringLiteral("…")};
        if (!facts->readable) return {QStringLiteral("无法读取")};
        return {QStringLiteral("%1×%2").arg(facts->width).arg(facts->height)};
    case kColBytes:
        return {facts ? Q(ByteSizeText(facts->bytes)) : QStringLiteral("…")};
    case kColResult:
        if (!result) return {};
        if (result->written) return {Q(ByteSizeText(result->bytesOut))};
        return {result->skipped ? QStringLiteral("跳过") : QStringLiteral("失败"), result->skipped ? 0 : 1};
    case kColSaving: {
        if (!result || !result->written) return {};
        const int tone = result->bytesOut < result->bytesIn ? -1 : result->bytesOut > result->bytesIn ? 1 : 0;
        return {Q(SavingText(result->bytesIn, result->bytesOut)), tone};
    }
    default:
        return {};
    }
}

QString RowToolTip(const QString& path, const PictureResult* r) {
    QString tip = ReadablePath(path);
    if (!r) return tip;
    if (r->written) {
        tip += QStringLiteral("\n结果: %1\n%2×%3 · %4 → %5")
                   .arg(PathText(r->output))
                   .arg(r->width)
                   .arg(r->height)
                   .arg(Q(ByteSizeText(r->bytesIn)), Q(ByteSizeText(r->bytesOut)));
        const std::string saving = SavingText(r->bytesIn, r->bytesOut, 1);
        if (!saving.empty()) tip += QStringLiteral(" (%1)").arg(Q(saving));
        if (r->quality > 0) tip += QStringLiteral(" · 质量%1").arg(r->quality);
        if (r->bytesOut > r->bytesIn) tip += QStringLiteral("\n结果比原图大");
    } else if (r->skipped) {
        tip += QStringLiteral("\n已跳过: 输出文件夹中已有同名文件");
    } else {
        tip += QStringLiteral("\n失败: ") + PathText(FailureReason(*r));
    }
    if (!r->notice.empty() && (r->written || r->skipped)) tip += QLatin1Char('\n') + PathText(r->notice);
    return tip;
}

ListColumnsDelegate::ListColumnsDelegate(QHeaderView* header, std::function<Row(int)> row, QObject* parent)
    : QStyledItemDelegate(parent), header_(header), row_(std::move(row)) {}

QColor ListColumnsDelegate::selectedTextColour(const QStyleOptionViewItem& row, QStyle* style, const QWidget* widget) const {
    // Asked of the style once per look: it changes only with the window's focus and the skin.
    const bool active = row.state & QStyle::State_Active;
    const QString sheet = qApp->styleSheet();
    Probe& probe = probes_[active ? 1 : 0];
    if (!probe.valid || probe.sheet != sheet || probe.style != style) {
        probe = {true, sheet, style, SelectedTextColour(row, style, widget)};
    }
    return probe.colour;
}

void ListColumnsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString path = opt.text;
    const QIcon icon = opt.icon;
    opt.text.clear();
    opt.icon = QIcon();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);  // background, selection, focus

    const Row row = row_(index.row());
    const bool selected = opt.state & QStyle::State_Selected;
    const QColor plain = selected ? selectedTextColour(opt, style, widget) : opt.palette.color(QPalette::Text);
    painter->save();
    for (int c = 0; c < kListColumns; ++c) {
        if (header_->isSectionHidden(c)) continue;
        QRect cell(header_->sectionViewportPosition(c), opt.rect.top(), header_->sectionSize(c), opt.rect.height());
        cell.adjust(4, 0, -4, 0);
        if (c == kColName && !icon.isNull()) {
            const int side = std::min(cell.height(), 16);
            icon.paint(painter, QRect(cell.left(), cell.top() + (cell.height() - side) / 2, side, side));
            cell.setLeft(cell.left() + side + 3);
        }
        const Cell text = ColumnCell(c, path, row.facts, row.result);
        if (text.text.isEmpty() || cell.width() <= 0) continue;
        painter->setPen(text.tone != 0 && !selected ? ToneColour(text.tone, opt.palette) : plain);
        const Qt::Alignment align = (c == kColName ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
        painter->drawText(cell, int(align), opt.fontMetrics.elidedText(text.text, Qt::ElideMiddle, cell.width()));
    }
    painter->restore();
}

}  // namespace tavu
