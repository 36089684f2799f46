#pragma once

#include <QJsonValue>
#include <QString>

#include <functional>

class RBDocument;

// What a document needs of its live preview (the preview controller implements it).
class RBDocumentPreview {
public:
    virtual ~RBDocumentPreview() = default;
    // Loads the project's page again and runs the latest program in it.
    virtual void reload(RBDocument* document) = 0;
    // The device menu: maps an older device identifier to its newer one.
    virtual void updateDevice() = 0;
    // The device menu: the orientation setting changed.
    virtual void orientationChanged() = 0;
    // Runs CoffeeScript in the page; the handler gets the result, or a non-empty error.
    using EvaluationHandler = std::function<void(const QJsonValue& result, const QString& error)>;
    virtual void evaluateCoffeeScript(const QString& script, EvaluationHandler handler) = 0;
    // Shows or hides the page's developer tools (the editor bar's inspector button).
    virtual void toggleInspector() {}
    // The local server cannot serve the project (it did not start, or refused the folder): the
    // preview says so in place of a page it will not get. The message says why, in words for
    // the user.
    virtual void showServerProblem(const QString& message) { (void)message; }
};
