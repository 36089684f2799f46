#include "compiler/V8Runtime.h"

#include "platform/Log.h"

#include <libplatform/libplatform.h>
#include <v8.h>
#include <v8-version.h>

#include <QStringList>

#include <memory>
#include <mutex>

namespace {
std::once_flag initOnce;
bool initialized = false;
QString initError;
std::unique_ptr<v8::Platform> platformInstance;
} // namespace

QString V8Runtime::libraryVersion()
{
    return QString::fromLatin1(v8::V8::GetVersion());
}

QString V8Runtime::headerVersion()
{
    return QStringLiteral("%1.%2").arg(V8_MAJOR_VERSION).arg(V8_MINOR_VERSION);
}

bool V8Runtime::versionsMatch(const QString& libraryVersion)
{
    const QStringList parts = libraryVersion.split(QLatin1Char('.'));
    if (parts.size() < 2)
        return false;
    bool majorOk = false, minorOk = false;
    const int major = parts.at(0).toInt(&majorOk);
    const int minor = parts.at(1).toInt(&minorOk);
    return majorOk && minorOk && major == V8_MAJOR_VERSION && minor == V8_MINOR_VERSION;
}

bool V8Runtime::initialize(const char* argv0, QString* error)
{
    std::call_once(initOnce, [argv0] {
        const QString version = libraryVersion();
        if (!versionsMatch(version)) {
            // Headers of one version over a library of another link and then misbehave.
            initError = QStringLiteral("V8 library %1 does not match the headers %2").arg(version, headerVersion());
            platform::Log::error(QStringLiteral("V8"), initError);
            return;
        }
        // The engines collect their young generation between compiles (V8Wrapper::
        // collectYoungGeneration), which the engine allows only with this flag. It also gives
        // the engines' scripts a global `gc`; they run only the application's own compiler
        // scripts, never a project's program.
        v8::V8::SetFlagsFromString("--expose-gc");
        v8::V8::InitializeICUDefaultLocation(argv0 ? argv0 : "");
        platformInstance = v8::platform::NewDefaultPlatform();
        v8::V8::InitializePlatform(platformInstance.get());
        initialized = v8::V8::Initialize();
        if (!initialized)
            initError = QStringLiteral("V8 failed to initialise");
    });
    if (error)
        *error = initError;
    return initialized;
}

void V8Runtime::teardown()
{
    std::call_once(initOnce, [] {}); // a teardown before any start keeps V8 from starting later
    if (!initialized && platformInstance == nullptr) {
        initError = QStringLiteral("V8 was shut down");
        return;
    }
    initialized = false;
    initError = QStringLiteral("V8 was shut down");
    v8::V8::Dispose();
    v8::V8::DisposePlatform();
    platformInstance.reset();
}

bool V8Runtime::isInitialized()
{
    return initialized;
}
