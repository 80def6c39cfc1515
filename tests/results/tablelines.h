#pragma once
// Tables of two runs differ in their times only: the lines of a CSV table without its "ms" column (plain
// fields only: a quoted comma would split).
#include <QFile>
#include <QStringList>

inline QStringList withoutTimes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    const int ms = lines.isEmpty() ? -1 : lines.first().split(',').indexOf("ms");
    for (QString& line : lines) {
        QStringList fields = line.split(',');
        if (ms >= 0 && ms < fields.size())
            fields.removeAt(ms);
        line = fields.join(',');
    }
    return lines;
}
