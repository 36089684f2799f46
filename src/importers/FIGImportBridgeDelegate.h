#pragma once

#include "importers/FigmaBridgeRules.h"

#include <QString>

class FIGImportBridge;

// What the Figma bridge reports: the file the user picked, the finished archive, a failure.
class FIGImportBridgeDelegate {
public:
    virtual ~FIGImportBridgeDelegate() = default;
    virtual void userChoseFileForExport(FIGImportBridge* bridge, const QString& fileName, const QString& fileKey) = 0;
    // The archive is complete in a temporary file, now the delegate's to remove.
    virtual void bridgeDownloadedFileAtTempLocation(FIGImportBridge* bridge, const QString& path) = 0;
    virtual void bridgeFailed(FIGImportBridge* bridge, figma::FailureReason reason, const QString& debugMessage) = 0;
};
