#include "mainwindow/settingswidgetr.h"

#include "ui_settingswidgetr.h"

namespace VORNE {

SettingsWidgetR::SettingsWidgetR(QWidget* parent) : QWidget(parent), ui(new Ui::SettingsWidgetR)
{
    ui->setupUi(this);
    layout()->setContentsMargins(0, 0, 0, 0);
}

SettingsWidgetR::~SettingsWidgetR()
{
    delete ui;
}

int SettingsWidgetR::maxThreads() const
{
    return ui->threads_spinBox->value();
}

QList<OutputPattern> SettingsWidgetR::outputNames() const
{
    return ui->output_filename_pattern_widget->outputNames();
}

void SettingsWidgetR::setPortsCount(int, int output_ports, QList<QString>*, QList<QString>* pOutput_names)
{
    ui->output_filename_pattern_widget->setPortsCount(output_ports, pOutput_names);
}

void SettingsWidgetR::executionModeChanged()
{
    ui->threads_spinBox->setEnabled(true);
}

} // namespace VORNE
