#include "mainwindow/pvorne.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QInputDialog>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMessageBox>
#include <QMenu>
#include <QMessageBox>
#include <QMutexLocker>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <iostream>
#include <memory>
#include <sstream>

#include "executor/graphexecutor.h"
#include "executor/hiddenparameters.h"
#include "executor/parameterkeys.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "items/textlist.h"
#include "kora/exception.h"
#include "kora/formatregistry.h"
#include "kora/serializer.h"
#include "kora/valuepointer.h"
#include "mainwindow/aboutdialogfactory.h"
#include "mainwindow/filedroplistview.h"
#include "mainwindow/filefilters.h"
#include "mainwindow/itemdecoration.h"
#include "mainwindow/itemlistview.h"
#include "mainwindow/itemdelegate.h"
#include "mainwindow/logging.h"
#include "mainwindow/messagebanner.h"
#include "mainwindow/planechoicerow.h"
#include "mainwindow/planesplitter.h"
#include "mainwindow/resultsbar.h"
#include "mainwindow/settingswidgetr.h"
#include "ostrel/graph.h"
#include "ui_pvorne.h"
#include "viewers/displaymanager.h"

namespace {

// Moves and removals act on the selection as one block starting at its top row.
int firstRow(const QModelIndexList& selected)
{
    int first = selected.first().row();
    for (const QModelIndex& index : selected)
        first = qMin(first, index.row());
    return first;
}

} // namespace

using VORNE::Item;
using VORNE::ItemModel;

namespace {

const char* const kCurrentGraph = "CURRENT GRAPH";

QIcon standardIcon(QStyle::StandardPixmap pixmap)
{
    return QApplication::style()->standardIcon(pixmap);
}

} // namespace

