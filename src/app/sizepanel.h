// The size group "2.指定尺寸": the size list (width limit, own size, presets, custom) and the
// width and height boxes.
#pragma once

#include <QGroupBox>

#include "batch/sizepresets.h"

class QComboBox;
class QLineEdit;

namespace tavu {

class WindowState;

class SizePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SizePanel(WindowState& state, QWidget* parent = nullptr);

    // Fills the list: the two fixed entries, the presets of `presetsFile`, the custom entry.
    void loadPresets(const QString& presetsFile);
    // Selects the stored entry (the first one when it does not exist).
    void restore(int index);
    void cmbSize_Click();
    void focusWidth();
    int currentIndex() const;

signals:
    // The user chose a preset (not start-up restoring the stored one).
    void presetChosen(const SizePreset& preset);

private:
    WindowState& state_;
    QComboBox* cmbSize;
    QLineEdit *txtW, *txtH;
};

}  // namespace tavu
