#include <functional>

#include "app/ccatchingapplication.h"
#include "app/commandline.h"
#include "app/startup.h"
#include "kora/exception.h"
#include "streamcapture.h"
#include "vornetest.h"

using VORNE::CommandLine;

namespace {

QString program()
{
    return qEnvironmentVariable("KORADIR") + "/bin/vorne";
}

// What start-up showed while a polling timer answered its boxes and closed its window.
struct Session
{
    QStringList boxes;     // "title|text" of each message box, accepted
    QString graphField;    // the main window's graph field when it was closed
    bool sawWindow = false;
};

// Runs start-up in this process; every message box is accepted and the main window is closed once it is
// enabled, which ends the event loop.
int runStartUp(const QStringList& arguments, Session& session)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&session] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            const QString reason = box->informativeText();
            session.boxes << box->windowTitle() + "|" + box->text() + (reason.isEmpty() ? "" : "|" + reason);
            box->accept();
            return;
        }
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* vorne = qobject_cast<PVorne*>(top);
            if (vorne && vorne->isVisible() && vorne->isEnabled()) {
                session.sawWindow = true;
                session.graphField = vorne->findChild<QLineEdit*>("graphname_lineEdit")->text();
                vorne->close();
            }
        }
    });
    poll.start(20);
    return VORNE::startUp(arguments);
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void informationOutput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // "usage" or "version"

        QTest::newRow("-h") << QStringList{"-h"} << "usage";
        QTest::newRow("-v") << QStringList{"-v"} << "version";
        QTest::newRow("help wins over version") << QStringList{"--version", "--help"} << "usage";
    }

    // The real executable, without a display: these options must not need one.
    void informationOutput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        process.setProcessEnvironment(environment);
        process.start(program(), arguments);
        QVERIFY(process.waitForFinished(30000));
        QVERIFY(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        if (expected == "usage") {
            QCOMPARE(out, program() + " [options] [file1] [file2] ...\nAvailable options:\n"
                                      "  --version | -v    ... print version information\n"
                                      "  --help    | -h    ... this help\n\n");
        } else {
            const QStringList lines = out.split('\n');
            QCOMPARE(lines.mid(0, 2) + lines.mid(4), (QStringList{"VORNE", "VORNE version unknown",
                                                     "Qt build: " QT_VERSION_STR, QString("Qt runtime: ") + qVersion(), ""}));
            QVERIFY2(QRegularExpression("^Build date: [A-Z][a-z]{2} \\d{1,2} \\d{4} \\d\\d:\\d\\d:\\d\\d$")
                         .match(lines[2]).hasMatch(), qPrintable(lines[2]));
            QVERIFY(lines[3].startsWith("Runtime ") && lines[3].size() > 8);
        }
    }

    // Start-up reports unknown options and goes on as far as the KORADIR check, which ends it quietly.
    void missingKoradirEndsWithStatusZero()
    {
        const QByteArray koradir = qgetenv("KORADIR");
        qunsetenv("KORADIR");
        Session session;
        StderrCapture capture;
        const int status = runStartUp({"vorne", "--bogus", "--other"}, session);
        const QByteArray err = capture.text();
        qputenv("KORADIR", koradir);
        QCOMPARE(status, 0);
        QCOMPARE(session.boxes, QStringList{"VORNE|KORADIR variable is not set."});
        QVERIFY(!session.sawWindow);
        QVERIFY2(err.contains("vorne unknown option detected: --bogus, --other\n"), err.constData());
    }

    // The first file is loaded; one that does not load leaves an empty window behind its box.
    void firstFileIsLoaded_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("graphField");
        QTest::addColumn<QStringList>("boxes");

        QTest::newRow("no file") << QStringList{} << QString() << QStringList();
        QTest::newRow("two graphs, first wins") << QStringList{graph("smooth.xml"), graph("two_inputs.ogr")}
                                                << graph("smooth.xml") << QStringList();
        QTest::newRow("unloadable") << QStringList{"-x", graph("smooth.xml")} << QString()
                                    << QStringList{"Could not load graph - VORNE|Could not load the graph '-x'|"
                                                   "-x: cannot open graph file: No such file or directory"};
    }

    void firstFileIsLoaded()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, graphField);
        QFETCH(QStringList, boxes);
        Session session;
        QCOMPARE(runStartUp(QStringList{"vorne"} + files, session), 0);
        QVERIFY(session.sawWindow);
        QCOMPARE(session.boxes, boxes);
        QCOMPARE(session.graphField, graphField);
    }

    // A library error, a standard exception and anything else.
    void exceptionInASlotIsShownAndTheLoopGoesOn()
    {
        QVERIFY(dynamic_cast<CCatchingApplication*>(QCoreApplication::instance()));
        const QStringList logged{"KORA::CException: Node: broken", "std::exception: broken", "unknown exception."};
        const QStringList shown{"Node: broken", "broken", "unknown exception"};
        for (int kind = 0; kind < 3; ++kind) {
            QStringList boxes;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&boxes] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    boxes << box->windowTitle() + "|" + box->text();
                    box->accept();
                }
            });
            poll.start(20);
            QEventLoop loop;
            bool after = false;
            QTimer::singleShot(0, [kind] {
                if (kind == 0)
                    throw KORA::CException("broken", "Node");
                if (kind == 1)
                    throw std::runtime_error("broken");
                throw 42;
            });
            QTimer::singleShot(100, [&] {
                after = true;
                loop.quit();
            });
            StderrCapture capture;
            loop.exec();
            const QByteArray err = capture.text();
            QVERIFY(after);
            QCOMPARE(boxes, QStringList{"Error in QT signal handler|" + shown[kind]});
            QCOMPARE(QString::fromUtf8(err), "exception in QT signal handler thrown: " + logged[kind] + "\n");
        }
    }
};

// The application object of the real program, so that start-up and escaping exceptions meet it here.
int main(int argc, char** argv)
{
    CCatchingApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_startup.moc"
