#pragma once

#include <QVariantMap>

#include <cstdint>

class CodeTranspiler;

// Told about each compile of a CodeTranspiler, on the main thread, each call right after the
// matching notification.
class CodeTranspilerDelegate {
public:
    virtual ~CodeTranspilerDelegate() = default;
    virtual void transpilationStart(CodeTranspiler* transpiler, std::int64_t id) = 0;
    virtual void transpilationComplete(CodeTranspiler* transpiler) = 0;
    virtual void transpilationFailed(CodeTranspiler* transpiler, const QVariantMap& failure) = 0;
    virtual void transpilerIdle(CodeTranspiler* transpiler) = 0;
};
