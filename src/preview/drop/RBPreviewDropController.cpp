#include "preview/drop/RBPreviewDropController.h"

#include "messages/PasteNotificationName.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/StringExtras.h"
#include "platform/gui/Alert.h"
#include "preview/RBPreviewDocument.h"
#include "webview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"
#include "preview/drop/MediaSize.h"
#include "preview/drop/ProjectFileCopy.h"
#include "preview/drop/RBPreviewDropEditor.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWebEngineView>

namespace {
const QString kDomain = QStringLiteral("RBZelvorDragDropView");

// A name that CoffeeScript takes as a variable ("my-module" -> "myModule").
QString variableName(const QString& moduleName)
{
    QString name = platform::camelCase(moduleName);
    name.removeIf([](QChar c) { return !(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$')); });
    if (name.isEmpty() || name.front().isDigit())
        name.prepend(QLatin1Char('_'));
    return name;
}
// The file name as it stands in the snippet's code: inside a CoffeeScript string, and (for a
// video) inside an HTML attribute, both read as a URL relative to the page. Characters that end
// or change any of these ("#" would start a fragment or an interpolation, "?" a query, a quote
// the string) are percent-encoded; the server decodes them back to the file's own name.
QString nameInCode(const QString& fileName)
{
    static const QString special = QStringLiteral("%#?\"\\<>&");
    QString text;
    for (const QChar c : fileName) {
        if (special.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f)
            text += QString::fromLatin1(QByteArray(1, char(c.unicode())).toPercentEncoding());
        else
            text += c;
    }
    return text;
}

// The file name as a comment shows it: on one line.
QString nameInComment(const QString& fileName)
{
    QString text = fileName;
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return text;
}
} // namespace

RBPreviewDropController::RBPreviewDropController(RBZelvorViewController* preview, QObject* parent)
    : QObject(parent)
    , m_preview(preview)
{
}

RBPreviewDropController::~RBPreviewDropController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

QString RBPreviewDropController::projectPath() const
{
    if (!m_preview || !m_preview->document())
        return {};
    return m_preview->document()->projectPath();
}

bool RBPreviewDropController::handleDroppedFiles(const QStringList& paths)
{
    bool handled = false;
    for (const QString& path : paths) {
        switch (dropFileKind(path)) {
        case DropFileKind::Image:
            droppedImage(path);
            handled = true;
            break;
        case DropFileKind::Video:
            droppedVideo(path);
            handled = true;
            break;
        case DropFileKind::Module:
            droppedModule(path);
            handled = true;
            break;
        case DropFileKind::Unsupported:
            platform::Log::error(kDomain, QStringLiteral("Error: supported: %1").arg(path));
            m_problems << QStringLiteral("“%1” is not an image (png, jpg, jpeg, tif, gif), a video (mov, mp4, m4a) or a module (coffee, js).")
                              .arg(QFileInfo(path).fileName());
            break;
        }
    }
    reportProblems();
    return handled;
}

void RBPreviewDropController::observePastedFiles(QObject* codeTextView)
{
    auto& center = platform::NotificationCenter::defaultCenter();
    center.removeObserver(this);
    if (!codeTextView)
        return;
    for (const QString& name : {PasteNotificationName::Image(), PasteNotificationName::Video(), PasteNotificationName::Module()}) {
        center.addObserver(name, codeTextView, [this](const platform::Notification& n) {
            pastedMediaOrModule(n.name, n.userInfo.value(QStringLiteral("filePath")).toString());
        }, this);
    }
}

void RBPreviewDropController::pastedMediaOrModule(const QString& notificationName, const QString& filePath)
{
    if (filePath.isEmpty())
        return;
    if (notificationName == PasteNotificationName::Image())
        droppedImage(filePath);
    else if (notificationName == PasteNotificationName::Video())
        droppedVideo(filePath);
    else if (notificationName == PasteNotificationName::Module())
        droppedModule(filePath);
    reportProblems();
}

bool RBPreviewDropController::mayReplace(const QString& fileName, const QString& noun) const
{
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("\"%1\" already exists. Do you want to replace it?").arg(fileName));
    alert.addButton(QStringLiteral("Replace"));
    alert.addButton(QStringLiteral("Cancel"));
    alert.setInformativeText(QStringLiteral("%1 with the same name already exists in this project. "
                                            "Replacing it will overwrite its current contents.").arg(noun));
    return alert.runModalSheet() == platform::Alert::kFirstButtonReturn;
}

bool RBPreviewDropController::droppedMedia(const QString& path, DropFileKind kind)
{
    const bool image = kind == DropFileKind::Image;
    const QString name = QFileInfo(path).fileName();
    const QString project = projectPath();
    if (project.isEmpty())
        return false;
    if (!QFileInfo(path).isFile()) {
        m_problems << QStringLiteral("The file “%1” can no longer be found.").arg(name);
        return false;
    }
    // A file that cannot be read would only put a broken file and a 0 by 0 layer in the project.
    const auto size = image ? mediasize::imageSize(path) : mediasize::videoSize(path);
    if (!size) {
        m_problems << (image ? QStringLiteral("“%1” is not an image that can be read.")
                             : QStringLiteral("“%1” is not a video that can be read.")).arg(name);
        return false;
    }
    const QString noun = image ? QStringLiteral("An image") : QStringLiteral("A video");
    const auto result = projectfilecopy::copyIntoFolder(
        path, QDir(project).filePath(dropTargetFolderName(kind)),
        [this, noun](const QString& fileName) { return mayReplace(fileName, noun); });
    if (result.outcome == projectfilecopy::Outcome::Failed)
        m_problems << result.message;
    if (!result.succeeded())
        return false;
    // A video without a picture (audio only) still gets a layer of a usable size.
    const int width = image || size->width() > 0 ? size->width() : 320;
    const int height = image || size->height() > 0 ? size->height() : 240;
    const QString fileName = QFileInfo(result.targetPath).fileName();
    insertSnippet(image ? QStringLiteral("DropImage") : QStringLiteral("DropVideo"),
                  {{image ? QStringLiteral("imageName") : QStringLiteral("videoName"), nameInComment(fileName)},
                   {image ? QStringLiteral("imagePath") : QStringLiteral("videoPath"), nameInCode(fileName)},
                   {QStringLiteral("width"), QString::number(width)},
                   {QStringLiteral("height"), QString::number(height)}},
                  false);
    return true;
}

bool RBPreviewDropController::droppedImage(const QString& path)
{
    return droppedMedia(path, DropFileKind::Image);
}

bool RBPreviewDropController::droppedVideo(const QString& path)
{
    return droppedMedia(path, DropFileKind::Video);
}

bool RBPreviewDropController::droppedModule(const QString& path)
{
    const QString project = projectPath();
    if (project.isEmpty())
        return false;
    QString folder = QDir(project).filePath(QStringLiteral("modules"));
    if (folder.startsWith(QLatin1String("~/")))
        folder = QDir::home().filePath(folder.mid(2));
    const auto result = projectfilecopy::copyIntoFolder(
        path, folder, [this](const QString& name) { return mayReplace(name, QStringLiteral("A module")); });
    if (result.outcome == projectfilecopy::Outcome::Cancelled)
        return false;
    if (result.outcome == projectfilecopy::Outcome::Failed) {
        m_problems << result.message;
        return false;
    }
    if (m_preview)
        m_preview->reload();

    const QString moduleName = QFileInfo(result.targetPath).completeBaseName();
    const QString text = m_editor ? m_editor->content() : QString();
    for (const QString& form : {QStringLiteral("require '%1'"), QStringLiteral("require \"%1\"")}) {
        const QString line = form.arg(moduleName);
        const qsizetype at = text.indexOf(line);
        if (at >= 0) {
            if (m_editor)
                m_editor->setInsertionPoint(at + line.size());
            return true;
        }
    }
    insertSnippet(QStringLiteral("DropModule"),
                  {{QStringLiteral("moduleName"), moduleName}, {QStringLiteral("moduleVariable"), variableName(moduleName)}},
                  true);
    return true;
}

void RBPreviewDropController::insertSnippet(const QString& name, const QVariantMap& context, bool onTop)
{
    if (m_editor)
        m_editor->insertSnippetNamed(name, context, onTop);
    else
        platform::Log::warning(kDomain, QStringLiteral("no editor for the snippet %1").arg(name));
}

void RBPreviewDropController::focusWebView(bool focus)
{
    if (!focus || !m_preview || !m_preview->webViewController())
        return;
    QWebEngineView* webView = m_preview->webViewController()->webView();
    if (!webView)
        return;
    m_previousFirstResponder = webView->window() ? webView->window()->focusWidget() : QApplication::focusWidget();
    webView->setFocus(Qt::MouseFocusReason);
}

void RBPreviewDropController::reportProblems()
{
    if (m_problems.isEmpty())
        return;
    const QStringList problems = std::exchange(m_problems, {});
    platform::Alert alert;
    alert.setMessageText(problems.size() == 1 ? QStringLiteral("A file was not added to the project.")
                                              : QStringLiteral("%1 files were not added to the project.").arg(problems.size()));
    alert.setInformativeText(problems.join(QLatin1Char('\n')));
    alert.addButton(QStringLiteral("OK"));
    alert.runModalSheet();
}
