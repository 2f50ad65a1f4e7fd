// What the window tests share: a program folder with presets and borders, a settings store in
// memory, prompts the test answers, and lookups of the window's controls by their names.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <deque>
#include <functional>
#include <memory>

#include "app/mainwindow.h"
#include "app/prompts.h"
#include "imageio/testimages.h"
#include "platform/settings.h"

namespace tavu::test {

// Answers every dialog the window asks, and remembers what was asked.
class FakePrompts final : public Prompts {
public:
    std::vector<QString> errors, questions;
    std::deque<bool> answers;  // for ask(); No when empty
    QString folder;
    bool subfolders = false;
    QStringList files;
    std::optional<QString> inputAnswer;
    void error(QWidget*, const QString& text, const QString&) override { errors.push_back(text); }
    std::vector<QString> informs;
    void inform(QWidget*, const QString& text, const QString&) override { informs.push_back(text); }
    bool ask(QWidget*, const QString& text) override;
    std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return inputAnswer; }
    QString chooseFolder(QWidget*, const QString&, const QString&, bool* sub) override {
        if (sub) *sub = subfolders;
        return folder;
    }
    QStringList chooseFiles(QWidget*, const QString&, const QString&, const QString&) override { return files; }
    QString fileAnswer;         // chooseFile()'s answer; empty = cancelled
    QStringList filePrompts;    // what chooseFile() was asked
    QString chooseFile(QWidget*, const QString& prompt, const QString&, const QString&) override {
        filePrompts << prompt;
        return fileAnswer;
    }
    QString watermarkFile;  // the watermark chooser's answer; empty = cancelled
    QString chooseWatermark(QWidget*, const QString&, const QString&, int*) override { return watermarkFile; }
};

struct Fixture {
    TempDir program, work;
    MemorySettingsStore store;
    FakePrompts prompts;
    std::vector<QString> opened;
    int quits = 0;

    Fixture();
    AppContext context();
    std::unique_ptr<MainWindow> open();
};

// Runs the event loop until `done` holds or a generous limit passes.
bool WaitFor(const std::function<bool()>& done, int ms = 20000);
QStringList Items(QComboBox* c);

// A control or menu entry by its name.
template <class T>
T* Find(const QObject* root, const char* name) {
    T* o = root->findChild<T*>(QString::fromLatin1(name));
    if (!o) ADD_FAILURE() << "no control named " << name;
    return o;
}

// The controls the tests drive, looked up by name.
struct Ui {
    explicit Ui(const QWidget* w);
    QComboBox *cmbSize, *cmbBK, *cmbEncode, *cmbPos;
    QLineEdit *txtW, *txtH, *txtSize, *txtAlpha, *txtXp, *txtYp, *txtPicTxt;
    QLineEdit* txtRGB[3];
    QCheckBox *chkInfoTxt, *chkInfoImg;
    QLabel *lFile, *lOut, *lInfo, *lTxt, *lSY, *imgM;
    QPushButton *cmdDone, *cmdStop, *cmdDel;
    QListWidget* lstFile;
    QWidget *picImg, *Frame3, *Frame4;
    QAction *mUndoDel, *mUndoDelFile, *mClear, *mKTTool;
    QAction* mSkin[5];
};

}  // namespace tavu::test
