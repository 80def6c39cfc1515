// The settings tab and the per-port output pattern editor: defaults, navigation, edits kept across port
// count changes, "as default", unknown suffixes and the directory check.

#include "vornetest.h"
#include "mainwindow/filenamepatternwidget.h"
#include "mainwindow/settingswidgetr.h"

using VORNE::OutputPattern;
using Patterns = QList<OutputPattern>;

namespace {

const OutputPattern kDefault{QDir::tempPath(), "%i0_%o", ".pxm"};

struct Editor
{
    VORNE::SettingsWidgetR tab;
    VORNE::FilenamePatternWidget& w = *tab.findChild<VORNE::FilenamePatternWidget*>("output_filename_pattern_widget");
    QComboBox* ports = w.findChild<QComboBox*>("port_comboBox");
    QPushButton* prev = w.findChild<QPushButton*>("prev_port_pushButton");
    QPushButton* next = w.findChild<QPushButton*>("next_port_pushButton");
    QLineEdit* pattern = w.findChild<QLineEdit*>("filename_lineEdit");
    QLineEdit* directory = w.findChild<QLineEdit*>("directory_lineEdit");
    QComboBox* suffix = w.findChild<QComboBox*>("suffix_comboBox");
    QCheckBox* asDefault = w.findChild<QCheckBox*>("as_default_checkBox");

    void ports_(int count, QList<QString>* names = nullptr) { tab.setPortsCount(7, count, nullptr, names); }
    bool navigation() const { return ports->isEnabled() && prev->isEnabled() && next->isEnabled(); }
};

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void defaultsNamesAndNavigation()
    {
        Editor e;
        QVERIFY(!e.w.isEnabled());
        QCOMPARE(e.tab.outputNames(), Patterns());

        QList<QString> names{"mask", "", "count"};
        e.ports_(3, &names);
        QVERIFY(e.w.isEnabled());
        QCOMPARE(e.ports->itemText(0) + "|" + e.ports->itemText(1) + "|" + e.ports->itemText(2),
                 QString("Output 0: mask|Output 1|Output 2: count"));
        QCOMPARE(e.tab.outputNames(), (Patterns{kDefault, kDefault, kDefault}));
        for (int port = 0; port < 3; ++port) {
            e.ports->setCurrentIndex(port);
            e.pattern->setText(QString("p%1").arg(port));
        }
        e.next->click(); // last -> first
        QCOMPARE(e.pattern->text(), QString("p0"));
        e.prev->click(); // first -> last
        QCOMPARE(e.pattern->text(), QString("p2"));
        QCOMPARE(e.ports->currentIndex(), 2);
    }

    void portCountChangesKeepEdits()
    {
        Editor e;
        e.ports_(3);
        e.pattern->setText("zero");
        e.next->click();
        e.suffix->setCurrentText(".png");
        e.directory->setText("/one");
        e.ports_(2);
        QCOMPARE(e.pattern->text(), QString("zero"));
        e.ports_(3);
        QCOMPARE(e.tab.outputNames(), (Patterns{{QDir::tempPath(), "zero", ".pxm"}, {"/one", "%i0_%o", ".png"}, kDefault}));
        e.ports_(-1);
        QVERIFY(!e.w.isEnabled());
        QCOMPARE(e.tab.outputNames(), Patterns());
    }

    void asDefault()
    {
        Editor e;
        e.ports_(3);
        e.next->click();
        e.asDefault->setChecked(true);
        e.pattern->setText("shared");
        QVERIFY(!e.navigation());
        QCOMPARE(e.tab.outputNames(), Patterns{(OutputPattern{QDir::tempPath(), "shared", ".pxm"})});
        e.ports_(4); // port 1 still exists: still the default
        QVERIFY(!e.navigation());
        QCOMPARE(e.tab.outputNames().size(), 1);
        e.asDefault->setChecked(false);
        QVERIFY(e.navigation());
        QCOMPARE(e.tab.outputNames().size(), 4);

        e.ports->setCurrentIndex(3);
        e.asDefault->setChecked(true);
        e.ports_(2); // the default port is gone
        QVERIFY(e.navigation() && !e.asDefault->isChecked());
        QCOMPARE(e.tab.outputNames().size(), 2);
    }

    void suffixAndDirectory()
    {
        Editor e;
        e.ports_(2);
        // An unknown suffix stays in its entry; the combo box just cannot show it.
        e.suffix->setEditable(true);
        e.suffix->setEditText(".tiff");
        QMetaObject::invokeMethod(&e.w, "saveSuffix");
        e.suffix->setEditable(false);
        e.next->click();
        e.suffix->setCurrentText(".png");
        e.prev->click();
        QCOMPARE(e.suffix->currentText(), QString(".png"));
        QCOMPARE(e.tab.outputNames()[0].suffix, QString(".tiff"));

        // A directory that does not exist is shown in italics.
        QTemporaryDir picked;
        e.directory->setText(picked.path() + "/missing");
        QVERIFY(e.directory->font().italic());
        e.directory->setText(picked.path());
        QVERIFY(!e.directory->font().italic());
        QCOMPARE(e.tab.outputNames()[0].directory, picked.path());
    }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
