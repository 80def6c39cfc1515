#pragma once
// The settings tab: worker threads for the scheduler and the output file name patterns. The main widget
// reads it once before each batch, so edits during a batch count for the next one.
#include <QList>
#include <QString>
#include <QWidget>

#include "executor/outputpattern.h"

namespace Ui {
class SettingsWidgetR;
}

namespace VORNE {

class SettingsWidgetR : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWidgetR(QWidget* parent = nullptr);
    ~SettingsWidgetR() override;

    int maxThreads() const;
    QList<OutputPattern> outputNames() const;
    // Every batch runs as an Ostrel graph; the CPGraph kind is only reachable through the executor.
    bool useOstrelExecutor() const { return true; }
    bool useCPGraphExecutor() const { return false; }

public slots:
    // Only the output side matters here.
    void setPortsCount(int input_ports, int output_ports, QList<QString>* pInput_names,
                       QList<QString>* pOutput_names);

protected slots:
    void executionModeChanged();

private:
    Ui::SettingsWidgetR* ui;
};

} // namespace VORNE
