// PVorne's batch loop: the checks and executor configuration at the start of a run, one executor start per
// batch index, pause, resume and cancel between steps, and the outputs of each step into the output lists.
// Everything here runs on the GUI thread; the executor's thread does the work of one step.
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTimer>

#include <QLoggingCategory>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <iostream>
#include <limits>
#include <memory>

#include "executor/executorsetup.h"
#include "executor/graphexecutor.h"
#include "executor/outputcheck.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/exception.h"
#include "kora/serializer.h"
#include "kora/value.h"
#include "mainwindow/logging.h"
#include "executor/parameterkeys.h"
#include "mainwindow/messagebanner.h"
#include "viewers/displaymanager.h"
#include "mainwindow/pvorne.h"
#include "mainwindow/resultsbar.h"
#include "mainwindow/settingswidgetr.h"
#include "ui_pvorne.h"

using VORNE::GraphExecutor;
using VORNE::Item;
using VORNE::ItemModel;


namespace VORNE {

QString durationText(qint64 ms)
{
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1ms / %2:%3:%4.%5")
        .arg(ms)
        .arg(ms / 3600000, 2, 10, zero)
        .arg((ms % 3600000) / 60000, 2, 10, zero)
        .arg((ms % 60000) / 1000, 2, 10, zero)
        .arg(ms % 1000, 3, 10, zero);
}

} // namespace VORNE

