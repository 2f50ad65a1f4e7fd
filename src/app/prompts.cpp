#include "app/prompts.h"

#include "chooser/chooser.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tavu {

namespace {

// Message boxes with their own Chinese button texts, whether or not Qt's translations are there.
// Texts are shown as typed: a file name never turns into markup.
QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                                 QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是"}, {QMessageBox::No, "否"}};
    for (auto [button, caption] : captions)
        if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(caption));
    return QMessageBox::StandardButton(box.exec());
}

}  // namespace

void QtPrompts::inform(QWidget* parent, const QString& text, const QString& title) {
    Show(parent, QMessageBox::Information, title.isEmpty() ? QString::fromUtf8(kProgramTitle) : title, text, QMessageBox::Ok);
}

void QtPrompts::error(QWidget* parent, const QString& text, const QString& title) {
    Show(parent, QMessageBox::Critical, title.isEmpty() ? QString::fromUtf8(kProgramTitle) : title, text, QMessageBox::Ok);
}

bool QtPrompts::ask(QWidget* parent, const QString& text) {
    return Show(parent, QMessageBox::Question, QString::fromUtf8(kProgramTitle), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtPrompts::about(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);  // our own text, with a heading
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

std::optional<QString> QtPrompts::input(QWidget* parent, const QString& title, const QString& prompt,
                                        const QString& initial) {
    QInputDialog dlg(parent);
    dlg.setWindowTitle(title);
    dlg.setLabelText(prompt);
    dlg.setTextValue(initial);
    dlg.setOkButtonText(QStringLiteral("确定"));
    dlg.setCancelButtonText(QStringLiteral("取消"));
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.textValue();
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
