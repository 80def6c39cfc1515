// VORNE as the suite sees it: a library in $KORADIR/bin reached only through the plug-in runner, never
// linked. Everything about the widget is found by object name, as a host would have to.
#include <QtTest>
#include <QtWidgets>

#include <dlfcn.h>

#include <memory>

#include "kora/exception.h"
#include "kora/node.h"
#include "kora/valuepointer.h"
#include "nodehost.h"

namespace {

QString example(const QString& relative)
{
    return qEnvironmentVariable("VORNE_SOURCE_DIR") + "/examples/" + relative;
}

bool idle(const NodeHost& host)
{
    return !host.find<QPushButton>("run_pushButton")->isHidden();
}

} // namespace

class PluginNodeTest : public QObject
{
    Q_OBJECT

private slots:
    void entries()
    {
        NodeHost vorne("Vorne"), runGraph("RunGraph");
        QVERIFY(vorne.widget() != runGraph.widget());
        // The node part is what a host reaches through the widget's meta-object.
        QCOMPARE(vorne.widget()->qt_metacast("KORA::CPNode"), static_cast<void*>(&vorne.node()));
        QVERIFY_EXCEPTION_THROWN(NodeHost("vorne"), KORA::CException);
    }

    // Every entry of every plug-in library creates a node describing itself under the entry's name
    // (the testing nodes prefix theirs with "testing::"); VORNE is one node under two entries. And no
    // node class in a plug-in's folder is missing from its table.
    void everyEntryNamesItsNode()
    {
        const QString bin = qEnvironmentVariable("KORADIR") + "/bin";
        int libraries = 0;
        for (const QFileInfo& file : QDir(bin).entryInfoList({"lib*.so"}, QDir::Files)) {
            void* handle = ::dlopen(file.filePath().toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
            QVERIFY2(handle, ::dlerror());
            const bool isPlugin = ::dlsym(handle, "ListPlugins") != nullptr;
            ::dlclose(handle);
            if (!isPlugin)
                continue;
            ++libraries;
            const std::string library = file.completeBaseName().mid(3).toStdString();
            const std::string folder = bin.toStdString() + "/" + library;
            std::unique_ptr<KORA::CValueVector> entries(KORA::ListPluginEntries(folder.c_str()));
            QVERIFY(entries->Size() > 0);
            QStringList listed;
            for (std::size_t i = 0; i < entries->Size(); ++i) {
                const std::string entry = dynamic_cast<const KORA::CValueString&>(*entries->At(i)).Value();
                listed << QString::fromStdString(entry);
                std::unique_ptr<KORA::IPluginObject> object(
                    KORA::GetPluginObject("n", (folder + "::" + entry).c_str(), nullptr));
                auto* node = dynamic_cast<KORA::CPNode*>(object.get());
                QVERIFY2(node, entry.c_str());
                KORA::CValueMap setup;
                node->GetPluginSetup(setup);
                const std::string name = setup.EntryString("name", "");
                const bool vorne = library == "vorne" && (entry == "Vorne" || entry == "RunGraph");
                const std::string expected = vorne ? "VORNE" : library == "testing" ? "testing::" + entry : entry;
                QCOMPARE(QString::fromStdString(name), QString::fromStdString(expected));
            }
            const QDir sources(qEnvironmentVariable("VORNE_SOURCE_DIR") + "/suite/plugins/" + QString::fromStdString(library));
            static const QRegularExpression declared(QStringLiteral("kEntryName = \"(\\w+)\""));
            for (const QFileInfo& header : sources.entryInfoList({"*.h"}, QDir::Files)) {
                QFile text(header.filePath());
                QVERIFY(text.open(QIODevice::ReadOnly));
                const QRegularExpressionMatch match = declared.match(QString::fromUtf8(text.readAll()));
                QVERIFY2(!match.hasMatch() || listed.contains(match.captured(1)), qPrintable(header.fileName()));
            }
        }
        QVERIFY(libraries >= 8);
    }

    // A string, a pointer to a non-widget, a null widget pointer.
    void hostWidgetOfWrongType()
    {
        QObject notAWidget;
        for (int kind = 0; kind < 3; ++kind) {
            NodeHost host;
            KORA::CValue* entry = kind == 0   ? static_cast<KORA::CValue*>(new KORA::CValueString("window"))
                                  : kind == 1 ? static_cast<KORA::CValue*>(new KORA::CValuePointer<QObject>(&notAWidget))
                                              : new KORA::CValuePointer<QWidget>(nullptr);
            host.node().Parameters().SetEntry("ParameterUiParentWidget", entry);
            QVERIFY_EXCEPTION_THROWN(host.init(), KORA::CExBadType);
            QVERIFY(host.widget()->parentWidget() == nullptr);
        }
    }

    void embedding()
    {
        NodeHost host;
        host.offerWindow();
        host.init();
        QCOMPARE(host.widget()->parentWidget(), static_cast<QWidget*>(&host.window()));
        QCOMPARE(qobject_cast<QHBoxLayout*>(host.window().layout())->indexOf(host.widget()), 0);

        host.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&host.window()));
        // Stand-alone the close button goes at the first show; inside the host it is the only way out.
        QVERIFY(host.find<QPushButton>("close_pushButton")->isVisible());
        QTest::keyClick(host.widget(), Qt::Key_Escape);
        QVERIFY(!host.widget()->isVisible());
        QVERIFY(host.window().isVisible());