PVorne::PVorne(QWidget* parent) : QWidget(parent), ui(new Ui::PVorne)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/resources/vorne-icon.png")));
    VORNE::Item::setDecoration(&VORNE::itemDecoration);
    m_displayManager = new VORNE::DisplayManager(this);
    m_banner = new VORNE::MessageBanner(this);
    ui->verticalLayout->insertWidget(ui->verticalLayout->indexOf(ui->input_output_tabWidget), m_banner);
    // Port names are read in full: the tab bars scroll rather than shorten them.
    for (QTabWidget* tabs : {ui->input_tabWidget, ui->output_tabWidget}) {
        tabs->setElideMode(Qt::ElideNone);
        tabs->setUsesScrollButtons(true);
    }

    ui->run_progressBar->hide();
    ui->input_edit_frame->setEnabled(false);
    m_splitter = new VORNE::PlaneSplitter(this);
    connect(m_splitter, &VORNE::PlaneSplitter::progress, this, [this](int done, int files) {
        m_banner->post(QStringLiteral("split"), VORNE::MessageBanner::Information,
                       tr("Splitting channels and time points: %1 of %2 files done...").arg(done).arg(files));
    });
    connect(m_splitter, &VORNE::PlaneSplitter::finished, this, &PVorne::splitFinished);

    ui->use_current_ogr_graph_pushButton->setIcon(QIcon(QStringLiteral(":/resources/ostrel-icon.png")));
    ui->choose_graph_pushButton->setIcon(standardIcon(QStyle::SP_DirOpenIcon));
    ui->reload_graph_pushButton->setIcon(
        QIcon::fromTheme(QStringLiteral("view-refresh"), QIcon(QStringLiteral(":/resources/reload-icon.png"))));
    ui->about_pushButton->setIcon(standardIcon(QStyle::SP_MessageBoxInformation));
    ui->run_pushButton->setIcon(standardIcon(QStyle::SP_MediaPlay));
    ui->cancel_run_pushButton->setIcon(standardIcon(QStyle::SP_BrowserStop));
    ui->resume_run_pushButton->setIcon(standardIcon(QStyle::SP_MediaPlay));
    ui->pause_run_pushButton->setIcon(standardIcon(QStyle::SP_MediaPause));
    ui->close_pushButton->setIcon(standardIcon(QStyle::SP_DialogCancelButton));
    // Run, pause and resume take each other's place: one size keeps the row from jumping.
    const QSize runButtonSize = ui->resume_run_pushButton->sizeHint();
    for (QPushButton* button : {ui->run_pushButton, ui->resume_run_pushButton, ui->pause_run_pushButton})
        button->setFixedSize(runButtonSize);

    ui->move_input_up_toolButton->setIcon(standardIcon(QStyle::SP_ArrowUp));
    ui->move_input_up_toolButton->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Up")));
    ui->add_input_toolButton->setIcon(QIcon(QStringLiteral(":/resources/add-icon.png")));
    ui->delete_input_toolButton->setIcon(standardIcon(QStyle::SP_TrashIcon));
    ui->delete_input_toolButton->setShortcut(QKeySequence(QStringLiteral("Del")));
    ui->move_input_down_toolButton->setIcon(standardIcon(QStyle::SP_ArrowDown));
    ui->move_input_down_toolButton->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Down")));

    auto* addMenu = new QMenu(tr("Add input"), this);
    addMenu->addAction(QIcon(QStringLiteral(":/resources/image-file-icon.png")), tr("Image"), this,
                       &PVorne::addImageInput);
    addMenu->addAction(QIcon(QStringLiteral(":/resources/inputlist-icon.png")), tr("Input list"), this,
                       qOverload<>(&PVorne::addTxtInput));
    addMenu->addSeparator();
    addMenu->addAction(QIcon(QStringLiteral(":/resources/long-icon.png")), QStringLiteral("Long"), this,
                       &PVorne::addLongInput);
    addMenu->addAction(QIcon(QStringLiteral(":/resources/double-icon.png")), QStringLiteral("Double"), this,
                       &PVorne::addDoubleInput);
    addMenu->addAction(QIcon(QStringLiteral(":/resources/string-icon.png")), QStringLiteral("String"), this,
                       &PVorne::addStringInput);
    addMenu->addAction(QIcon(QStringLiteral(":/resources/bool-icon.png")), QStringLiteral("Bool"), this,
                       &PVorne::addBoolInput);
    addMenu->addAction(QIcon(QStringLiteral(":/resources/vector-icon.png")), QStringLiteral("Vector"), this,
                       &PVorne::addVectorInput);
    ui->add_input_toolButton->setPopupMode(QToolButton::MenuButtonPopup);
    ui->add_input_toolButton->setMenu(addMenu);

    ui->pause_run_pushButton->hide();
    ui->resume_run_pushButton->hide();
    ui->cancel_run_pushButton->hide();
    ui->use_current_ogr_graph_pushButton->hide();
    ui->graphname_lineEdit->clear();

    m_executor = new VORNE::GraphExecutor(this);
    m_titleRefresh = new QTimer(this);
    m_titleRefresh->setSingleShot(true);
    m_titleRefresh->setInterval(100);
    connect(m_titleRefresh, &QTimer::timeout, this, &PVorne::refreshPortTitles);
    m_progressRefresh = new QTimer(this);
    m_progressRefresh->setSingleShot(true);
    connect(m_progressRefresh, &QTimer::timeout, this, &PVorne::flushProgress);
    m_cancelRepeat = new QTimer(this);
    m_cancelRepeat->setInterval(50);
    connect(m_cancelRepeat, &QTimer::timeout, this, [this] {
        if (m_executor->isRunning())
            m_executor->abort();
    });
    m_resultsBar = new VORNE::ResultsBar(ui->output_tab);
    ui->gridLayout->addWidget(m_resultsBar, 1, 0);

    connect(ui->choose_graph_pushButton, &QPushButton::clicked, this, &PVorne::chooseGraph);
    connect(ui->use_current_ogr_graph_pushButton, &QPushButton::clicked, this, &PVorne::useCurrentOstrelGraph);
    connect(ui->reload_graph_pushButton, &QPushButton::clicked, this, [this] { loadSelectedGraph(false); });
    connect(ui->about_pushButton, &QPushButton::clicked, this, &PVorne::showAbout);
    connect(ui->close_pushButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->run_pushButton, &QPushButton::clicked, this, &PVorne::runRequested);
    connect(ui->cancel_run_pushButton, &QPushButton::clicked, this, &PVorne::cancel);
    connect(ui->pause_run_pushButton, &QPushButton::clicked, this, &PVorne::pauseRun);
    connect(ui->resume_run_pushButton, &QPushButton::clicked, this, &PVorne::resumeRun);
    // Queued: the step's results are taken on the GUI thread, after the executor's run() has returned.
    connect(m_executor, &QThread::finished, this, &PVorne::graphComplete, Qt::QueuedConnection);

    connect(ui->move_input_up_toolButton, &QToolButton::clicked, this, &PVorne::moveInputUp);
    connect(ui->add_input_toolButton, &QToolButton::clicked, this, &PVorne::addImageInput);
    connect(ui->delete_input_toolButton, &QToolButton::clicked, this, &PVorne::deleteInputItems);
    connect(ui->move_input_down_toolButton, &QToolButton::clicked, this, &PVorne::moveInputDown);
}

