#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include "executor/outputcheck.h"
#include "kora/imageio.h"

using namespace VORNE;

namespace {

// Inputs as "path" (an image file at batch row i) per index, one input port.
QList<NamingInput> imageAt(const QStringList& files, int index)
{
    return {{QFileInfo(files.at(index)).completeBaseName(), index}};
}

pid_t deadProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

QString hostName()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

} // namespace

class OutputCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void collisions_data();
    void collisions();
    void leftovers();
};

void OutputCheckTest::collisions_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("suffixes"); // one per output port
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("suggestion");

    const QStringList pxm{".pxm"};
    QTest::newRow("same name in two folders") << QStringList{"A/img.png", "B/img.png"} << "%i0_%o" << pxm << 1
                                              << "%i0_%n_%o";
    QTest::newRow("one name, three extensions")
        << QStringList{"good.png", "good.tif", "good.jpg", "other.png"} << "%i0_%o" << pxm << 2 << "%i0_%n_%o";
    QTest::newRow("no input in the pattern") << QStringList{"a.png", "b.png", "c.png"} << "result_%o" << pxm << 2
                                             << "result_%n_%o";
    QTest::newRow("batch index in the pattern")
        << QStringList{"A/img.png", "B/img.png"} << "%i0_%n_%o" << pxm << 0 << "%i0_%n_%o";
    QTest::newRow("ports without %o") << QStringList{"a.png"} << "%i0_%n" << QStringList{".png", ".png"} << 1
                                      << "%i0_%n_%o";
    QTest::newRow("a suffix that may become the other's")
        << QStringList{"a.png"} << "%i0" << QStringList{".png", ".tif"} << 1 << "%i0_%n";
    QTest::newRow("suffixes that never end alike")
        << QStringList{"a.png"} << "%i0" << QStringList{".tif", ".iass"} << 0 << "%i0_%n";
}

void OutputCheckTest::collisions()
{
    QFETCH(QStringList, files);
    QFETCH(QString, pattern);
    QFETCH(QStringList, suffixes);
    QList<OutputPattern> patterns;
    for (const QString& suffix : suffixes)
        patterns.append({QStringLiteral("out"), pattern, suffix});
    QList<int> indices;
    for (int i = 0; i < files.size(); ++i)
        indices << i;
    const QList<OutputCollision> found = findOutputCollisions(patterns, suffixes.size(), indices,
                                                              [&](int index) { return imageAt(files, index); });
    QTEST(int(found.size()), "count");
    QTEST(suggestedPattern(pattern), "suggestion");
}

void OutputCheckTest::leftovers()
{
    QTemporaryDir dir;
    const QString host = hostName();
    const QString dead = QString::number(deadProcess());
    const QString alive = QString::number(::getpid());
    const QString prefix = QString::fromLatin1(KORA::CImageIo2::kPartialPrefix);
    const QList<QPair<QString, bool>> files = {
        {prefix + host + "~" + dead + "~0~img_3_0.pgm", true},
        {prefix + host + "~" + dead + "~1~img_2_1.iass.gz", true},
        {prefix + host + "~" + dead + "~2~notes.txt", false},           // another pattern's
        {prefix + host + "~" + alive + "~3~img_1_0.pgm", false},        // still being written
        {prefix + "elsewhere~" + dead + "~4~img_1_0.pgm", false},       // another machine's
        {QStringLiteral("img_1_0.pgm"), false},
    };
    for (const auto& file : files) {
        QFile f(dir.filePath(file.first));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(removeLeftovers({{dir.path(), QStringLiteral("%i0_%o"), QStringLiteral(".pxm")}}), 2);
    for (const auto& file : files)
        QCOMPARE(QFile::exists(dir.filePath(file.first)), !file.second);
}

QTEST_GUILESS_MAIN(OutputCheckTest)
#include "test_outputcheck.moc"
