// PVorne as a node of the suite: how it describes itself to the host and how it settles into the host's
// window with the host's current graph. The batch run the host starts with Run() is the Run button's.
#include <QApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "kora/exception.h"
#include "kora/value.h"
#include "kora/valuepointer.h"
#include "mainwindow/pvorne.h"
#include "ui_pvorne.h"

namespace {

const char* const kCurrentGraph = "CURRENT GRAPH";
const char* const kHostWidget = "ParameterUiParentWidget";
const char* const kGraphMap = "GraphMap";

KORA::CValue* withMeta(KORA::CValue* value, const char* key, KORA::CValue* meta)
{
    value->Meta().SetEntry(key, meta);
    return value;
}

} // namespace

void PVorne::GetPluginSetup(KORA::CValueMap& setup)
{
    setup.SetEntry("pluginType", new KORA::CValueString("Generic"));
    setup.SetEntry("subType", new KORA::CValueString("Utility"));
    setup.SetEntry("name", new KORA::CValueString("VORNE"));
    // The batch brings its own inputs and writes its own files: nothing flows along the host's edges.
    setup.SetEntry("inputs", new KORA::CValueMap());
    setup.SetEntry("outputs", new KORA::CValueMap());

    auto* parameters = new KORA::CValueMap();
    parameters->SetEntry("Graph", new KORA::CValueString(kCurrentGraph));
    parameters->SetEntry("ResultDir",
                         withMeta(new KORA::CValueString(), "gui/openDir", new KORA::CValueBool(true)));
    parameters->SetEntry("ResultPattern", new KORA::CValueString("%i1_%o"));
    parameters->SetEntry("ResultExtension", withMeta(new KORA::CValueString(".tif"), "val/enValues",
                                                     new KORA::CValueString(".pxm,.png,.jpg,.tif,.iass.gz")));
    parameters->SetEntry("Threaded", new KORA::CValueBool(true));
    parameters->SetEntry("MaxThreads", new KORA::CValueLong(0));
    parameters->SetEntry("interactive", new KORA::CValueBool(true));
    setup.SetEntry("parameters", parameters);
}

void PVorne::NodeInit()
{
    // A host that only wants the description (or a batch without a user) gets a widget left as it is.
    if (!Parameters().EntryBool("interactive", true))
        return;
    if (QCoreApplication::instance() == nullptr)
        throw KORA::CExUnimp(
            tr("%1 needs an existing, running QApplication to be executed!").arg("VORNE").toStdString());

    if (parentWidget() == nullptr && Parameters().HasEntry(kHostWidget)) {
        // Throws the library's type error when the entry holds anything but a widget pointer.
        QWidget* host = KORA::UnwrapPointer<QWidget>(Parameters().FindEntry(kHostWidget));
        if (host == nullptr)
            throw KORA::CExBadType("the host widget pointer is null", kHostWidget);
        setParent(host);
        // A host that arranged its window already keeps its layout; otherwise VORNE fills the whole widget.
        QLayout* layout = host->layout();
        if (layout == nullptr) {
            auto* row = new QHBoxLayout(host);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(0);
            layout = row;
        }
        layout->addWidget(this);
        host->adjustSize();
        // Without waiting: a reload during a run cancels the run instead of blocking the host's thread.
        connect(host, SIGNAL(GraphMapChanged()), this, SLOT(loadSelectedGraph()));
    }

    if (Parameters().HasEntry(kGraphMap, KORA::GT_MAP)) {
        ui->graphname_lineEdit->setText(tr(kCurrentGraph));
        ui->use_current_ogr_graph_pushButton->show();
    } else if (ui->graphname_lineEdit->text() == tr(kCurrentGraph)) {
        ui->graphname_lineEdit->setText(QString::fromStdString(Parameters().EntryString("Graph")));
    }
}