PVorne::~PVorne()
{
    // The executor waits for a step still running; its finished() must not reach a half-destroyed widget.
    m_executor->disconnect(this);
    delete m_executor;
    if (m_runState != Idle)
        m_runLock.unlock();
    delete ui;
    delete m_graph;
    // Its viewers still point at items of the models, which go with the QObject children afterwards.
    delete m_displayManager;
}

void PVorne::showAbout()
{
    QDialog* dialog = VORNE::createAboutDialog(this);
    if (!dialog) {
        qCWarning(lcMainWindow) << "PVorne::showAbout(): no About dialog in this build";
        return;
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->exec();
}

void PVorne::loadHelp() {}

void PVorne::showImage(const QModelIndex& index)
{
    m_displayManager->showImage(index);
}

bool PVorne::graphIsLoaded()
{
    return m_graphLoaded;
}

bool PVorne::loadGraph(const QString& graph_path, bool wait_)
{
    {
        const QSignalBlocker blocker(ui->graphname_lineEdit);
        ui->graphname_lineEdit->setText(graph_path);
    }
    return loadSelectedGraph(wait_);
}

void PVorne::chooseGraph()
{
    const QString file = QFileDialog::getOpenFileName(
        this, tr("VORNE - Choose graph"), QString(),
        QStringLiteral("Ostrel Graph (*.ogr);;CPGraph (*.xml);;All Files (*.*)"), nullptr,
        QFileDialog::DontUseNativeDialog);
    if (file.isEmpty())
        return;
    ui->graphname_lineEdit->setText(file);
    loadSelectedGraph(false);
}

void PVorne::useCurrentOstrelGraph()
{
    ui->graphname_lineEdit->setText(tr(kCurrentGraph));
    loadSelectedGraph(false);
}

OstrelGraph::Graph* PVorne::openGraph(const QString& text, QString& reason)
{
    try {
        if (text == tr(kCurrentGraph) || text == QLatin1String(kCurrentGraph)) {
            if (!Parameters().HasEntry("GraphMap", KORA::GT_MAP)) {
                reason = tr("the host offers no graph of its own");
                return nullptr;
            }
            const auto& map = static_cast<const KORA::CValueMap&>(*KORA::Unwrap(Parameters().FindEntry("GraphMap")));
            return OstrelGraph::Graph::LoadFromMap(map, nullptr, false);
        }
        return OstrelGraph::Graph::LoadFromFile(text.toLocal8Bit().constData(), nullptr, false);
    } catch (const KORA::CException& e) {
        std::cerr << "VORNE" << ": Could not load graph: '" << text.toStdString() << "'!" << std::endl;
        std::cerr << "VORNE" << ": " << e.FormattedWhat() << std::endl;
        reason = QString::fromLocal8Bit(e.FormattedWhat().c_str());
    } catch (...) {
        std::cerr << "VORNE" << ": Could not load graph: '" << text.toStdString() << "'!" << std::endl;
        std::cerr << "VORNE" << ": unknown exception caught." << std::endl;
        reason = tr("unknown exception caught");
    }
    return nullptr;
}

bool PVorne::loadSelectedGraph(bool wait_)
{
    if (m_runState != 0) {
        std::cerr << "VORNE" << " is currently running." << std::endl;
        std::cerr << "Canceling " << "VORNE" << " ..." << std::endl;
        if (m_runState == Running || m_runState == Starting)
            requestCancel();
        else if (m_runState == Paused)
            runComplete();
        if (!wait_) {
            reportGraphNotLoaded();
            return false;
        }
    }
    const QMutexLocker runLock(&m_runLock);
    emit aboutToReloadGraph();
    // The output lists it pointed at are cleared below, and the parameters it named are gone.
    for (const char* topic : {"batch", "parameters", "folders"})
        m_banner->withdraw(QLatin1String(topic));

    delete m_graph;
    const QString path = ui->graphname_lineEdit->text();
    m_graphLoadError.clear();
    m_graph = openGraph(path, m_graphLoadError);
    m_graphLoaded = m_graph != nullptr;
    if (!m_graphLoaded)
        ui->graphname_lineEdit->clear();
    m_loadedPath = ui->graphname_lineEdit->text();
    reportGraphLoad(path);

    const int inputs = m_graph ? m_graph->GetInpinCount() : 0;
    const int outputs = m_graph ? m_graph->GetOutpinCount() : 0;
    m_inputNames.clear();
    m_outputNames.clear();
    for (int pin = 0; pin < outputs; ++pin)
        m_outputNames << QString::fromStdString(m_graph->GetOutpinName(pin));
    for (int pin = 0; pin < inputs; ++pin)
        m_inputNames << QString::fromStdString(m_graph->GetInpinName(pin));
    updatePorts(inputs, outputs);
    ui->settings_widget->setPortsCount(inputs, outputs, &m_inputNames, &m_outputNames);

    ui->graph_parameters_textBrowser->setPlainText(visibleParameters());
    QFont font = this->font();
    font.setFamily(QStringLiteral("Courier New"));
    ui->graph_parameters_textBrowser->setFont(font);
    ui->graph_parameters_textBrowser->setUndoRedoEnabled(true);
    ui->graph_parameters_textBrowser->setLineWrapMode(QTextEdit::NoWrap);

    ui->input_output_tabWidget->setCurrentWidget(ui->input_tab);
    if (ui->input_tabWidget->count() > 0)
        ui->input_tabWidget->setCurrentIndex(0);

    if (m_graphLoaded) {
        std::cerr << "Graph has been reloaded." << std::endl;
        emit reloadedGraph();
    }
    return m_graphLoaded;
}

void PVorne::reportGraphLoad(const QString& path)
{
    if (m_graphLoaded || path.isEmpty()) {
        m_banner->withdraw(QStringLiteral("graph"));
        return;
    }
    m_banner->post(QStringLiteral("graph"), VORNE::MessageBanner::Error,
                   tr("Could not load the graph '%1': %2").arg(path, m_graphLoadError), tr("Retry"), [this, path] {
                       ui->graphname_lineEdit->setText(path);
                       loadSelectedGraph(false);
                   });
}

void PVorne::reportGraphNotLoaded()
{
    m_banner->post(QStringLiteral("graph"), VORNE::MessageBanner::Warning,
                   tr("The graph '%1' shown above is not loaded yet; the pages and parameters still belong to "
                      "'%2'.")
                       .arg(ui->graphname_lineEdit->text(), m_loadedPath),
                   tr("Reload"), [this] { loadSelectedGraph(false); });
}

QString PVorne::visibleParameters()
{
    m_parameterKeys.clear();
    if (m_graph == nullptr)
        return QString();
    KORA::CValueMap& parameters = m_graph->Parameters();
    VORNE::removeHiddenParameters(parameters);
    m_parameterKeys = VORNE::parameterKeyPaths(parameters);
    std::ostringstream text;
    try {
        KORA::CXmlSerializer2(false, false, nullptr).Serialize(parameters, text);
    } catch (const KORA::CException& e) {
        qCWarning(lcMainWindow) << "PVorne::visibleParameters(): could not serialize the graph parameters:"
                                << e.FormattedWhat().c_str();
        return QString();
    }
    return QString::fromStdString(text.str());
}

void PVorne::updatePorts(int inputs, int outputs)
{
    const auto adapt = [this](int count, int direction, QList<QListView*>& views, QList<ItemModel*>& models,
                              QTabWidget* tabs) {
        while (models.size() < count) {
            const int port = models.size();
            auto* model = new ItemModel(direction, port, this);
            auto* page = new QWidget;
            auto* layout = new QVBoxLayout(page);
            QListView* view = nullptr;
            if (direction == ItemModel::InputModel) {
                auto* dropView = new VORNE::FileDropListView(page);
                connect(dropView, &VORNE::FileDropListView::filesDropped, this,
                        [this, port](const QStringList& files) {
                            // The lists stay visible during a batch, but a batch reads them row by row:
                            // a drop then would also clear the outputs collected so far.
                            if (m_runState == Idle)
                                addDroppedFiles(files, port);
                        });
                view = dropView;
                view->setContextMenuPolicy(Qt::CustomContextMenu);
                connect(view, &QWidget::customContextMenuRequested, this,
                        [this, port](const QPoint& at) { showInputMenu(port, at); });
            } else {
                view = new VORNE::ItemListView(page);
            }
            view->setSelectionMode(QAbstractItemView::ContiguousSelection);
            // Every row is one line with one icon; without this a list lays out all its rows to find
            // their sizes on each change, which grows with the batch.
            view->setUniformItemSizes(true);
            view->setItemDelegate(new VORNE::ItemDelegate(view));
            view->setModel(model);
            layout->addWidget(view);
            if (direction == ItemModel::InputModel) {
                auto* planes = new VORNE::PlaneChoiceRow(model, page);
                planes->setEnabled(m_runState == Idle);
                connect(planes, &VORNE::PlaneChoiceRow::choiceChanged, this, &PVorne::onInputEdit);
                layout->addWidget(planes);
            }
            connect(view, &QListView::doubleClicked, this, &PVorne::showImage);
            tabs->addTab(page, QString());
            views << view;
            models << model;
            connect(model, &ItemModel::rowsCountChanged, this, &PVorne::modelItemsCountChanged);
        }
        while (models.size() > count) {
            ItemModel* model = models.takeLast();
            model->disconnect(this);
            delete model;
            delete views.takeLast();
            QWidget* page = tabs->widget(tabs->count() - 1);
            tabs->removeTab(tabs->count() - 1);
            delete page;
        }
    };
    adapt(inputs, ItemModel::InputModel, m_inputViews, m_inputModels, ui->input_tabWidget);
    adapt(outputs, ItemModel::OutputModel, m_outputViews, m_outputModels, ui->output_tabWidget);

    for (ItemModel* model : qAsConst(m_outputModels))
        model->clear();
    m_resultsBar->clear();
    ui->input_edit_frame->setEnabled(inputs > 0);
    for (int port = 0; port < inputs; ++port)
        setPortTitle(ItemModel::InputModel, port);
    for (int port = 0; port < outputs; ++port)
        setPortTitle(ItemModel::OutputModel, port);
}

void PVorne::setPortTitle(int direction, int port)
{
    const bool input = direction == ItemModel::InputModel;
    const QList<ItemModel*>& models = input ? m_inputModels : m_outputModels;
    const QStringList& names = input ? m_inputNames : m_outputNames;
    QTabWidget* tabs = input ? ui->input_tabWidget : ui->output_tabWidget;
    if (port < 0 || port >= models.size() || port >= tabs->count())
        return;
    const QString name = names.value(port);
    const QString title =
        (input ? tr("Input %1%2 (%3 items)") : tr("Output %1%2 (%3 items)"))
            .arg(QString::number(port), name.isEmpty() ? QString() : QStringLiteral(": ") + name,
                 QString::number(models[port]->rowCount()));
    tabs->setTabText(port, title);
    tabs->setTabToolTip(port, title);
}

void PVorne::modelItemsCountChanged()
{
    // During a batch every step would relayout and repaint the tab bars and the lists in view; they follow
    // ten times a second instead, and exactly when the batch ends.
    if (m_runState != Idle) {
        if (!m_titleRefresh->isActive()) {
            for (QListView* view : qAsConst(m_outputViews))
                view->setUpdatesEnabled(false);
            m_titleRefresh->start();
        }
        return;
    }
    if (const auto* model = qobject_cast<const ItemModel*>(sender()))
        setPortTitle(model->direction(), model->port());
}

void PVorne::refreshPortTitles()
{
    m_titleRefresh->stop();
    for (QListView* view : qAsConst(m_outputViews))
        view->setUpdatesEnabled(true);
    for (int port = 0; port < m_inputModels.size(); ++port)
        setPortTitle(ItemModel::InputModel, port);
    for (int port = 0; port < m_outputModels.size(); ++port)
        setPortTitle(ItemModel::OutputModel, port);
}

int PVorne::currentInputPort() const
{
    return ui->input_tabWidget->currentIndex();
}

void PVorne::addInputItem(Item* item, int port_index)
{
    if (port_index == -1)
        port_index = currentInputPort();
    if (port_index >= 0 && port_index < m_inputModels.size()) {
        m_inputModels[port_index]->appendItem(item);
    } else {
        std::cerr << "VORNE" << "::" << "PVorne::addInputItem" << "() "
                  << "Could not add item into inputportlist #" << port_index << std::endl;
        delete item;
    }
    onInputEdit();
}

void PVorne::addImageFileInput(const QString& filename, int port_index)
{
    addInputItem(new Item(filename, Item::ImageFileType), port_index);
}

void PVorne::addImageFiles(const QStringList& files, int port_index)
{
    for (const QString& file : files) {
        const KORA::StFileFormat* format = KORA::CFormatRegistry::Find(QFile::encodeName(file).toStdString());
        if (format && format->textList && file.endsWith(QLatin1String(format->extension)))
            addTextList(file, port_index);
        else
            addImageFileInput(file, port_index);
    }
}

void PVorne::addDroppedFiles(const QStringList& files, int port_index)
{
    QStringList known;
    QStringList skipped;
    for (const QString& file : files) {
        const std::string reason = KORA::CFormatRegistry::NoReaderReason(QFile::encodeName(file).toStdString());
        if (reason.empty())
            known << file;
        else
            skipped << QStringLiteral("%1 (%2)").arg(QFileInfo(file).fileName(), QString::fromStdString(reason));
    }
    addImageFiles(known, port_index);
    if (skipped.isEmpty())
        return;
    auto* box = new QMessageBox(QMessageBox::Information, tr("VORNE"),
                                tr("Skipped %n dropped file(s): %1", nullptr, skipped.size())
                                    .arg(skipped.join(QStringLiteral(", "))),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void PVorne::addImageInput()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, tr("%1 - Input images").arg("VORNE"), QString(),
                                      QLatin1String(VORNE::kImageFileFilter), nullptr, QFileDialog::DontUseNativeDialog);
    addImageFiles(files, -1);
}

void PVorne::addTxtInput()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, tr("%1 - Add txt list to input").arg("VORNE"), QString(),
        QLatin1String(VORNE::kTextListFilter), nullptr,
        QFileDialog::DontUseNativeDialog);
    for (const QString& file : files)
        addTxtInput(file);
}

