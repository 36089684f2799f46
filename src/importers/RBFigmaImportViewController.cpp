#include "importers/RBFigmaImportViewController.h"

#include "importers/FigmaBuildSettings.h"

RBFigmaImportViewController::RBFigmaImportViewController(QWidget* parent)
    : RBImportViewController(parent)
    , m_serviceUrl(FigmaBuildSettings::serviceUrl())
{
    setObjectName(QStringLiteral("RBFigmaImportViewController"));
    setAppIdentifier(QStringLiteral("com.figma.web"));
    setAppName(QStringLiteral("Figma"));
    setIconImageName(QStringLiteral("icon-figma-active"));
    setIconImageNameInactive(QStringLiteral("icon-figma-inactive"));
}

RBFigmaImportViewController::~RBFigmaImportViewController() = default;

QString RBFigmaImportViewController::documentName() const
{
    return m_fileName.isEmpty() ? QStringLiteral("Online") : m_fileName;
}

std::optional<RBImportViewController::DocumentInfo> RBFigmaImportViewController::documentInfo()
{
    if (!isSetUp())
        return std::nullopt;
    return DocumentInfo{documentName(), documentPath()};
}

QString RBFigmaImportViewController::notRunningText() const
{
    return QStringLiteral("Figma import is not set up in this build");
}
