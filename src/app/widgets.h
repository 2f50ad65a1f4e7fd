// Small constructors for the window's controls: each gets its program name as object name.
#pragma once

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QString>

namespace tavu {

inline QString U(const char* s) { return QString::fromUtf8(s); }

// A tooltip that shows `text` as typed: Qt takes a tooltip with anything like a tag for markup.
inline QString PlainTip(const QString& text) {
    if (text.isEmpty()) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

inline QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* tip = nullptr) {
    auto* b = new QPushButton(U(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    if (tip) b->setToolTip(U(tip));
    return b;
}

inline QLineEdit* MakeBox(QWidget* parent, const char* name, const char* text, const char* tip = nullptr, int width = 0) {
    auto* e = new QLineEdit(U(text), parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAcceptDrops(false);  // files dropped on a box go to the list, not into the box as text
    if (tip) e->setToolTip(U(tip));
    if (width) e->setMaximumWidth(width);
    return e;
}

inline QAction* MakeAction(QMenu* menu, const char* name, const char* caption, const char* shortcut = nullptr) {
    QAction* a = menu->addAction(U(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    return a;
}

}  // namespace tavu
