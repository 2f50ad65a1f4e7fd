#include "app/prompts.h"

#include "chooser/chooser.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tavu {

void QtPrompts::error(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::critical(parent, title.isEmpty() ? QString::fromUtf8(kProgramTitle) : title, text);
}

bool QtPrompts::ask(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QString::fromUtf8(kProgramTitle), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompts::about(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::about(parent, title, text);
}

std::optional<QString> QtPrompts::input(QWidget* parent, const QString& title, const QString& prompt,
                                        const QString& initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
}

QString QtPrompts::chooseFolder(QWidget* parent, const QString& prompt, const QString& start, bool* includeSubfolders) {
    return ChooseFolderWithChooser(parent, store_, prompt, start, includeSubfolders);
}

QStringList QtPrompts::chooseFiles(QWidget* parent, const QString& prompt, const QString& start, const QString&) {
    return ChoosePicturesWithChooser(parent, store_, prompt, start);
}

QString QtPrompts::chooseFile(QWidget* parent, const QString& prompt, const QString& start,
                              const QString& filter) {
    if (filter.contains(QStringLiteral(".she"))) return ChooseSkinWithChooser(parent, store_, prompt, start);
    return QFileDialog::getOpenFileName(parent, prompt, start, filter);
}

QString QtPrompts::chooseWatermark(QWidget* parent, const QString& prompt, const QString& start, int* alpha) {
    const auto chosen = ChooseWatermarkWithChooser(parent, store_, prompt, start, alpha ? *alpha : 80);
    if (!chosen) return {};
    if (alpha) *alpha = chosen->second;
    return chosen->first;
}

}  // namespace tavu
