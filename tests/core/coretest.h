#pragma once
// Set-up shared by the tests that read the example and sample files or write their own inputs.
#include <QFile>
#include <QtTest>

inline QString source(const QString& path) { return qEnvironmentVariable("VORNE_SOURCE_DIR") + "/" + path; }
inline QString graph(const QString& name) { return source("examples/graphs/" + name); }

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