void PVorne::addTxtInput(const QString& filename)
{
    addTextList(filename, -1);
}

void PVorne::addTextList(const QString& filename, int port_index)
{
    QStringList paths;
    if (!VORNE::readTextList(filename, paths)) {
        std::cerr << "Could not open file: " << filename.toStdString() << std::endl;
        return;
    }
    for (const QString& path : qAsConst(paths))
        addImageFileInput(path, port_index);
}

QString PVorne::askValue(const char* title, const char* prompt)
{
    return QInputDialog::getText(this, tr(title).arg("VORNE"), tr(prompt), QLineEdit::Normal, QString());
}

void PVorne::addLongInput()
{
    const QString text = askValue(QT_TR_NOOP("%1 - Add long input"), QT_TR_NOOP("Long:"));
    bool ok = false;
    // Only what a long item holds (32 bits) converts.
    text.toInt(&ok, 10);
    if (ok)
        addInputItem(new Item(text, Item::LongType));
}

void PVorne::addDoubleInput()
{
    const QString text = askValue(QT_TR_NOOP("%1 - Add double input"), QT_TR_NOOP("Double:"));
    bool ok = false;
    text.toDouble(&ok);
    if (ok)
        addInputItem(new Item(text, Item::DoubleType));
}

void PVorne::addStringInput()
{
    const QString text = askValue(QT_TR_NOOP("%1 - Add string input"), QT_TR_NOOP("String:"));
    if (!text.isNull())
        addInputItem(new Item(text, Item::StringType));
}

