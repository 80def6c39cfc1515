#pragma once
// The About box: logo, what VORNE is, build date, version, the running executable, the suite's
// installation root, and where to reach the project.
#include <QDialog>

class Ui_AboutDialog;

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent);
    ~AboutDialog() override;

private:
    // The widgets it points to are the dialog's children.
    Ui_AboutDialog* m_ui;
};
