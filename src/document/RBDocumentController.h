#pragma once

#include "document/RBDocumentServices.h"
#include "platform/gui/DocumentController.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class DeviceCatalogLink;

// The application's shared document controller: every new, open and open-recent request passes
// through it, so the welcome window is closed before a project window shows, and comes back
// when an open panel is cancelled with no project open. It makes the project documents and
// hands them the application's services.
class RBDocumentController : public platform::DocumentController {
    Q_OBJECT
public:
    // Documents start out connected to the shared local server and the device catalogue.
    explicit RBDocumentController(QObject* parent = nullptr);
    ~RBDocumentController() override;

    static RBDocumentController* shared();

    void setServices(RBDocumentServices services) { m_services = std::move(services); }
    const RBDocumentServices& services() const { return m_services; }

    // The welcome window (closed before a project opens) and how to show it again.
    void setWelcomeWindow(QWidget* window) { m_welcomeWindow = window; }
    void setShowWelcomeWindow(std::function<void()> show) { m_showWelcomeWindow = std::move(show); }
    // Shows the welcome window again (after the last project window closed), when one is set.
    void showWelcomeWindow() const
    {
        if (m_showWelcomeWindow)
            m_showWelcomeWindow();
    }

    platform::Document* newDocument() override;
    void openDocumentWithContentsOfURL(const QString& path, bool display, OpenHandler handler) override;
    void openDocument() override;

protected:
    // An ordinary folder is refused, or, once the user confirms, gets a new project inside.
    QString documentPathForChosenFolder(const QString& chosen) override;

private:
    void closeWelcomeWindow();

    std::unique_ptr<DeviceCatalogLink> m_catalogLink;
    RBDocumentServices m_services;
    QPointer<QWidget> m_welcomeWindow;
    std::function<void()> m_showWelcomeWindow;
};
