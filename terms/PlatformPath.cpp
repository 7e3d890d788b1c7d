#include "PlatformPath.h"

#include <QDir>
#include <QStandardPaths>

QString platformPathIn(const QString& windowsPath, const QString& folder)
{
    QString rest = windowsPath;
    if (rest.size() >= 2 && rest.at(1) == QLatin1Char(':') && rest.at(0).isLetter())
        rest = rest.mid(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QDir::cleanPath(folder);
    return QDir::cleanPath(folder + QLatin1Char('/') + parts.last());
}

QString platformPath(const QString& windowsPath)
{
#ifdef Q_OS_WIN
    return windowsPath;
#else
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return platformPathIn(windowsPath, folder);
#endif
}
