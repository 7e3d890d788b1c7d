#pragma once

#include "Calendar.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

// A trading calendar the tests can count by hand: every weekday from first
// to last but those from closedFrom to closedTo, written into dir as name
// and loaded into calendar.
inline bool loadWeekdays(Calendar& calendar, const QTemporaryDir& dir, const QString& name, QDate first, QDate last,
                         QDate closedFrom = QDate(), QDate closedTo = QDate())
{
    QByteArray text = "iDate\n";
    for (QDate d = first; d <= last; d = d.addDays(1))
        if (d.dayOfWeek() <= 5 && !(closedFrom.isValid() && d >= closedFrom && d <= closedTo))
            text += d.toString("yyyyMMdd\n").toLatin1();
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return false;
    f.close();
    return calendar.load(f.fileName().toStdString());
}