void PVorne::addBoolInput()
{
    const QString text = askValue(QT_TR_NOOP("%1 - Add bool input"), QT_TR_NOOP("Bool:")).simplified().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        addInputItem(new Item(text, Item::BoolType));
}

void PVorne::addVectorInput()
{
    const QString text = askValue(QT_TR_NOOP("%1 - Add vector input"), QT_TR_NOOP("Vector:"));
    if (text.isNull())
        return;
    bool isVector = false;
    try {
        const QByteArray bytes = text.toLocal8Bit();
        const std::unique_ptr<KORA::CValue> value(
            KORA::CTextSerializer(true, false, nullptr).Deserialize(bytes.constData(), bytes.size()));
        isVector = value && value->GenericType() == KORA::GT_VECTOR;
    } catch (const KORA::CException&) {
        std::cout << "VORNE" << ": warning: a value could not be deserialized" << std::endl;
    }
    if (isVector)
        addInputItem(new Item(text, Item::VectorType));
}

void PVorne::moveInputUp()
{
    const int port = currentInputPort();
    if (port >= 0 && port < m_inputModels.size()) {
        const QModelIndexList selected = m_inputViews[port]->selectionModel()->selectedIndexes();
        if (!selected.isEmpty()) {
            const int first = firstRow(selected);
            m_inputModels[port]->moveRows(QModelIndex(), first, selected.size(), QModelIndex(), first - 1);
        }
    }
    onInputEdit();
}

