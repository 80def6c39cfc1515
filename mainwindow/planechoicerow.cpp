#include "mainwindow/planechoicerow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include <limits>
#include <utility>

#include "items/itemmodel.h"

namespace VORNE {

PlaneChoiceRow::PlaneChoiceRow(ItemModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_check(new QCheckBox(tr("Channel and time point of stacks:"), this))
    , m_channel(new QSpinBox(this))
    , m_time(new QSpinBox(this))
{
    m_check->setObjectName(QStringLiteral("plane_checkBox"));
    m_check->setToolTip(tr("Multi-channel and time-lapse TIFF files (ImageJ, OME) of this port give the Z stack "
                           "of this channel at this time point, counted from 0"));
    m_channel->setObjectName(QStringLiteral("channel_spinBox"));
    m_time->setObjectName(QStringLiteral("time_spinBox"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_check);
    for (const auto& [label, box] : {std::make_pair(tr("Channel"), m_channel), std::make_pair(tr("Time point"), m_time)}) {
        box->setRange(0, std::numeric_limits<int>::max());
        box->setEnabled(false);
        auto* text = new QLabel(label, this);
        text->setBuddy(box);
        layout->addWidget(text);
        layout->addWidget(box);
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &PlaneChoiceRow::apply);
    }
    layout->addStretch();
    connect(m_check, &QCheckBox::toggled, this, [this](bool on) {
        m_channel->setEnabled(on);
        m_time->setEnabled(on);
        apply();
    });
}

void PlaneChoiceRow::apply()
{
    m_model->setPlaneChoice(m_check->isChecked() ? m_channel->value() : -1, m_time->value());
    emit choiceChanged();
}

} // namespace VORNE
