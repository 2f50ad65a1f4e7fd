// The comparison window: the source and the result side by side under a split line, the result
// decoded from its encoded bytes so that compression artefacts show. Opened from the preview (the
// result is encoded then, with the current settings) or from a list entry after a run (the file
// the run wrote). Esc closes it.
#pragma once

#include <QDialog>
#include <QImage>
#include <optional>
#include <string>
#include <thread>

#include "batch/batchrun.h"

class QSlider;

namespace tavu {

class CompareView;

struct CompareJob {
    std::string source;
    RenderSettings render;               // how the source is drawn for the left side
    std::optional<BatchOptions> save;    // encode the render now, as the run would
    std::string result;                  // otherwise: the result file a run wrote
};

struct Comparison {
    QImage before, after;
    QString title;   // "对比 - 原图 4000×3000 · 3.8 MB | 压缩后 800×600 · 142 KB (−96%)"
    QString error;   // nothing to compare, and why
    uint64_t resultBytes = 0;
};

// Does the work of the window: both sides' pixels and the title. Safe off the window's thread.
Comparison MakeComparison(const CompareJob& job);

class CompareWindow : public QDialog {
    Q_OBJECT
public:
    CompareWindow(CompareJob job, QWidget* parent);
    ~CompareWindow() override;
    CompareView* view() const { return view_; }
    bool isReady() const { return ready_; }

signals:
    void ready();

private:
    void present(const Comparison& c);

    CompareView* view_;
    QSlider* sldSplit;
    bool ready_ = false;
    std::thread worker_;
};

}  // namespace tavu
