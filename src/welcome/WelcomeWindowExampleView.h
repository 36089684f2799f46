#pragma once

#include <QWidget>

#include <functional>

namespace welcome {


// An example tile: the example's picture with its title beneath. Pressing dims it; releasing
// inside opens the example project as a new untitled project and closes the welcome window.
class WelcomeWindowExampleView : public QWidget {
    Q_OBJECT
public:
    WelcomeWindowExampleView(const QRect& frame, const QString& title, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    double imageOpacity() const { return m_imageOpacity; }
    bool mouseDownCanMoveWindow() const { return false; }

    // The example folder: "<title in lower case>.zelvor" in the "Examples" resource folder;
    // empty when the resources have no such folder.
    QString examplePath() const;
    void openExample();

    // Opens a template folder as a new untitled project (tests replace it).
    using Opener = std::function<void(const QString& templatePath)>;
    static void setExampleOpener(Opener opener);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool locationInButton(const QPoint& position) const { return rect().contains(position); }
    void setImageOpacity(double opacity);

    QString m_title;
    QImage m_image;
    double m_imageOpacity = 1.0;
};

} // namespace welcome
