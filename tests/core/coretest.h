#pragma once
// Set-up shared by the tests that read the example files or write their own inputs.
#include <QFile>
#include <QtTest>

inline QString source(const QString& path) { return qEnvironmentVariable("VORNE_SOURCE_DIR") + "/" + path; }
inline QString graph(const QString& name) { return source("examples/graphs/" + name); }

inline void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
