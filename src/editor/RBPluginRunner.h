#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class RBWebViewController;

// Runs plugins: CoffeeScript that defines plugin.run, a function from the whole program text
// to a new one. They run in one hidden page, made on the first run and kept for later ones;
// the CoffeeScript compiler is loaded into it on first use.
class RBPluginRunner : public QObject {
    Q_OBJECT
public:
    // The plugin's answer, or a non-empty problem (the plugin did not compile, threw, or answered
    // something other than a text).
    using Completion = std::function<void(const QString& result, const QString& problem)>;

    explicit RBPluginRunner(QObject* parent = nullptr);
    ~RBPluginRunner() override;

    // Runs `source` over `text`; the completion runs later on the main thread, never after the
    // runner is gone.
    void run(const QString& source, const QString& text, Completion completion);
    RBWebViewController* webViewController() const { return m_webViewController.get(); }

private:
    std::unique_ptr<RBWebViewController> m_webViewController;
};
