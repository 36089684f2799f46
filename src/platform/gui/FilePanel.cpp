#include "platform/gui/FilePanel.h"

#include "platform/gui/Alert.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

namespace {
SavePanel::Responder& saveResponder()
{
    static SavePanel::Responder current;
    return current;
}
OpenPanel::Responder& openResponder()
{
    static OpenPanel::Responder current;
    return current;
}
} // namespace

void SavePanel::setTestResponder(Responder responder)
{
    saveResponder() = std::move(responder);
}

QString SavePanel::withAllowedType(const QString& path) const
{
    if (path.isEmpty() || m_type.isEmpty())
        return path;
    const QString suffix = QLatin1Char('.') + m_type;
    return path.endsWith(suffix) ? path : path + suffix;
}

QString SavePanel::runModal(QWidget* window)
{
    if (saveResponder()) {
        const QString chosen = withAllowedType(saveResponder()(*this));
        return chosen.isEmpty() || !validate(chosen).isEmpty() ? QString() : chosen;
    }
    QFileDialog dialog(window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // the caller asks or trashes itself
    dialog.setDirectory(m_directory.isEmpty() ? QDir::homePath() : m_directory);
    dialog.selectFile(m_name);
    if (!m_prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, m_prompt);
    if (!m_type.isEmpty()) {
        dialog.setDefaultSuffix(m_type);
        dialog.setNameFilter(QStringLiteral("*.%1").arg(m_type));
    }
    if (window)
        dialog.setWindowModality(Qt::WindowModal);
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen = withAllowedType(dialog.selectedFiles().constFirst());
        const QString refusal = validate(chosen);
        if (refusal.isEmpty())
            return chosen;
        Alert alert;
        alert.setMessageText(refusal);
        alert.runModalSheetForWindow(&dialog);
    }
    return {};
}

void OpenPanel::setTestResponder(Responder responder)
{
    openResponder() = std::move(responder);
}

QString OpenPanel::runModal(QWidget* window)
{
    if (openResponder())
        return openResponder()(*this);
    return QFileDialog::getExistingDirectory(window, m_title.isEmpty() ? QStringLiteral("Open") : m_title,
                                             m_directory.isEmpty() ? QDir::homePath() : m_directory,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

} // namespace platform