bool PVorne::confirmOutputCollisions()
{
    int batchSize = m_inputModels.isEmpty() ? 1 : std::numeric_limits<int>::max();
    for (const ItemModel* model : qAsConst(m_inputModels))
        batchSize = std::min(batchSize, model->rowCount());
    QList<int> indices;
    for (int index = 0; index < batchSize; ++index)
        indices << index;
    const QList<VORNE::OutputPattern> patterns = ui->settings_widget->outputNames();
    const QList<VORNE::OutputCollision> collisions =
        VORNE::findOutputCollisions(patterns, m_outputModels.size(), indices, [this](int index) {
            QList<VORNE::NamingInput> naming;
            for (const ItemModel* model : qAsConst(m_inputModels))
                naming << VORNE::namingInput(model->item(index));
            return naming;
        });
    if (collisions.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning, tr("VORNE"), tr("Outputs of this batch would overwrite each other."),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("collision_messageBox"));
    box.setInformativeText(VORNE::collisionReport(collisions, patterns));
    QPushButton* runAnyway = box.addButton(tr("Run anyway"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == runAnyway;
}

void PVorne::runRequested()
{
    // A refused run asks nothing about its outputs.
    if (m_runState == Idle && !refuseUnloadedGraph() && confirmOutputCollisions())
        Run();
}

bool PVorne::refuseUnloadedGraph()
{
    // Outputs are stamped with the field's path, which must then name the graph that runs.
    if (!m_graphLoaded || ui->graphname_lineEdit->text() == m_loadedPath)
        return false;
    reportGraphNotLoaded();
    return true;
}

void PVorne::Run()
{
    if (m_runState != Idle || refuseUnloadedGraph())
        return;
    m_runLock.lock();
    m_runState = Starting;
    // The previous run's summary is about outputs this run replaces.
    m_banner->withdraw(QStringLiteral("batch"));

    ui->settings_tab->setEnabled(false);
    ui->input_edit_frame->setEnabled(false);
    enablePlaneRows(false);
    ui->graph_selection_frame->setEnabled(false);
    ui->graph_parameters_textBrowser->setTextInteractionFlags(Qt::TextEditorInteraction);
    ui->graph_parameters_textBrowser->viewport()->setCursor(Qt::IBeamCursor);
    ui->graph_parameters_tab->setEnabled(false);

    m_progressValue = 0;
    m_progressMaximum = 10;
    m_progressPainted.invalidate();
    ui->run_progressBar->setValue(0);
    ui->run_progressBar->setMaximum(10);
    ui->run_progressBar->show();
    ui->run_pushButton->hide();
    ui->cancel_run_pushButton->show();
    ui->cancel_run_pushButton->setEnabled(true);
    ui->pause_run_pushButton->show();
    ui->pause_run_pushButton->setEnabled(true);
    ui->resume_run_pushButton->setEnabled(true);
    repaint();

    run_execute();
}

KORA::CValueMap* PVorne::editedParameters()
{
    auto parameters = std::make_unique<KORA::CValueMap>();
    const QByteArray text = ui->graph_parameters_textBrowser->toPlainText().toLocal8Bit();
    try {
        KORA::DeserializeString(*parameters, text.toStdString(), KORA::CXmlSerializer2(false, false, nullptr));
    } catch (const KORA::CException& e) {
        std::cerr << "VORNE" << ": Could not load graph parameters:" << std::endl;
        std::cerr << "VORNE" << ": " << e.FormattedWhat() << std::endl;
        m_banner->post(QStringLiteral("parameters"), VORNE::MessageBanner::Warning,
                       tr("The edited graph parameters could not be read (%1). This run uses the graph's own "
                          "parameters.")
                           .arg(QString::fromLocal8Bit(e.FormattedWhat().c_str())));
        return nullptr;
    }
    QStringList unknown;
    for (const QString& key : VORNE::unknownParameterKeys(*parameters, m_parameterKeys))
        unknown << VORNE::unknownParameterText(key, m_parameterKeys);
    if (unknown.isEmpty())
        m_banner->withdraw(QStringLiteral("parameters"));
    else
        m_banner->post(QStringLiteral("parameters"), VORNE::MessageBanner::Warning,
                       tr("The graph reads no such parameter, so this run goes ahead without it: %1")
                           .arg(unknown.join(QStringLiteral("; "))));
    return parameters.release();
}

void PVorne::run_execute()
{
    if (m_runState != Starting)
        return;
    m_runState = Running;
    m_batchIndex = 0;
    m_tally = BatchTally();

    m_displayManager->rememberOutputViewers();
    for (ItemModel* model : qAsConst(m_outputModels))
        model->clear();

    VORNE::SettingsWidgetR* settings = ui->settings_widget;
    VORNE::ExecutorSetup setup;
    setup.maxThreads = settings->maxThreads();
    if (settings->useOstrelExecutor())
        setup.executorType = VORNE::GraphExecutor::OstrelExecutor;
    else if (settings->useCPGraphExecutor())
        setup.executorType = VORNE::GraphExecutor::CPGraphExecutor;
    setup.graphPath = ui->graphname_lineEdit->text();
    setup.outputNames = settings->outputNames();
    if (Parameters().HasEntry("GraphMap", KORA::GT_MAP))
        setup.graphMap = static_cast<KORA::CValueMap*>(KORA::Unwrap(Parameters().FindEntry("GraphMap")));
    setup.graph = m_graph;
    setup.parameters = [this] { return editedParameters(); };
    setup.applyTo(*m_executor);
    reportMissingFolders();
    const int leftovers = VORNE::removeLeftovers(setup.outputNames);
    if (leftovers > 0)
        qCWarning(lcMainWindow, "removed %d unfinished file(s) that killed runs left in the output folders", leftovers);
    QString planeChoices;
    for (const ItemModel* model : qAsConst(m_inputModels))
        planeChoices += model->planeChoiceText();
    m_resultsBar->begin(*m_executor, m_inputNames, m_outputNames, planeChoices);

    executeGraph();
}

void PVorne::executeGraph()
{
    QList<Item*> inputs;
    int smallest = 0;
    int largest = 0;
    bool mayRun = false;
    if (m_inputModels.isEmpty()) {
        mayRun = m_batchIndex == 0;
    } else {
        smallest = m_inputModels.first()->rowCount();
        mayRun = true;
        for (ItemModel* model : qAsConst(m_inputModels)) {
            smallest = qMin(smallest, model->rowCount());
            largest = qMax(largest, model->rowCount());
            Item* item = model->item(m_batchIndex);
            if (item == nullptr)
                mayRun = false;
            inputs << item;
        }
    }

    if (m_runState == PauseRequested) {
        m_resultsBar->writeHeldStep();
        flushProgress();
        ui->pause_run_pushButton->hide();
        ui->resume_run_pushButton->show();
        ui->resume_run_pushButton->setEnabled(true);
        ui->cancel_run_pushButton->setEnabled(true);
        m_runState = Paused;
    } else if (m_runState == CancelRequested) {
        runComplete();
    } else if (mayRun) {
        showProgress(m_batchIndex + 1, smallest);
        m_executor->runIndex = m_batchIndex;
        m_executor->runsTotal = smallest;
        if (m_batchIndex == 0)
            m_executor->runsFailed = 0;
        m_executor->setInputItems(inputs);
        m_executor->start(QThread::InheritPriority);
        // The previous step's row of the table costs a read of every input file; it is written while
        // this step runs rather than before it starts.
        m_resultsBar->writeHeldStep();
    } else {
        m_resultsBar->writeHeldStep();
        if (smallest != largest) {
            QMessageBox box(QMessageBox::Information, tr("VORNE"),
                            tr("There are different numbers of input items for some ports."), QMessageBox::Ok, this);
            QStringList counts;
            for (int port = 0; port < m_inputModels.size(); ++port) {
                const int rows = m_inputModels[port]->rowCount();
                const QString name = m_inputNames.value(port).isEmpty()
                                         ? QString()
                                         : QStringLiteral(" (%1)").arg(m_inputNames[port]);
                // Without a translation "%n" gives no singular.
                counts << (rows == 1 ? tr("Input %1%2: 1 item").arg(port).arg(name)
                                     : tr("Input %1%2: %3 items").arg(port).arg(name).arg(rows));
            }
            box.setInformativeText(counts.join(QLatin1Char('\n')));
            box.exec();
        }
        runComplete();
    }
}

void PVorne::graphComplete()
{
    m_executor->wait();
    std::cout << "Executed graph in " << VORNE::durationText(m_executor->executionTime()).toStdString()
              << std::endl;

    const QList<Item*> items = m_executor->outputItems(true);
    countStepResults(items);
    m_resultsBar->holdStep(m_batchIndex, m_executor->inputItems(), items, *m_executor);
    for (int port = 0; port < items.size(); ++port) {
        if (port < m_outputModels.size()) {
            m_outputModels[port]->appendItem(items[port]);
        } else {
            std::cerr << "VORNE" << "::" << "PVorne::graphComplete" << "() "
                      << "More output items, than output models ?!" << std::endl;
            delete items[port];
        }
    }
    ++m_batchIndex;
    executeGraph();
}

void PVorne::countStepResults(const QList<Item*>& items)
{
    // An aborted step builds no items and is no step of the tally.
    if (items.isEmpty())
        return;
    ++m_tally.steps;
    bool failed = false;
    QStringList reasons;
    for (int port = 0; port < items.size(); ++port) {
        const Item* item = items[port];
        if (item->outcome() == Item::Done)
            continue;
        failed = true;
        if (item->outcome() == Item::Unsaved)
            ++m_tally.unsavedOutputs;
        QString reason = item->errorMessage();
        if (reason.isEmpty())
            reason = tr("output %1 gave no value").arg(port);
        // A failed save names its file first; without it the saves that failed alike count as one reason.
        const int file = item->outcome() == Item::Unsaved ? reason.indexOf(QLatin1String(": ")) : -1;
        if (file >= 0)
            reason = GraphExecutor::tr("Could not save the output:") + QLatin1Char(' ') + reason.mid(file + 2);
        if (!reasons.contains(reason))
            reasons << reason;
    }
    m_tally.failedSteps += failed ? 1 : 0;
    const QString inputErrors = items.first()->data(Item::InputErrorRole).toString();
    if (!inputErrors.isEmpty()) {
        // The step failed for want of its inputs, which the lines of the unreadable inputs explain.
        m_tally.inputErrors << inputErrors.split(QLatin1Char('\n'));
        return;
    }
    for (const QString& reason : qAsConst(reasons))
        if (m_tally.reasonSteps[reason]++ == 0)
            m_tally.reasons << reason;
}

void PVorne::reportBatchEnd()
{
    const QString topic = QStringLiteral("batch");
    if (m_tally.failedSteps == 0) {
        m_banner->withdraw(topic);
        return;
    }
    QStringList parts{tr("%1 of %2 steps failed").arg(m_tally.failedSteps).arg(m_tally.steps)};
    if (m_tally.unsavedOutputs > 0)
        parts << tr("%n outputs could not be saved", nullptr, m_tally.unsavedOutputs);
    QString text = parts.join(QStringLiteral(", ")) + tr(" \u2014 see the Output tab.");
    const int shown = 5;
    for (const QString& reason : m_tally.reasons.mid(0, shown))
        text += QLatin1Char('\n') + (m_tally.reasonSteps.value(reason) == 1
                                          ? tr("1 step: %1").arg(reason)
                                          : tr("%1 steps: %2").arg(m_tally.reasonSteps.value(reason)).arg(reason));
    if (m_tally.reasons.size() > shown)
        text += QLatin1Char('\n') + tr("and %n more", nullptr, m_tally.reasons.size() - shown);
    for (const QString& line : m_tally.inputErrors.mid(0, shown))
        text += QLatin1Char('\n') + line;
    if (m_tally.inputErrors.size() > shown)
        text += QLatin1Char('\n') +
                tr("(%n more inputs could not be read)", nullptr, m_tally.inputErrors.size() - shown);
    m_banner->post(topic, VORNE::MessageBanner::Error, text);
}

void PVorne::reportMissingFolders()
{
    QStringList missing;
    for (const VORNE::OutputPattern& entry : ui->settings_widget->outputNames())
        if (!entry.directory.isEmpty() && !QFileInfo(entry.directory).isDir() && !missing.contains(entry.directory))
            missing << entry.directory;
    const QString topic = QStringLiteral("folders");
    if (missing.isEmpty()) {
        m_banner->withdraw(topic);
        return;
    }
    m_banner->post(topic, VORNE::MessageBanner::Warning,
                   tr("%n output folder(s) do not exist, so this run cannot save its files there: '%1'", nullptr,
                      missing.size())
                       .arg(missing.join(QStringLiteral("', '"))));
}

void PVorne::pauseRun()
{
    if (m_runState != Running && m_runState != Starting)
        return;
    ui->pause_run_pushButton->setEnabled(false);
    ui->cancel_run_pushButton->setEnabled(false);
    m_runState = PauseRequested;
}

void PVorne::resumeRun()
{
    if (m_runState != Paused)
        return;
    m_runState = Running;
    ui->pause_run_pushButton->show();
    ui->pause_run_pushButton->setEnabled(true);
    ui->resume_run_pushButton->hide();
    executeGraph();
}

void PVorne::requestCancel()
{
    m_runState = CancelRequested;
    ui->cancel_run_pushButton->setEnabled(false);
    ui->pause_run_pushButton->setEnabled(false);
    ui->resume_run_pushButton->setEnabled(false);
    m_executor->abort();
    // The executor clears its abort flag when a step begins; a request that arrived just before that
    // moment would be lost, so it is repeated until the step has ended.
    m_cancelRepeat->start();
}

void PVorne::cancel()
{
    if (m_runState == Running || m_runState == Starting)
        requestCancel();
    else if (m_runState == Paused)
        runComplete();
}

void PVorne::showProgress(int value, int maximum)
{
    m_progressValue = value;
    m_progressMaximum = maximum;
    if (!m_progressPainted.isValid() || m_progressPainted.elapsed() >= 40)
        flushProgress();
    else if (!m_progressRefresh->isActive())
        m_progressRefresh->start(int(40 - m_progressPainted.elapsed()));
}

void PVorne::flushProgress()
{
    m_progressRefresh->stop();
    m_progressPainted.start();
    ui->run_progressBar->setMaximum(m_progressMaximum);
    ui->run_progressBar->setValue(m_progressValue);
}

void PVorne::runComplete()
{
    m_resultsBar->writeHeldStep();
    m_cancelRepeat->stop();
    flushProgress();
    ui->settings_tab->setEnabled(true);
    ui->input_edit_frame->setEnabled(!m_inputModels.isEmpty());
    enablePlaneRows(true);
    ui->graph_selection_frame->setEnabled(true);
    ui->graph_parameters_tab->setEnabled(true);

    ui->run_progressBar->hide();
    ui->run_pushButton->show();
    ui->cancel_run_pushButton->hide();
    ui->pause_run_pushButton->hide();
    ui->resume_run_pushButton->hide();

    m_runState = Idle;
    refreshPortTitles();
    reportBatchEnd();
    ui->input_output_tabWidget->setCurrentWidget(ui->output_tab);
    if (!m_outputModels.isEmpty())
        ui->output_tabWidget->setCurrentIndex(0);
    m_runLock.unlock();
}
