#pragma once

#include "importers/RBImportViewController.h"

#include <QUrl>

// The Figma pane: Figma is a web service, so the row is ready whenever the build names the
// service.
class RBFigmaImportViewController : public RBImportViewController {
    Q_OBJECT
public:
    explicit RBFigmaImportViewController(QWidget* parent = nullptr);
    ~RBFigmaImportViewController() override;

    // The service (the build setting unless set); an empty address: not set up.
    void setServiceUrl(const QUrl& url) { m_serviceUrl = url; }
    QUrl serviceUrl() const { return m_serviceUrl; }
    bool isSetUp() const { return m_serviceUrl.isValid() && !m_serviceUrl.host().isEmpty(); }

    bool supportsScale() const override { return false; }
    bool appIsRunning() const override { return isSetUp(); }
    bool appHasRightVersion() const override { return isSetUp(); }
    bool appHasSavedDocument() const override { return isSetUp(); }
    QString documentName() const override;
    std::optional<DocumentInfo> documentInfo() override;

protected:
    QString notRunningText() const override;

private:
    QUrl m_serviceUrl;
    QString m_fileName;
};
