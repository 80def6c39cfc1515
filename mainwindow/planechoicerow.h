#pragma once
// The row under an input port's list that chooses the channel and time point its multi-channel and
// time-lapse image files give (ItemModel::setPlaneChoice): unticked, the port has no choice and such files
// fail their index with a message that points here. The row belongs to the port's page, so it lives and
// goes with the port's list.
#include <QWidget>

class QCheckBox;
class QSpinBox;

namespace VORNE {

class ItemModel;

class PlaneChoiceRow : public QWidget
{
    Q_OBJECT

public:
    // model outlives the row (both belong to the port's page and the main widget).
    explicit PlaneChoiceRow(ItemModel* model, QWidget* parent = nullptr);

signals:
    // The port's choice is another one now.
    void choiceChanged();

private:
    void apply();

    ItemModel* m_model;
    QCheckBox* m_check;
    QSpinBox* m_channel;
    QSpinBox* m_time;
};

} // namespace VORNE
