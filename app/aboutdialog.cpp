#include "app/aboutdialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QPixmap>

#include "app/commandline.h"
#include "kora/string.h"
#include "mainwindow/aboutdialogfactory.h"
#include "ui_aboutdialog.h"

namespace {

const QString kLogo = QStringLiteral(":/resources/vorne-small150-icon.png");

QDialog* newAboutDialog(QWidget* parent)
{
    return new AboutDialog(parent);
}

// Registered when the library loads, before the main widget can be shown.
const bool g_registered = (VORNE::setAboutDialogFactory(&newAboutDialog), true);

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), m_ui(new Ui_AboutDialog)
{
    m_ui->setupUi(this);

    m_ui->InfoFrame->hide();
    m_ui->ContactFrame->hide();

    if (QFile::exists(kLogo)) {
        const QPixmap logo(kLogo);
        m_ui->LogoLabel->setPixmap(logo);
        m_ui->LogoLabel->setMinimumSize(logo.size());
        m_ui->LogoLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        m_ui->LogoLabel->updateGeometry();
    }

    m_ui->TitleLabel->setTextFormat(Qt::RichText);
    m_ui->TitleLabel->setText(
        QStringLiteral("<p align=\"center\"><span style=\"font-size:12pt; font-weight:600;\">VORNE</span>"
                       " &mdash; ") +
        tr("runs one image-processing graph over a batch of inputs") + QStringLiteral("<br/></p>"));
    m_ui->InfoFrame->show();

    m_ui->BuildDate_Label->setText(VORNE::buildDate());
    m_ui->Version_Label->setText(VORNE::versionString());
    m_ui->BinaryPath_Label->setText(QCoreApplication::applicationFilePath());
    m_ui->KORADIR_Label->setText(QString::fromStdString(KORA::CString::GetEnv("KORADIR")));

    m_ui->labelContact->setTextFormat(Qt::RichText);
    // The project has no postal or mail address of its own: it is reached through its repository.
    m_ui->labelContact->setText(QStringLiteral("<h3>Contact</h3>") +
                                tr("The source code and this program's README live in the VORNE repository.<br/>"
                                   "Questions, bug reports and wishes go to that repository's issue tracker."));
    m_ui->ContactFrame->show();

    setWindowTitle(tr("About ") + QStringLiteral("VORNE"));
}

AboutDialog::~AboutDialog()
{
    delete m_ui;
}
