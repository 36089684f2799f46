#include "compiler/V8Runtime.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QString error;
    if (!V8Runtime::initialize(argv[0], &error)) {
        std::fprintf(stderr, "zelvor-studio: %s\n", qPrintable(error));
        return 1;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zelvor Studio"));
    QCoreApplication::setOrganizationName(QStringLiteral("ZelvorStudio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVOR_VERSION));
    std::fprintf(stderr, "zelvor-studio %s: the document window is not built yet\n", ZELVOR_VERSION);
    return 0;
}
