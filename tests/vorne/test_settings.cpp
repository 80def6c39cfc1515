// The settings tab and the per-port output pattern editor: defaults, navigation, edits that survive port
// count changes, "as default", and the directory check.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "mainwindow/filenamepatternwidget.h"
#include "mainwindow/settingswidgetr.h"

using VORNE::FilenamePatternWidget;
using VORNE::OutputPattern;

namespace {

template <class T>
T* child(QObject& w, const char* name)
{
    T* widget = w.findChild<T*>(name);
    if (widget == nullptr)
        qFatal("no widget %s", name);
    return widget;
}

struct Editor
{
    FilenamePatternWidget w;
    QComboBox* ports = child<QComboBox>(w, "port_comboBox");
    QPushButton* prev = child<QPushButton>(w, "prev_port_pushButton");
    QPushButton* next = child<QPushButton>(w, "next_port_pushButton");
    QLineEdit* pattern = child<QLineEdit>(w, "filename_lineEdit");
    QLineEdit* directory = child<QLineEdit>(w, "directory_lineEdit");
    QComboBox* suffix = child<QComboBox>(w, "suffix_comboBox");
    QCheckBox* asDefault = child<QCheckBox>(w, "as_default_checkBox");

    QStringList portTexts() const
    {
        QStringList texts;
        for (int i = 0; i < ports->count(); ++i)
            texts << ports->itemText(i);
        return texts;
    }
    bool navigationEnabled() const { return ports->isEnabled() && prev->isEnabled() && next->isEnabled(); }
};

const OutputPattern kDefault{QDir::tempPath(), "%i0_%o", ".pxm"};

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void settingsTabDefaults();
    void newPortsGetDefaults();
    void portCountChangesKeepEdits();
    void navigationWraps();
    void asDefault();
    void asDefaultClearedWhenPortGoes();
    void unknownSuffixKept();
    void directoryInItalicsWhenMissing();
    void chooseDirectory();
};

void SettingsTest::settingsTabDefaults()
{
    VORNE::SettingsWidgetR settings;
    QCOMPARE(settings.maxThreads(), 0);
    QVERIFY(settings.useOstrelExecutor());
    QVERIFY(!settings.useCPGraphExecutor());
    QCOMPARE(child<QWidget>(settings, "result_settings_groupBox")->property("title").toString(), QString("Result Settings"));
    child<QSpinBox>(settings, "threads_spinBox")->setValue(3);
    QCOMPARE(settings.maxThreads(), 3);

    // No ports: disabled, nothing for the executor.
    auto* patterns = child<FilenamePatternWidget>(settings, "output_filename_pattern_widget");
    QVERIFY(!patterns->isEnabled());
    QVERIFY(settings.outputNames().isEmpty());
    QList<QString> names{"a", "b"};
    settings.setPortsCount(5, 2, nullptr, &names);
    QVERIFY(patterns->isEnabled());
    QCOMPARE(settings.outputNames(), (QList<OutputPattern>{kDefault, kDefault}));
}

void SettingsTest::newPortsGetDefaults()
{
    Editor e;
    QList<QString> names{"mask", "", "count"};
    e.w.setPortsCount(3, &names);
    QCOMPARE(e.portTexts(), (QStringList{"Output 0: mask", "Output 1", "Output 2: count"}));
    QCOMPARE(e.w.outputNames(), (QList<OutputPattern>{kDefault, kDefault, kDefault}));
    QCOMPARE(e.pattern->text(), QString("%i0_%o"));
    QCOMPARE(e.suffix->currentText(), QString(".pxm"));
    QCOMPARE(e.directory->text(), QDir::tempPath());
    QStringList suffixes;
    for (int i = 0; i < e.suffix->count(); ++i)
        suffixes << e.suffix->itemText(i);
    QCOMPARE(suffixes, (QStringList{".pxm", ".png", ".jpg", ".tif", ".iass.gz"}));
    e.w.setPortsCount(-4, nullptr);
    QVERIFY(!e.w.isEnabled());
    QVERIFY(e.w.outputNames().isEmpty());
}

