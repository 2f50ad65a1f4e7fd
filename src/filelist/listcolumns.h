// The list's columns: file name, pixel size, file size and, once a run has saved it, the result's
// size and the saving. The list stays one item per picture (its text the full path); a delegate
// paints the columns under a header, so every list behaviour stays as it was.
#pragma once

#include <QColor>
#include <QString>
#include <QStyledItemDelegate>
#include <functional>
#include <string>

#include "batch/batchrun.h"
#include "filelist/picturefacts.h"

class QHeaderView;

namespace tavu {

enum ListColumn { kColName, kColPixels, kColBytes, kColResult, kColSaving, kListColumns };

// Column captions, in column order.
QStringList ListColumnCaptions();

struct Cell {
    QString text;
    int tone = 0;  // -1: smaller than its source (green), +1: larger (red)
};
// What a column shows for a picture; `facts` and `result` may be null (not read yet, not run).
Cell ColumnCell(int column, const QString& path, const PictureFacts* facts, const PictureResult* result);
// The row's tooltip: the full path, then what the run made of it.
QString RowToolTip(const QString& path, const PictureResult* result);

class ListColumnsDelegate : public QStyledItemDelegate {
public:
    struct Row {
        const PictureFacts* facts = nullptr;
        const PictureResult* result = nullptr;
    };
    // `row` gives what is known of a row's picture (asking for its header when it is missing).
    ListColumnsDelegate(QHeaderView* header, std::function<Row(int)> row, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QColor selectedTextColour(const QStyleOptionViewItem& row, QStyle* style, const QWidget* widget) const;

    QHeaderView* header_;
    std::function<Row(int)> row_;
    // The selected rows' text colour the style gave, for an inactive and an active window.
    struct Probe {
        bool valid = false;
        QString sheet;
        const QStyle* style = nullptr;
        QColor colour;
    };
    mutable Probe probes_[2];
};

}  // namespace tavu
