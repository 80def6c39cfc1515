#pragma once
// The row under the output lists that gets the numbers of a batch out of the window: Export table... (CSV
// or TSV), Copy table (TSV, which spreadsheets paste as cells) and Save report.... It records each step of
// the batch as vorne-batch's journal would, so that both give the same table; enabled once a step is in.
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>

#include "results/recordspool.h"

class QPushButton;

namespace VORNE {

class GraphExecutor;
class Item;

class ResultsBar : public QWidget
{
    Q_OBJECT

public:
    explicit ResultsBar(QWidget* parent = nullptr);
    ~ResultsBar() override;

    // A new batch, configured on the executor; planeChoices (ItemModel::planeChoiceText of every input
    // port) go into the digest, as they change what the same files give.
    void begin(const GraphExecutor& executor, const QStringList& inputNames, const QStringList& outputNames,
               const QString& planeChoices);
    // One finished step; a step aborted before it gave anything is not recorded.
    void addStep(int index, const QList<Item*>& inputs, const QList<Item*>& outputs, const GraphExecutor& executor);
    // addStep in two halves, for a caller that starts the next step in between: holdStep takes what the
    // executor and the outputs say of the step (they change or may go once the next step runs), and
    // writeHeldStep does the costly rest (the inputs' checksums, the record on disk). The inputs must
    // live until then. Holding a step writes one still held; writing without one does nothing.
    void holdStep(int index, const QList<Item*>& inputs, const QList<Item*>& outputs, const GraphExecutor& executor);
    void writeHeldStep();
    // The outputs are gone.
    void clear();

    // Throw std::runtime_error naming the file.
    void saveTable(const QString& path) const;
    void saveReport(const QString& folder) const;

public slots:
    void exportTable();
    void copyTable();
    void exportReport();

private:
    void updateButtons();
    void warn(const std::exception& e);

    struct HeldStep;
    std::unique_ptr<HeldStep> m_held;
    RecordSpool m_records;
    QElapsedTimer m_clock;
    qint64 m_duration = 0;
    QPushButton* m_exportButton;
    QPushButton* m_copyButton;
    QPushButton* m_reportButton;
};

} // namespace VORNE
