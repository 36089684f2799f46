#pragma once
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <functional>

// The texts the preview writes into a project before it loads the project's page: the
// generated script "zelvor/zelvor.generated.js" and the rewritten page ".temp.html".
// Pure functions over strings, so they are tested without a web view.
namespace preview {

// The library files whose double-quoted references get a "?nocache=" fingerprint, in order.
const QStringList& cacheBustedPaths();

// Answers the fingerprint of a project file (MD5 hex), or an empty string when it has none.
using FingerprintProvider = std::function<QString(const QString& relativePath)>;

// The page text as the preview loads it: double-quoted references to the library files get
// "?nocache=<fingerprint>" (a missing file gets the current time, so it still changes on
// every reload), the compiler and inferencer scripts are appended when the page lacks them,
// and references to the file "app.js" become "app.disabled.js" so that the page never runs
// a compiled program of its own. `inferencerSource` is the address of the inferencer script.
QString rewriteIndexPage(const QString& html, const FingerprintProvider& fingerprint,
                         const QString& inferencerSource);

// Replaces the references to the file "app.js" itself: quoted, or after "/" or "=". A name
// that merely ends in app.js ("myapp.js") is another file and stays as it is.
QString disableAppScript(const QString& html);

// The device defaults of the generated script: "deviceType", "deviceScale", "contentScale",
// "orientation" and "selectedHand", empty strings unless the settings hold them.
QJsonObject deviceDefaults(const QJsonObject& settings);

struct GeneratedScriptInput {
    QStringList importedLayerScripts; // the texts of "imported/*/layers.json.js", in order
    QJsonObject settings;
    QJsonObject studioInfo;           // "deviceImagesUrl", "documentTitle"
    QString viewerScript;             // the text of the viewer script
};

// The address of the device frames for the page ("deviceImagesUrl"). The application's own
// images serve every device, those of an earlier format too (the library shows them as their
// current counterparts); only a build that names an outside address for the frames of earlier
// devices (`outsideUrl`, a build setting without default) sends those devices there.
QString deviceImagesUrl(bool servedOverHttp, bool deviceOfEarlierFormat, const QString& localImagesFolderUrl,
                        const QString& outsideUrl);
// The build's outside address for the frames of earlier devices; empty unless the build names one.
QString outsideDeviceResourcesUrl();

// The text of "zelvor/zelvor.generated.js".
QString generatedZelvorScript(const GeneratedScriptInput& input);

// The script elements a project's page needs to run its program outside the application (in a
// browser, on a mirrored device), as the template writes them, for those the page does not
// name yet; empty for a page that has them all.
QStringList missingStandaloneScripts(const QString& html);

// Seconds since 2001-01-01 as "%f": the fingerprint of a file that has none.
QString referenceDateFingerprint();

} // namespace preview
