#pragma once
#include <QVariantMap>
#include <optional>

namespace preview {

// The "runtime.error" arguments ({message, lineNumber, colNumber, type}) for an exception that
// the program threw while it was being run in the page, from the error the evaluation answered
// ({message, name, stack, line, column}). The first stack frame in the program ("app.js") gives
// a "coffeescript" position, which the preview maps back through the source map; otherwise the
// first frame gives a "javascript" one.
QVariantMap runtimeErrorArguments(const QVariantMap& evaluationError);

} // namespace preview
