#pragma once
// Edits how the files of each output port are named: one OutputPattern per port, shown one port at a
// time. Every keystroke is stored at once; nothing is kept on disk. With "as default" checked, the entry
// of that port names the files of every port.
#include <QList>
#include <QString>
#include <QWidget>

#include "executor/outputpattern.h"

namespace Ui {
class FilenamePatternWidget;
}

namespace VORNE {

class FilenamePatternWidget : public QWidget
{
    Q_OBJECT

public:
    explicit FilenamePatternWidget(QWidget* parent = nullptr);
    ~FilenamePatternWidget() override;

    // What the executor gets: all entries in port order, or only the default port's entry.
    QList<OutputPattern> outputNames() const;

public slots:
    // Keeps the entries of ports that still exist; names, when given, hold at least one name per port.
    void setPortsCount(int ports, QList<QString>* pOutput_names);

protected slots:
    void saveDirectory();
    void saveFilename();
    void saveSuffix();
    void loadPattern(int port);
    void loadNextPort();
    void loadPrevPort();
    void chooseDirectory();
    void checkDirectory();
    void asDefaultChanged(int state);

private:
    OutputPattern* currentEntry() const;
    OutputPattern* newEntry() const;
    void setNavigationEnabled(bool enabled);

    Ui::FilenamePatternWidget* ui;
    qint32 m_currentPort = 0;
    qint32 m_defaultPort = -1;
    QList<OutputPattern*> m_entries;
};

} // namespace VORNE
