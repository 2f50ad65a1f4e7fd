// A minimal main window until the full one arrives: it says what the program does and how to run
// the batch from the command line.
#pragma once

#include <QMainWindow>

namespace tavu {

class PlaceholderWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlaceholderWindow(QWidget* parent = nullptr);
};

}  // namespace tavu