void PVorne::moveInputDown()
{
    const int port = currentInputPort();
    if (port >= 0 && port < m_inputModels.size()) {
        ItemModel* model = m_inputModels[port];
        const QModelIndexList selected = m_inputViews[port]->selectionModel()->selectedIndexes();
        // From the end of the selection list, each row below climbs over the selected one, so a block
        // moves down by one as a whole.
        for (auto index = selected.crbegin(); index != selected.crend(); ++index) {
            if (index->row() >= model->rowCount() - 1)
                break;
            model->moveRow(QModelIndex(), index->row() + 1, QModelIndex(), index->row());
        }
    }
    onInputEdit();
}

void PVorne::deleteInputItems()
{
    const int port = currentInputPort();
    if (port >= 0 && port < m_inputModels.size()) {
        const QModelIndexList selected = m_inputViews[port]->selectionModel()->selectedIndexes();
        if (!selected.isEmpty())
            m_inputModels[port]->removeRows(firstRow(selected), selected.size());
    }
    onInputEdit();
}

void PVorne::itemSelectionToClipboard()
{
    QListView* view = nullptr;
    if (ui->input_output_tabWidget->currentIndex() == 1)
        view = m_inputViews.value(ui->input_tabWidget->currentIndex());
    else if (ui->input_output_tabWidget->currentIndex() == 2)
        view = m_outputViews.value(ui->output_tabWidget->currentIndex());
    if (view == nullptr)
        return;
    QStringList texts;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        texts << index.data(Qt::DisplayRole).toString();
    QGuiApplication::clipboard()->setText(texts.join(QLatin1Char('\n')), QClipboard::Clipboard);
}