        // A host window arranged already keeps its arrangement; VORNE joins it.
        NodeHost arranged;
        auto* column = new QVBoxLayout(&arranged.window());
        column->addWidget(new QWidget);
        arranged.offerWindow();
        arranged.init();
        QCOMPARE(arranged.window().layout(), static_cast<QLayout*>(column));
        QCOMPARE(column->indexOf(arranged.widget()), 1);
    }

    void currentGraphFromHost()
    {
        NodeHost host;
        host.offerWindow();
        host.offerGraph(example("graphs/two_inputs.ogr"));
        host.init();
        auto* field = host.find<QLineEdit>("graphname_lineEdit");
        auto* inputPages = host.find<QTabWidget>("input_tabWidget");
        QCOMPARE(field->text(), QString("CURRENT GRAPH"));
        QVERIFY(!host.find<QPushButton>("use_current_ogr_graph_pushButton")->isHidden());
        // Prepared, not loaded: the load waits for the host's notification.
        QCOMPARE(inputPages->count(), 0);

        emit host.window().GraphMapChanged();
        QCOMPARE(inputPages->count(), 2);
        host.offerGraph(example("graphs/count_cells.ogr"), true);
        QCOMPARE(inputPages->count(), 1);
        QCOMPARE(field->text(), QString("CURRENT GRAPH"));
    }

    void noGraphFromHost()
    {
        NodeHost host;
        host.offerWindow();
        // Not a map: as good as absent.
        host.node().Parameters().SetEntry("GraphMap", new KORA::CValueString("two_inputs.ogr"));
        host.init();
        auto* field = host.find<QLineEdit>("graphname_lineEdit");
        QCOMPARE(field->text(), QString());
        QVERIFY(host.find<QPushButton>("use_current_ogr_graph_pushButton")->isHidden());
        QVERIFY(QMetaObject::invokeMethod(host.widget(), "useCurrentOstrelGraph"));
        QCOMPARE(host.find<QTabWidget>("input_tabWidget")->count(), 0);
        QCOMPARE(field->text(), QString());

        // A host that stops offering its graph leaves the node with the graph parameter instead.
        host.offerGraph(example("graphs/count_cells.ogr"));
        host.node().NodeInit();
        QCOMPARE(field->text(), QString("CURRENT GRAPH"));
        host.node().Parameters().RemoveEntry("GraphMap");
        host.node().Parameters().SetEntry("Graph", new KORA::CValueString("/graphs/other.ogr"));
        host.node().NodeInit();
        QCOMPARE(field->text(), QString("/graphs/other.ogr"));
    }

    void runFromHost()
    {
        QTemporaryDir results;
        NodeHost host;
        host.offerWindow();
        host.offerGraph(example("graphs/count_cells.ogr"));
        host.init();
        emit host.window().GraphMapChanged();
        const QStringList images{example("data/cells_1.png"), example("data/cells_2.png")};
        for (const QString& image : images)
            QVERIFY(QMetaObject::invokeMethod(host.widget(), "addImageFileInput", Q_ARG(QString, image), Q_ARG(int, 0)));
        auto* patterns = host.find<QWidget>("output_filename_pattern_widget");
        patterns->findChild<QLineEdit*>("directory_lineEdit")->setText(results.path());

        host.node().Run();
        QTRY_VERIFY_WITH_TIMEOUT(idle(host), 120000);
        QListView* masks = host.find<QTabWidget>("output_tabWidget")->widget(0)->findChild<QListView*>();
        QCOMPARE(masks->model()->rowCount(), images.size());
        QCOMPARE(QDir(results.path()).entryList(QDir::Files).size(), images.size());
        QCOMPARE(host.find<QLineEdit>("graphname_lineEdit")->text(), QString("CURRENT GRAPH"));
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    PluginNodeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_pluginnode.moc"
