#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

// The rules of importing that need no window: scales, version order, the import folder's name,
// what a pane's row shows for its state, the sheet's arithmetic and the success payload.
namespace importers {

// --- output scales
struct ScaleChoice {
    QString title;
    double value;
};
// "@1x" → 1, "@1.5x" → 1.5, "@2x" → 2, "@3x" → 3, "@4x" → 4, in menu order.
const QVector<ScaleChoice>& scaleChoices();
// The index of the choice numerically equal to the scale, or -1.
int scaleChoiceIndex(double scale);
// The scale's shortest text: 1 → "1", 1.5 → "1.5".
QString scaleText(double scale);

// --- versions
// Orders dotted version texts by their numbers (3.5.9 < 3.6 < 3.10); missing parts count as 0
// and text after the digits of a part is ignored. Answers <0, 0 or >0.
int compareVersions(const QString& a, const QString& b);
// Whether the version meets the minimum; an unknown (empty) version does.
bool hasMinimumVersion(const QString& version, const QString& minimum);

// --- the import folder
// The design file's name without its extension, made safe to stand as one folder name and
// inside a quoted path in the code: separators, quotes, backslashes, "#" and control characters
// become "_", and leading dots are dropped so that the folder is neither hidden nor "..".
QString importBaseName(const QString& documentName);
// "<base name>@<scale>x": the folder inside "imported" that one import of the document fills.
QString importFolderName(const QString& documentName, double scale);

// --- a pane's row
struct PaneState {
    bool appIsRunning = false;       // a design file is chosen and present
    bool appHasRightVersion = false; // its format is recent enough
    bool appHasSavedDocument = false; // it reads as a design file of this pane
    bool supportsScale = true;
};
struct PaneTexts {
    QString appName;
    QString minimumVersion;
    QString documentName;
    QString iconImageName;
    QString iconImageNameInactive;
    QString notRunningText;     // the subtitle while no file is chosen
    QString noDocumentText;     // the subtitle for a file that is no design file (may be empty)
};
struct PaneRow {
    QString title;
    QString subtitle;
    QString iconImageName;
    bool runEnabled = false;
    bool scaleVisible = false;
    bool scaleEnabled = false;
    double textAlpha = 0.3;
};
PaneRow paneRow(const PaneState& state, const PaneTexts& texts);

// --- the sheet
inline constexpr int kPaneSpacing = 58;
inline constexpr int kSheetWidth = 420;
// The origin's y of the n-th pane from the bottom of the stack.
int paneOriginY(int index);
// The sheet's size for this many panes; `correct` adds the one-time height correction.
QSize sheetSize(int paneCount, bool correct);
// The y of a sheet's bottom edge over a parent window whose frame's bottom edge is at
// parentY (both measured upwards), so that its top sits under the parent's toolbar.
int sheetY(int parentY, int parentHeight, int sheetHeight);

// --- the success notification
inline constexpr const char* kSuccessNotification = "RBImportViewControllerSuccess";
inline constexpr const char* kFailureNotification = "RBImportViewControllerFailure";
inline constexpr const char* kLastImportKey = "GeneratorLastImport";
inline constexpr const char* kScaleDocumentPathsKey = "ImporterScaleDocumentPaths";

struct ImportReport {
    QString docName;    // the design file's name, with extension
    QString docPath;
    QString outPath;    // the folder the import filled
    QString identifier; // the pane's application identifier
    double scale = 1;
    QString info;       // the exporter's output
    QVariantMap userInfo() const;
    // Missing or mistyped values read as empty (scale as 1).
    static ImportReport fromUserInfo(const QVariantMap& userInfo);
};

// The context of the "ImportSuccess" snippets for a report.
QVariantMap importSnippetContext(const QString& docName, double scale, const QString& identifier);
// The first of "base", "base1", "base2"... that the code does not assign yet, so that every
// import of a kind gets a name of its own and the first one a name without a number.
QString importVariableName(const QString& base, const QString& code);
// Where a new import's lines go: after the last line of the code that loads an import (so it
// loads later and shows above the earlier ones), or at the top when none does. Only lines
// that are not indented count: a line inside a block would split it.
qsizetype importInsertionOffset(const QString& code);

} // namespace importers
