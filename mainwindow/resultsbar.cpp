#include "mainwindow/resultsbar.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>

#include "executor/graphexecutor.h"
#include "results/batchheader.h"
#include "results/indexrecord.h"
#include "results/recordindex.h"
#include "results/report.h"
#include "results/resultstable.h"

namespace VORNE {

struct ResultsBar::HeldStep
{
    int index = 0;
    QList<Item*> inputs;
    QVector<InputPixelSize> pixelSizes;
    StepOutcome outcome;
    qint64 ms = 0;
};

ResultsBar::~ResultsBar() = default;

ResultsBar::ResultsBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_exportButton = new QPushButton(tr("Export table..."), this);
    m_exportButton->setObjectName(QStringLiteral("export_table_pushButton"));
    m_copyButton = new QPushButton(tr("Copy table"), this);
    m_copyButton->setObjectName(QStringLiteral("copy_table_pushButton"));
    m_reportButton = new QPushButton(tr("Save report..."), this);
    m_reportButton->setObjectName(QStringLiteral("save_report_pushButton"));
    layout->addWidget(m_exportButton);
    layout->addWidget(m_copyButton);
    layout->addWidget(m_reportButton);
    layout->addStretch();
    connect(m_exportButton, &QPushButton::clicked, this, &ResultsBar::exportTable);
    connect(m_copyButton, &QPushButton::clicked, this, &ResultsBar::copyTable);
    connect(m_reportButton, &QPushButton::clicked, this, &ResultsBar::exportReport);
    updateButtons();
}

void ResultsBar::begin(const GraphExecutor& executor, const QStringList& inputNames, const QStringList& outputNames,
                       const QString& planeChoices)
{
    m_held.reset();
    BatchHeader header;
    header.graph = executor.graphPath();
    QFile graph(header.graph);
    header.parameters = parameterText(executor.graphParameters());
    header.digest = runDigest(graph.open(QIODevice::ReadOnly) ? graph.readAll() : QByteArray(),
                              header.parameters + planeChoices, executor.outputNames());
    header.inputs = inputNames;
    header.outputs = outputNames;
    header.hosts << QSysInfo::machineHostName();
    header.started = QDateTime::currentDateTimeUtc();
    try {
        m_records.begin(header);
    } catch (const std::exception& e) {
        warn(e);
    }
    m_clock.start();
    updateButtons();
}

void ResultsBar::addStep(int index, const QList<Item*>& inputs, const QList<Item*>& outputs,
                         const GraphExecutor& executor)
{
    holdStep(index, inputs, outputs, executor);
    writeHeldStep();
}

void ResultsBar::holdStep(int index, const QList<Item*>& inputs, const QList<Item*>& outputs,
                          const GraphExecutor& executor)
{
    writeHeldStep();
    if (executor.aborted() && outputs.isEmpty())
        return;
    try {
        m_held.reset(new HeldStep{index, inputs, executor.inputPixelSizes(),
                                  stepOutcome(outputs, executor.error(), executor.errorMessage()),
                                  executor.executionTime()});
    } catch (const std::exception& e) {
        warn(e);
    }
}

void ResultsBar::writeHeldStep()
{
    if (!m_held)
        return;
    const std::unique_ptr<HeldStep> step = std::move(m_held);
    try {
        nlohmann::json inputRecord = inputsRecord(step->inputs);
        addPixelSizes(inputRecord, pixelSizeFields(step->pixelSizes));
        m_records.append(indexRecord(step->index, inputRecord, step->outcome, step->ms));
    } catch (const std::exception& e) {
        warn(e);
    }
    m_duration = m_clock.elapsed();
    updateButtons();
}

void ResultsBar::clear()
{
    m_held.reset();
    m_records.clear();
    updateButtons();
}

void ResultsBar::updateButtons()
{
    const bool any = m_records.size() > 0;
    m_exportButton->setEnabled(any);
    m_copyButton->setEnabled(any);
    m_reportButton->setEnabled(any);
}

void ResultsBar::warn(const std::exception& e)
{
    QMessageBox::warning(this, tr("VORNE"), QString::fromStdString(e.what()));
}

void ResultsBar::saveTable(const QString& path) const
{
    RecordIndex records;
    m_records.read(records);
    VORNE::saveTable(records, path);
}

void ResultsBar::saveReport(const QString& folder) const
{
    RecordIndex records;
    m_records.read(records);
    ReportWriter report(records, folder);
    report.setRun(m_records.size() - m_records.failed(), m_records.failed(), 0, m_duration);
    report.write();
}

void ResultsBar::exportTable()
{
    QString filter;
    QString path = QFileDialog::getSaveFileName(this, tr("Export table"), QString(),
                                                tr("Comma-separated values (*.csv);;Tab-separated values (*.tsv)"),
                                                &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.contains(QLatin1String("*.tsv")) ? QLatin1String(".tsv") : QLatin1String(".csv");
    try {
        saveTable(path);
    } catch (const std::exception& e) {
        warn(e);
    }
}

void ResultsBar::copyTable()
{
    try {
        RecordIndex records;
        m_records.read(records);
        QApplication::clipboard()->setText(tableText(records, TableFormat::Tsv));
    } catch (const std::exception& e) {
        warn(e);
    }
}

void ResultsBar::exportReport()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Save report"));
    if (folder.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        saveReport(folder);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        warn(e);
        return;
    }
    QApplication::restoreOverrideCursor();
}

} // namespace VORNE