void PVorne::showInputMenu(int port_index, const QPoint& at)
{
    if (port_index >= m_inputViews.size())
        return;
    QListView* view = m_inputViews[port_index];
    QStringList files;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
        const Item* item = m_inputModels[port_index]->item(index.row());
        if (item && item->type() == Item::ImageFileType)
            files << item->valueText();
    }
    QMenu menu(view);
    QAction* split = menu.addAction(tr("Split channels and time points..."));
    split->setObjectName(QStringLiteral("split_planes_action"));
    split->setEnabled(!files.isEmpty() && m_runState == Idle && !m_splitter->busy());
    if (menu.exec(view->viewport()->mapToGlobal(at)) != split)
        return;
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("%1 - Folder for the channels and time points").arg(QStringLiteral("VORNE")), QString(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!folder.isEmpty())
        splitImageFiles(files, folder, port_index);
}

void PVorne::splitImageFiles(const QStringList& files, const QString& folder, int port_index)
{
    if (!m_splitter->start(files, folder, port_index)) {
        m_banner->post(QStringLiteral("split"), VORNE::MessageBanner::Warning,
                       tr("A split is still running; try again when it is done."));
        return;
    }
    m_banner->post(QStringLiteral("split"), VORNE::MessageBanner::Information,
                   tr("Splitting the channels and time points of %1 into '%2'...")
                       .arg(files.size() == 1 ? QStringLiteral("'%1'").arg(files.first())
                                              : tr("%1 files").arg(files.size()),
                            folder));
}

