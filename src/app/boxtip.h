// Number and name boxes: each click shows the box's tip in the status line, and the first click
// also selects the whole text, so that a new value can be typed straight away.
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace tavu {

class WindowState;

class BoxTip : public QObject {
    Q_OBJECT
public:
    // Attaches to `box` (and lives as long as it does).
    static void Attach(QLineEdit* box, const QString& tip, WindowState& state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BoxTip(QLineEdit* box, const QString& tip, WindowState& state);
    QString tip_;
    WindowState& state_;
    bool clicked_ = false;
};

}  // namespace tavu
