// The peer of the cold-start benchmark: a program that links the web engine, shows an offscreen
// view of a page of its own and writes "bare page ran" once the page's script has run. Timed the
// way the application is, it tells how much of a cold start the machine and the web engine take
// by themselves at the moment of the run.
#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>

namespace {
class Page : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override
    {
        if (message == QLatin1String("ran")) {
            std::fputs("bare page ran\n", stderr);
            std::fflush(stderr);
        }
    }
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWebEngineView view;
    view.setPage(new Page(&view));
    view.resize(640, 800);
    view.show();
    view.setHtml(QStringLiteral("<!DOCTYPE html><html><body><script>console.log('ran')</script></body></html>"));
    return app.exec();
}
