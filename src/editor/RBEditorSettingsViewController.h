#pragma once

#include "editor/RBEditorDocument.h"
#include "platform/AttachedInterface.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;

// The content of the editor settings pop-over: whether the preview follows the code by itself
// and after what delay, kept in the project setting "updateDelay" (the delay in seconds while
// refresh is on, -1 while it is off).
class RBEditorSettingsViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr double kDefaultDelay = 0.3;
    // The shortest delay the user can choose while refresh is on.
    static constexpr double kMinimumDelay = 0.01;

    explicit RBEditorSettingsViewController(QWidget* parent = nullptr);

    RBEditorDocument* document() const;
    // Keeps the document and shows its setting.
    void setDocument(RBEditorDocument* document);

    bool isRefreshEnabled() const { return m_isRefreshEnabled; }
    double updateDelay() const { return m_updateDelay; }
    // Changes one of the two ("isRefreshEnabled", "updateDelay") as the controls do, then
    // writes the setting. Unknown keys and values of the wrong kind are ignored.
    void setValue(const QString& keyPath, const QVariant& value);

    QCheckBox* refreshCheckBox() const { return m_refreshCheckBox; }
    QDoubleSpinBox* delayField() const { return m_delayField; }

private:
    void writeConfig();
    void showValues();

    platform::AttachedInterface<RBEditorDocument> m_document;
    bool m_isRefreshEnabled = false;
    double m_updateDelay = kDefaultDelay;
    bool m_showing = false;
    QCheckBox* m_refreshCheckBox = nullptr;
    QDoubleSpinBox* m_delayField = nullptr;
};
