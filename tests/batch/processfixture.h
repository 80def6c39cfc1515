#pragma once
// Runs the built vorne-batch in the fixture's folder and reads what it leaves behind.
#include <QDirIterator>
#include <QProcess>

#include <map>
#include <nlohmann/json.hpp>

#include "batchfixture.h"

namespace {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

// Relative file name -> content of every file below a folder.
std::map<QString, QByteArray> contents(const QString& folder)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files[QDir(folder).relativeFilePath(file.fileName())] = file.readAll();
    }
    return files;
}

// The records, without the header line each run writes first.
QList<nlohmann::json> journalLines(const QString& path)
{
    QList<nlohmann::json> lines;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        while (!file.atEnd()) {
            const nlohmann::json line = nlohmann::json::parse(file.readLine().toStdString());
            if (line.contains("index"))
                lines << line;
        }
    return lines;
}

} // namespace

class Process : public BatchFixture
{
protected:
    Outcome run(const QStringList& arguments)
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(VORNE_BATCH_PROGRAM), arguments);
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
    QString lastLine(const Outcome& outcome) { return outcome.out.trimmed().split('\n').last(); }
};

