#pragma once
// Tables of two runs differ in their times only: the lines of a CSV table without its last column.
#include <QFile>
#include <QStringList>

inline QStringList withoutTimes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    for (QString& line : lines)
        line.truncate(line.lastIndexOf(','));
    return lines;
}
