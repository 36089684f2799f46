#include "EditorHarness.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "messages/RBDocumentStateUpdate.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/Alert.h"
#include "support/TestSupport.h"

#include <QTest>
#include <QWidget>

PreviewStandIn::PreviewStandIn(CodeTranspiler* transpiler, QObject* document)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(CodeTranspiler::kTranspilationFailureNotification, transpiler,
                       [this, document](const platform::Notification& n) {
                           const QVariantMap location = n.userInfo.value(QStringLiteral("location")).toMap();
                           RBDocumentStateUpdate update;
                           update.setState(RBDocumentStateError);
                           update.setType(QStringLiteral("syntax"));
                           update.setMessage(n.userInfo.value(QStringLiteral("message")).toString());
                           update.setLineIndex(quint64(location.value(QStringLiteral("first_line")).toInt() + 1));
                           update.setColumnIndex(quint64(location.value(QStringLiteral("first_column")).toInt() + 1));
                           ++failures;
                           update.post(document);
                       },
                       &m_owner);
    center.addObserver(CodeTranspiler::kTranspilationSuccessNotification, transpiler,
                       [this, transpiler, document](const platform::Notification&) {
                           RBDocumentStateUpdate update;
                           update.setState(RBDocumentStateOk);
                           update.setDuration(transpiler->duration());
                           ++successes;
                           update.post(document);
                       },
                       &m_owner);
}

PreviewStandIn::~PreviewStandIn()
{
    platform::NotificationCenter::defaultCenter().removeObserver(&m_owner);
}

void EditorTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    defaults = std::make_unique<platform::UserDefaults>(dir.filePath("defaults.json"));
    document = std::make_unique<RBDocument>();
    controller = std::make_unique<RBCodeEditViewController>(document.get(), nullptr, defaults.get());
    preview = std::make_unique<PreviewStandIn>(controller->transpiler(), document.get());
    controller->view()->resize(720, 480);
    controller->view()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->view()));
    platform::Alert::setTestResponder([this](const platform::Alert& alert) {
        alerts << alert.messageText() + " | " + alert.informativeText();
        return platform::Alert::kFirstButtonReturn;
    });
}

void EditorTest::TearDown()
{
    platform::Alert::setTestResponder({});
    preview.reset();
    controller.reset();
    document.reset();
}

bool EditorTest::waitForCompile(int failuresBefore, int successesBefore, int timeoutMs)
{
    return testsupport::waitUntil(
        [&] { return preview->failures + preview->successes > failuresBefore + successesBefore; }, timeoutMs);
}

bool EditorTest::loadCompiled(const QString& code)
{
    const int successes = preview->successes;
    controller->setContent(code);
    return testsupport::waitUntil([&] { return preview->successes > successes; });
}

bool EditorTest::waitForCompileOf(const QString& text)
{
    return testsupport::waitUntil(
        [&] {
            const auto& lines = controller->transpiler();
            return !lines->hasPendingCoffeeScript() && lines->isIdle() && controller->content() == text
                && (preview->failures + preview->successes) > 0;
        },
        10000);
}

void EditorTest::typeText(const QString& text)
{
    KVCodeTextView* view = controller->codeView()->textView();
    view->setFocus();
    view->selectAll();
    QTest::keyClick(view, Qt::Key_Delete);
    // Typed as one input: the typing rules would indent and close pairs on their own.
    QInputMethodEvent input;
    input.setCommitString(text);
    QCoreApplication::sendEvent(view, &input);
}

void EditorTest::setUpdateDelay(const QJsonValue& value)
{
    QJsonObject values = document->config().toJsonObject();
    if (value.isUndefined())
        values.remove(QStringLiteral("updateDelay"));
    else
        values.insert(QStringLiteral("updateDelay"), value);
    document->config().reset(values);
}