void SettingsTest::portCountChangesKeepEdits()
{
    Editor e;
    e.w.setPortsCount(3, nullptr);
    e.pattern->setText("zero");
    e.next->click();
    e.suffix->setCurrentText(".png");
    e.directory->setText("/one");
    e.next->click();
    e.pattern->setText("two");

    e.w.setPortsCount(2, nullptr);
    QCOMPARE(e.portTexts(), (QStringList{"Output 0", "Output 1"}));
    QCOMPARE(e.pattern->text(), QString("zero")); // back on port 0
    e.w.setPortsCount(3, nullptr);
    const QList<OutputPattern> names = e.w.outputNames();
    QCOMPARE(names.size(), 3);
    QCOMPARE(names[0], (OutputPattern{QDir::tempPath(), "zero", ".pxm"}));
    QCOMPARE(names[1], (OutputPattern{"/one", "%i0_%o", ".png"}));
    QCOMPARE(names[2], kDefault);
}

void SettingsTest::navigationWraps()
{
    Editor e;
    e.w.setPortsCount(3, nullptr);
    for (int port = 0; port < 3; ++port) {
        e.ports->setCurrentIndex(port);
        e.pattern->setText(QString("p%1").arg(port));
    }
    e.next->click();
    QCOMPARE(e.ports->currentIndex(), 0);
    QCOMPARE(e.pattern->text(), QString("p0"));
    e.prev->click();
    QCOMPARE(e.ports->currentIndex(), 2);
    QCOMPARE(e.pattern->text(), QString("p2"));
    e.prev->click();
    QCOMPARE(e.pattern->text(), QString("p1"));
}

void SettingsTest::asDefault()
{
    Editor e;
    e.w.setPortsCount(3, nullptr);
    e.next->click();
    e.pattern->setText("shared");
    e.asDefault->setChecked(true);
    QVERIFY(!e.navigationEnabled());
    QCOMPARE(e.w.outputNames(), QList<OutputPattern>{(OutputPattern{QDir::tempPath(), "shared", ".pxm"})});
    // Edits change the default entry; a port count change keeps the default while its port exists.
    e.suffix->setCurrentText(".jpg");
    e.w.setPortsCount(4, nullptr);
    QVERIFY(!e.navigationEnabled());
    QCOMPARE(e.w.outputNames(), QList<OutputPattern>{(OutputPattern{QDir::tempPath(), "shared", ".jpg"})});

    e.asDefault->setChecked(false);
    QVERIFY(e.navigationEnabled());
    QCOMPARE(e.w.outputNames().size(), 4);
}

void SettingsTest::asDefaultClearedWhenPortGoes()
{
    Editor e;
    e.w.setPortsCount(3, nullptr);
    e.ports->setCurrentIndex(2);
    e.asDefault->setChecked(true);
    e.w.setPortsCount(2, nullptr);
    QVERIFY(e.navigationEnabled());
    QVERIFY(!e.asDefault->isChecked());
    QCOMPARE(e.w.outputNames().size(), 2);
    QCOMPARE(e.ports->currentIndex(), 0);
}

void SettingsTest::unknownSuffixKept()
{
    Editor e;
    e.w.setPortsCount(2, nullptr);
    e.suffix->setEditable(true); // the only way an unknown suffix reaches an entry from the form
    e.suffix->setEditText(".tiff");
    QMetaObject::invokeMethod(&e.w, "saveSuffix");
    e.suffix->setEditable(false);
    e.next->click();
    e.suffix->setCurrentText(".png");
    e.prev->click();
    QCOMPARE(e.suffix->currentText(), QString(".png")); // the combo box cannot show it ...
    QCOMPARE(e.w.outputNames()[0].suffix, QString(".tiff")); // ... and the entry keeps it
}

void SettingsTest::directoryInItalicsWhenMissing()
{
    Editor e;
    e.w.setPortsCount(1, nullptr);
    QTemporaryDir existing;
    e.directory->setText(existing.path() + "/missing");
    QVERIFY(e.directory->font().italic());
    e.directory->setText(existing.path());
    QVERIFY(!e.directory->font().italic());
    QCOMPARE(e.w.outputNames()[0].directory, existing.path());
}

void SettingsTest::chooseDirectory()
{
    Editor e;
    e.w.setPortsCount(2, nullptr);
    e.next->click();
    QTemporaryDir picked;
    QString title;
    for (const bool accept : {true, false}) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            if (accept) {
                dialog->selectFile(picked.path());
                static_cast<QDialog*>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });
        QMetaObject::invokeMethod(&e.w, "chooseDirectory");
        QCOMPARE(title, QString("Output directory - Port 1"));
        QCOMPARE(e.w.outputNames()[1].directory, picked.path());
    }
}

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
