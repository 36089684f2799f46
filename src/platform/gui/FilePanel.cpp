#include "platform/gui/FilePanel.h"

#include "platform/gui/ModalQuestions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QSortFilterProxyModel>

namespace platform {

namespace {

// Greys out the entries the panel's owner does not want picked.
class EnablingProxyModel : public QSortFilterProxyModel {
public:
    EnablingProxyModel(const SavePanel& panel, QObject* parent) : QSortFilterProxyModel(parent), m_panel(panel) {}

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QSortFilterProxyModel::flags(index);
        const QString path = index.data(QFileSystemModel::FilePathRole).toString();
        if (!path.isEmpty() && !m_panel.shouldEnablePath(path))
            flags &= ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        return flags;
    }

private:
    const SavePanel& m_panel;
};

// The dialog keeps itself open on a refused name and shows why in its note.
class SaveDialog : public QFileDialog {
public:
    SaveDialog(SavePanel& panel, QWidget* parent) : QFileDialog(parent), m_panel(panel) {}

    QLabel* note()
    {
        if (m_note)
            return m_note;
        m_note = new QLabel(this);
        m_note->setObjectName(QStringLiteral("savePanelNote"));
        m_note->setWordWrap(true);
        m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_note->setContentsMargins(4, 6, 4, 6);
        m_note->setAttribute(Qt::WA_TranslucentBackground);
        m_note->setAutoFillBackground(false);
        m_note->setFixedWidth(SavePanel::kNoteWidth);
        m_note->setMinimumHeight(SavePanel::kNoteHeight);
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(m_note, grid->rowCount(), 0, 1, grid->columnCount());
        else if (layout())
            layout()->addWidget(m_note);
        return m_note;
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QString refusal = m_panel.validate(m_panel.withAllowedType(files.constFirst()));
            if (!refusal.isEmpty()) {
                note()->setText(refusal);
                note()->show();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    SavePanel& m_panel;
    QLabel* m_note = nullptr;
};

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
    m_note.clear();
    if (saveResponder()) {
        QString refused;
        for (;;) {
            const QString chosen = withAllowedType(saveResponder()(*this));
            if (chosen.isEmpty())
                return {};
            const QString refusal = validate(chosen);
            if (refusal.isEmpty())
                return chosen;
            if (chosen == refused)
                return {};
            refused = chosen;
            m_note = refusal;
        }
    }
    SaveDialog dialog(*this, window);
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
    if (m_shouldEnable)
        dialog.setProxyModel(new EnablingProxyModel(*this, &dialog));
    if (window)
        dialog.setWindowModality(Qt::WindowModal);
    if (ModalQuestions::isCancellingEveryQuestion())
        return {};
    const ModalQuestions::Scope open([&dialog] { dialog.reject(); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    // The dialog has refused whatever its validator refused.
    return withAllowedType(dialog.selectedFiles().constFirst());
}

void OpenPanel::setTestResponder(Responder responder)
{
    openResponder() = std::move(responder);
}

QString OpenPanel::runModal(QWidget* window)
{
    if (openResponder())
        return openResponder()(*this);
    if (ModalQuestions::isCancellingEveryQuestion())
        return {};
    QFileDialog dialog(window, m_title.isEmpty() ? QStringLiteral("Open") : m_title,
                       m_directory.isEmpty() ? QDir::homePath() : m_directory);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    const ModalQuestions::Scope open([&dialog] { dialog.reject(); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace platform
