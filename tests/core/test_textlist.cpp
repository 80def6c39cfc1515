#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "coretest.h"
#include "items/textlist.h"

class TextListTest : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void missingFileIsRefused();
};

void TextListTest::entries_data()
{
    QTest::addColumn<QByteArray>("content");
    // Paths relative to the list's folder; "/abs" is kept as an absolute path.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("blank, comment, relative") << QByteArray("\n# a comment\n  img/a.png  \n") << QStringList{"img/a.png"};
    QTest::newRow("absolute kept") << QByteArray("/data/x.png\n") << QStringList{"/abs/data/x.png"};
    QTest::newRow("inner blanks collapse") << QByteArray("my   file.png\r\n") << QStringList{"my file.png"};
    QTest::newRow("comment only after blanks") << QByteArray("   # note\nb.png") << QStringList{"b.png"};
    QTest::newRow("dot segments cleaned") << QByteArray("sub/../c.png\n") << QStringList{"c.png"};
    QTest::newRow("environment reference") << QByteArray("%VORNE_TEXTLIST_DIR%/d.png\n") << QStringList{"/abs/env/d.png"};
    QTest::newRow("unknown reference stays") << QByteArray("%NO_SUCH_VORNE_VAR%/e.png\n")
                                             << QStringList{"%NO_SUCH_VORNE_VAR%/e.png"};
    QTest::newRow("UTF-8 names") << QByteArray("zelle_\xc3\xa4.png\n") << QStringList{QString::fromUtf8("zelle_\xc3\xa4.png")};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TextListTest::entries()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("VORNE_TEXTLIST_DIR", "/env");
    const QString listPath = dir.filePath("list.txt");
    writeFile(listPath, content);

    QStringList paths{"kept"};
    QVERIFY(VORNE::readTextList(listPath, paths));
    QStringList wanted{"kept"};
    for (const QString& entry : expected) {
        if (entry.startsWith("/abs"))
            wanted << entry.mid(4);
        else
            wanted << QDir::cleanPath(QDir(dir.path()).absoluteFilePath(entry));
    }
    QCOMPARE(paths, wanted);
}

void TextListTest::missingFileIsRefused()
{
    QStringList paths{"kept"};
    QVERIFY(!VORNE::readTextList("/no/such/list.txt", paths));
    QCOMPARE(paths, QStringList{"kept"});
}

QTEST_GUILESS_MAIN(TextListTest)
#include "test_textlist.moc"
