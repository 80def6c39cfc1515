#include "mainwindow/filenamepatternwidget.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSignalBlocker>
#include <QStyle>

#include "ui_filenamepatternwidget.h"

namespace VORNE {

FilenamePatternWidget::FilenamePatternWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::FilenamePatternWidget)
{
    ui->setupUi(this);
    QStyle* style = QApplication::style();
    ui->prev_port_pushButton->setIcon(style->standardIcon(QStyle::SP_ArrowBack));
    ui->next_port_pushButton->setIcon(style->standardIcon(QStyle::SP_ArrowForward));
    ui->choose_directory_pushButton->setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));

    connect(ui->port_comboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &FilenamePatternWidget::loadPattern);
    connect(ui->prev_port_pushButton, &QPushButton::clicked, this, &FilenamePatternWidget::loadPrevPort);
    connect(ui->next_port_pushButton, &QPushButton::clicked, this, &FilenamePatternWidget::loadNextPort);
    connect(ui->as_default_checkBox, &QCheckBox::stateChanged, this, &FilenamePatternWidget::asDefaultChanged);
    connect(ui->choose_directory_pushButton, &QPushButton::clicked, this,
            &FilenamePatternWidget::chooseDirectory);
    connect(ui->directory_lineEdit, &QLineEdit::textChanged, this, &FilenamePatternWidget::checkDirectory);
    connect(ui->directory_lineEdit, &QLineEdit::textChanged, this, &FilenamePatternWidget::saveDirectory);
    connect(ui->filename_lineEdit, &QLineEdit::textChanged, this, &FilenamePatternWidget::saveFilename);
    connect(ui->suffix_comboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &FilenamePatternWidget::saveSuffix);

    setPortsCount(0, nullptr);
}

FilenamePatternWidget::~FilenamePatternWidget()
{
    qDeleteAll(m_entries);
    delete ui;
}

QList<OutputPattern> FilenamePatternWidget::outputNames() const
{
    QList<OutputPattern> names;
    if (m_defaultPort >= 0 && m_defaultPort < m_entries.size()) {
        names << *m_entries[m_defaultPort];
        return names;
    }
    for (const OutputPattern* entry : m_entries)
        names << *entry;
    return names;
}

OutputPattern* FilenamePatternWidget::newEntry() const
{
    auto* entry = new OutputPattern;
    entry->directory = QDir::tempPath();
    entry->pattern = QStringLiteral("%i0_%o");
    entry->suffix = ui->suffix_comboBox->count() > 0 ? ui->suffix_comboBox->itemText(0) : QString();
    return entry;
}

OutputPattern* FilenamePatternWidget::currentEntry() const
{
    return m_entries.value(m_currentPort, nullptr);
}

void FilenamePatternWidget::setNavigationEnabled(bool enabled)
{
    ui->port_comboBox->setEnabled(enabled);
    ui->prev_port_pushButton->setEnabled(enabled);
    ui->next_port_pushButton->setEnabled(enabled);
}

void FilenamePatternWidget::setPortsCount(int ports, QList<QString>* pOutput_names)
{
    const int count = qMax(0, ports);
    if (m_defaultPort >= 0 && m_defaultPort >= count) {
        m_defaultPort = -1;
        setNavigationEnabled(true);
        // The box must not claim a default that no longer exists; its signal would find none to clear.
        const QSignalBlocker blocker(ui->as_default_checkBox);
        ui->as_default_checkBox->setChecked(false);
    }
    if (m_defaultPort < 0)
        m_currentPort = 0;
    {
        // Growing or shrinking the list must not load a half-built entry list.
        const QSignalBlocker blocker(ui->port_comboBox);
        while (m_entries.size() < count) {
            m_entries << newEntry();
            ui->port_comboBox->addItem(QString());
        }
        while (m_entries.size() > count) {
            ui->port_comboBox->removeItem(ui->port_comboBox->count() - 1);
            delete m_entries.takeLast();
        }
    }
    for (int port = 0; port < count; ++port) {
        QString text = tr("Output %1").arg(port);
        if (pOutput_names && port < pOutput_names->size() && !pOutput_names->at(port).isEmpty())
            text += QStringLiteral(": ") + pOutput_names->at(port);
        ui->port_comboBox->setItemText(port, text);
    }
    setEnabled(count >= 1);
    loadPattern(m_currentPort);
    ui->port_comboBox->updateGeometry();
    ui->port_comboBox->adjustSize();
}

void FilenamePatternWidget::saveDirectory()
{
    if (OutputPattern* entry = currentEntry())
        entry->directory = ui->directory_lineEdit->text();
}

void FilenamePatternWidget::saveFilename()
{
    if (OutputPattern* entry = currentEntry())
        entry->pattern = ui->filename_lineEdit->text();
}

void FilenamePatternWidget::saveSuffix()
{
    if (OutputPattern* entry = currentEntry())
        entry->suffix = ui->suffix_comboBox->currentText();
}

void FilenamePatternWidget::loadPattern(int port)
{
    if (m_defaultPort >= 0 || port < 0 || port >= m_entries.size())
        return;
    m_currentPort = port;
    {
        const QSignalBlocker blocker(ui->port_comboBox);
        ui->port_comboBox->setCurrentIndex(port);
    }
    // Copies: the line edits' signals write back into the very entry being read.
    const OutputPattern entry = *m_entries[port];
    ui->directory_lineEdit->setText(entry.directory);
    ui->filename_lineEdit->setText(entry.pattern);
    const int suffix = ui->suffix_comboBox->findText(entry.suffix, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (suffix >= 0) {
        ui->suffix_comboBox->setCurrentIndex(suffix);
    }
    // Without a matching item the combo box keeps its selection; the entry keeps its own suffix.
}

void FilenamePatternWidget::loadNextPort()
{
    if (m_entries.isEmpty())
        return;
    loadPattern(m_currentPort + 1 >= m_entries.size() ? 0 : m_currentPort + 1);
}

void FilenamePatternWidget::loadPrevPort()
{
    if (m_entries.isEmpty())
        return;
    loadPattern(m_currentPort - 1 < 0 ? m_entries.size() - 1 : m_currentPort - 1);
}

void FilenamePatternWidget::chooseDirectory()
{
    const OutputPattern* entry = currentEntry();
    if (entry == nullptr)
        return;
    const QString directory = QFileDialog::getExistingDirectory(
        this, tr("Output directory - Port %1").arg(m_currentPort), entry->directory,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!directory.isEmpty())
        ui->directory_lineEdit->setText(directory);
}

void FilenamePatternWidget::checkDirectory()
{
    QFont font = ui->directory_lineEdit->font();
    font.setItalic(!QDir(ui->directory_lineEdit->text()).exists());
    ui->directory_lineEdit->setFont(font);
}

void FilenamePatternWidget::asDefaultChanged(int state)
{
    const bool asDefault = state == Qt::Checked;
    m_defaultPort = asDefault ? m_currentPort : -1;
    setNavigationEnabled(!asDefault);
}

} // namespace VORNE
