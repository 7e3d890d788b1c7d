#include "CalendarLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString locateCalendarFile()
{
    const QString name = QStringLiteral("trade_calendar.csv");
    for (const QString& folder : {QDir::currentPath(), QCoreApplication::applicationDirPath()}) {
        const QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile())
            return file.filePath();
    }
    return QString();
}
