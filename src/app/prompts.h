// Every message box, question, input box and chooser of the window goes through this seam, so that
// tests can answer them.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace tavu {

// The program title that message boxes without a title of their own show.
inline const char* const kProgramTitle = "Tavu照片压缩";

class Prompts {
public:
    virtual ~Prompts() = default;
    // A refusal with the error icon.
    virtual void error(QWidget* parent, const QString& text, const QString& title = QString()) = 0;
    // A plain message with an OK button (nothing went wrong; something worth knowing).
    virtual void inform(QWidget* parent, const QString& text, const QString& title = QString()) {
        (void)parent, (void)text, (void)title;
    }
    // A question with Yes and No; true for Yes.
    virtual bool ask(QWidget* parent, const QString& text) = 0;
    // The about box.
    virtual void about(QWidget* parent, const QString& title, const QString& text) { (void)parent, (void)title, (void)text; }
    // A one-line input box; nothing when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                         const QString& initial) = 0;
    // A folder; empty when cancelled. With `includeSubfolders` the chooser also asks whether the
    // pictures of subfolders count, and writes the answer there.
    virtual QString chooseFolder(QWidget* parent, const QString& prompt, const QString& start,
                                 bool* includeSubfolders = nullptr) = 0;
    // Picture files; empty when cancelled.
    virtual QStringList chooseFiles(QWidget* parent, const QString& prompt, const QString& start,
                                    const QString& filter) = 0;
    // One file; empty when cancelled.
    virtual QString chooseFile(QWidget* parent, const QString& prompt, const QString& start,
                               const QString& filter) = 0;
    // The watermark picture with its transparency (0-100, in and out); empty when cancelled.
    virtual QString chooseWatermark(QWidget* parent, const QString& prompt, const QString& start, int* alpha) {
        (void)alpha;
        return chooseFile(parent, prompt, start, QStringLiteral("*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff"));
    }
};

class SettingsStore;

// The real dialogs: message boxes, and the program's own chooser window for folders and pictures
// (it writes the chosen folder to the settings store on every OK).
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(SettingsStore* store = nullptr) : store_(store) {}
    void error(QWidget* parent, const QString& text, const QString& title) override;
    void inform(QWidget* parent, const QString& text, const QString& title) override;
    bool ask(QWidget* parent, const QString& text) override;
    void about(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& initial) override;
    QString chooseFolder(QWidget* parent, const QString& prompt, const QString& start,
                         bool* includeSubfolders = nullptr) override;
    QStringList chooseFiles(QWidget* parent, const QString& prompt, const QString& start,
                            const QString& filter) override;
    QString chooseFile(QWidget* parent, const QString& prompt, const QString& start,
                       const QString& filter) override;
    QString chooseWatermark(QWidget* parent, const QString& prompt, const QString& start, int* alpha) override;

private:
    SettingsStore* store_;
};

}  // namespace tavu
