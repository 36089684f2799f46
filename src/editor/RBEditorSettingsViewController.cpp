#include "editor/RBEditorSettingsViewController.h"

#include "messages/ProjectConfig.h"
#include "platform/gui/ColorExtras.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>

#include <cmath>

RBEditorSettingsViewController::RBEditorSettingsViewController(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RBEditorSettingsView"));
    auto* layout = new QFormLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    m_refreshCheckBox = new QCheckBox(tr("Refresh the preview automatically"), this);
    m_delayField = new QDoubleSpinBox(this);
    // A stored delay of 0 reads back as refresh off, so the smallest delay is one step above it.
    m_delayField->setRange(kMinimumDelay, 10.0);
    m_delayField->setSingleStep(0.1);
    m_delayField->setDecimals(2);
    m_delayField->setSuffix(tr(" s"));
    layout->addRow(m_refreshCheckBox);
    layout->addRow(tr("Delay after typing:"), m_delayField);
    connect(m_refreshCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { setValue(QStringLiteral("isRefreshEnabled"), on); });
    connect(m_delayField, &QDoubleSpinBox::valueChanged, this,
            [this](double v) { setValue(ProjectConfig::UpdateDelay, v); });
    showValues();
}

RBEditorDocument* RBEditorSettingsViewController::document() const
{
    return m_document.get();
}

void RBEditorSettingsViewController::setDocument(RBEditorDocument* document)
{
    m_document.attach(document ? document->documentObject() : nullptr, document);
    // A missing or unreadable value counts as refresh off.
    const double value = document ? document->config().updateDelay().value_or(0) : 0;
    m_isRefreshEnabled = value > 0;
    m_updateDelay = m_isRefreshEnabled ? value : kDefaultDelay;
    showValues();
}

void RBEditorSettingsViewController::setValue(const QString& keyPath, const QVariant& value)
{
    if (m_showing)
        return; // the controls echo what was just shown
    if (keyPath == u"isRefreshEnabled" && value.canConvert<bool>()) {
        m_isRefreshEnabled = value.toBool();
    } else if (keyPath == ProjectConfig::UpdateDelay && value.canConvert<double>()) {
        bool ok = false;
        const double delay = value.toDouble(&ok);
        if (!ok || !std::isfinite(delay) || delay < kMinimumDelay)
            return;
        m_updateDelay = delay;
    } else {
        return;
    }
    writeConfig();
    showValues();
}

void RBEditorSettingsViewController::writeConfig()
{
    if (!m_document)
        return;
    m_document->config().setValue(ProjectConfig::UpdateDelay, m_isRefreshEnabled ? m_updateDelay : -1.0);
}

void RBEditorSettingsViewController::showValues()
{
    m_showing = true;
    m_refreshCheckBox->setChecked(m_isRefreshEnabled);
    m_delayField->setValue(m_updateDelay);
    m_delayField->setEnabled(m_isRefreshEnabled);
    m_showing = false;
}
