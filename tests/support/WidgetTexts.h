#pragma once

#include <QAction>
#include <QFile>
#include <QTableWidget>
#include <QtTest>

// What the widget tests read back and trigger: cell and column texts, an
// action by the text the user sees, a file's bytes.

inline QString cell(const QTableWidget* t, int r, int c)
{
    const QTableWidgetItem* item = t->item(r, c);
    return item ? item->text() : QString();
}

// "<none>" where a row has no cell (the rows under a merged one).
inline QStringList columnTexts(const QTableWidget& t, int column)
{
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r)
        out << (t.item(r, column) ? t.item(r, column)->text() : QStringLiteral("<none>"));
    return out;
}

inline void trigger(QWidget* w, const QString& text)
{
    for (QAction* a : w->actions())
        if (a->text() == text) {
            a->trigger();
            return;
        }
    QFAIL(qPrintable("no action " + text));
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
