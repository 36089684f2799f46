#include "app/RBPreferencesWindow.h"

#include "CodeTextView/KVCodeView.h"
#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString kFontSize = QStringLiteral("KVCodeEditorFontSize");
const QString kInvisibles = QStringLiteral("KVCodeEditorShowInvisibles");
const QString kAutoClose = QStringLiteral("KVCodeEditorAutoCloseCharactersEnabledWrapper");
const QString kWelcome = QStringLiteral("WelcomeWindowShowOnStartup");
const QString kDataCollectionDisabled = QStringLiteral("RBDataCollectionDisabled");

QCheckBox* checkBox(const QString& title, bool checked, QWidget* parent, std::function<void(bool)> changed)
{
    auto* box = new QCheckBox(title, parent);
    box->setChecked(checked);
    QObject::connect(box, &QCheckBox::toggled, parent, std::move(changed));
    return box;
}
} // namespace

QWidget* RBPreferencesWindow::create(platform::UserDefaults& defaults, QWidget* parent)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("preferences"));
    dialog->setWindowTitle(QStringLiteral("Preferences"));
    auto* layout = new QVBoxLayout(dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    auto* fontSize = new QSpinBox(dialog);
    fontSize->setObjectName(QStringLiteral("fontSize"));
    fontSize->setRange(int(KVCodeView::MinimumFontSize), int(KVCodeView::MaximumFontSize));
    fontSize->setSuffix(QStringLiteral(" pt"));
    fontSize->setValue(defaults.hasKey(kFontSize) ? int(defaults.doubleForKey(kFontSize)) : 12);
    QObject::connect(fontSize, &QSpinBox::valueChanged, dialog,
                     [&defaults](int value) { defaults.setDouble(kFontSize, value); });
    form->addRow(QStringLiteral("Editor font size:"), fontSize);

    auto* invisibles = checkBox(QStringLiteral("Show invisible characters"), defaults.boolForKey(kInvisibles), dialog,
                                [&defaults](bool on) { defaults.setBool(kInvisibles, on); });
    invisibles->setObjectName(QStringLiteral("invisibles"));
    form->addRow(QString(), invisibles);
    auto* autoClose = checkBox(QStringLiteral("Close brackets and quotes while typing"),
                               !defaults.hasKey(kAutoClose) || defaults.boolForKey(kAutoClose), dialog,
                               [&defaults](bool on) { defaults.setBool(kAutoClose, on); });
    autoClose->setObjectName(QStringLiteral("autoClose"));
    form->addRow(QString(), autoClose);
    auto* welcome = checkBox(QStringLiteral("Show the welcome window at start-up"),
                             !defaults.hasKey(kWelcome) || defaults.boolForKey(kWelcome), dialog,
                             [&defaults](bool on) { defaults.setBool(kWelcome, on); });
    welcome->setObjectName(QStringLiteral("welcome"));
    form->addRow(QString(), welcome);
    auto* usage = checkBox(QStringLiteral("Share anonymous usage data"), !defaults.boolForKey(kDataCollectionDisabled),
                           dialog, [&defaults](bool on) {
                               defaults.setBool(kDataCollectionDisabled, !on);
                               defaults.synchronize();
                           });
    usage->setObjectName(QStringLiteral("usage"));
    form->addRow(QString(), usage);
    auto* note = new QLabel(QStringLiteral("A change to usage data takes effect at the next start."), dialog);
    note->setEnabled(false);
    form->addRow(QString(), note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    return dialog;
}

QWidget* RBPreferencesWindow::show(platform::UserDefaults& defaults)
{
    static QPointer<QWidget> window;
    if (!window) {
        window = create(defaults);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