void PVorne::splitFinished(int port_index, const QStringList& written, const QStringList& errors)
{
    // A batch started meanwhile reads the lists row by row, and new items would discard its outputs.
    const bool running = m_runState != Idle;
    const bool added = !running && port_index < m_inputModels.size();
    if (added)
        for (const QString& file : written)
            addImageFileInput(file, port_index);
    QStringList text;
    if (!written.isEmpty()) {
        const QString split = written.size() == 1 ? tr("Split into 1 file") : tr("Split into %1 files").arg(written.size());
        if (added)
            text << split + tr(", added to input %1.").arg(port_index);
        else
            text << split + (running ? tr(", not added while a batch runs") : tr(", not added: input %1 is gone").arg(port_index)) +
                        tr("; add them from '%1' with Add.").arg(QFileInfo(written.first()).absolutePath());
    }
    if (!errors.isEmpty())
        text << tr("Could not split %1").arg(errors.join(QStringLiteral("; ")));
    m_banner->withdraw(QStringLiteral("split"));
    m_banner->post(QStringLiteral("split"), errors.isEmpty() ? VORNE::MessageBanner::Information : VORNE::MessageBanner::Error,
                   text.join(QLatin1Char(' ')));
}

void PVorne::enablePlaneRows(bool enabled)
{
    for (VORNE::PlaneChoiceRow* row : ui->input_tabWidget->findChildren<VORNE::PlaneChoiceRow*>())
        row->setEnabled(enabled);
}

void PVorne::onInputEdit()
{
    for (ItemModel* model : qAsConst(m_outputModels))
        model->clear();
    m_resultsBar->clear();
}

void PVorne::showEvent(QShowEvent* event)
{
    if (m_firstShow) {
        m_firstShow = false;
        if (parentWidget() == nullptr) {
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                move((area.width() - width()) / 2, (area.height() - height()) / 2);
            }
            ui->close_pushButton->hide();
        }
    }
    QWidget::showEvent(event);
}

void PVorne::closeEvent(QCloseEvent* event)
{
    if (m_runState != Idle && parentWidget() == nullptr) {
        QMessageBox box(QMessageBox::Question, tr("VORNE"), tr("A batch is running."), QMessageBox::NoButton, this);
        QPushButton* stop = box.addButton(tr("Cancel the run and close"), QMessageBox::DestructiveRole);
        box.addButton(tr("Keep running"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() != stop) {
            event->ignore();
            return;
        }
        cancel();
    }
    QWidget::closeEvent(event);
}

void PVorne::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        itemSelectionToClipboard();
    } else if (event->matches(QKeySequence::Close) || (event->key() == Qt::Key_Escape && parentWidget())) {
        close();
    }
    QWidget::keyPressEvent(event);
}

QList<VORNE::ItemModel*> PVorne::portModels(int portType) const
{
    if (portType == VORNE::ItemModel::InputModel)
        return m_inputModels;
    if (portType == VORNE::ItemModel::OutputModel)
        return m_outputModels;
    return {};
}

QStringList PVorne::portNames(int portType) const
{
    if (portType == VORNE::ItemModel::InputModel)
        return m_inputNames;
    if (portType == VORNE::ItemModel::OutputModel)
        return m_outputNames;
    return {};
}
