#include "document/window/ProjectViewState.h"

#include "platform/FileUtils.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ProjectViewStates {

namespace {
const QString kScroll = QStringLiteral("firstVisibleLine");
const QString kCaret = QStringLiteral("caret");
const QString kSelection = QStringLiteral("selectionLength");
const QString kPanelOpen = QStringLiteral("layerPanelOpen");
const QString kPanelWidth = QStringLiteral("layerPanelWidth");
const QString kCollapsed = QStringLiteral("collapsedLayers");
const QString kSaved = QStringLiteral("saved");
const QString kFrame = QStringLiteral("frame");
const QString kEditorSide = QStringLiteral("editorSideWidth");

// One folder has one entry however it is spelled.
QString keyFor(const QString& projectPath)
{
    return QDir::cleanPath(platform::resolvedPath(projectPath));
}

// A whole number from low to high as the store holds it; anything else (text, a fraction, a
// number out of range) is nothing.
std::optional<qint64> wholeNumber(const QVariant& value, qint64 low, qint64 high)
{
    if (value.typeId() != QMetaType::Int && value.typeId() != QMetaType::LongLong && value.typeId() != QMetaType::Double)
        return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= double(low) && number <= double(high)) || number != std::floor(number))
        return std::nullopt;
    return qint64(number);
}

// A count of the entry, 0 when it holds none.
qint64 count(const QVariantMap& entry, const QString& key)
{
    return wholeNumber(entry.value(key), 0, std::numeric_limits<int>::max()).value_or(0);
}
} // namespace

QString storeKey()
{
    return QStringLiteral("ProjectViewStates");
}

std::optional<ProjectViewState> read(const platform::UserDefaults& store, const QString& projectPath)
{
    const QVariant value = store.dictionaryForKey(storeKey()).value(keyFor(projectPath));
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap entry = value.toMap();
    ProjectViewState state;
    // Only the place may be negative (a screen left of or above the first one).
    const QVariantList frame = entry.value(kFrame).toList();
    constexpr qint64 kFarthest = 1 << 20;
    for (qsizetype i = 0; frame.size() == 4 && i < 4; ++i) {
        const std::optional<qint64> value = wholeNumber(frame.at(i), i < 2 ? -kFarthest : 1, kFarthest);
        if (!value) {
            state.frame.clear();
            break;
        }
        state.frame.append(int(*value));
    }
    state.editorSideWidth = int(count(entry, kEditorSide));
    state.firstVisibleLine = int(count(entry, kScroll));
    state.caretLocation = count(entry, kCaret);
    state.selectionLength = count(entry, kSelection);
    state.layerPanelOpen = entry.value(kPanelOpen).typeId() == QMetaType::Bool && entry.value(kPanelOpen).toBool();
    state.layerPanelWidth = int(count(entry, kPanelWidth));
    const QVariantList collapsed = entry.value(kCollapsed).toList();
    for (const QVariant& id : collapsed.mid(0, kMaxCollapsedLayers)) {
        if (const std::optional<qint64> number = wholeNumber(id, 1, std::numeric_limits<int>::max()))
            state.collapsedLayers.append(int(*number));
    }
    return state;
}

void write(platform::UserDefaults& store, const QString& projectPath, const ProjectViewState& state)
{
    QVariantMap states = store.dictionaryForKey(storeKey());
    const QVariantList frame(state.frame.cbegin(), state.frame.cend());
    const QList<int> kept = state.collapsedLayers.mid(0, kMaxCollapsedLayers);
    const QVariantList collapsed(kept.cbegin(), kept.cend());
    states.insert(keyFor(projectPath),
                  QVariantMap{{kFrame, frame},
                              {kEditorSide, state.editorSideWidth},
                              {kScroll, state.firstVisibleLine},
                              {kCaret, qint64(state.caretLocation)},
                              {kSelection, qint64(state.selectionLength)},
                              {kPanelOpen, state.layerPanelOpen},
                              {kPanelWidth, state.layerPanelWidth},
                              {kCollapsed, collapsed},
                              {kSaved, QDateTime::currentMSecsSinceEpoch()}});
    // Forgets the projects closed longest ago.
    while (states.size() > kMaxProjects) {
        auto oldest = std::min_element(states.cbegin(), states.cend(), [](const QVariant& a, const QVariant& b) {
            return a.toMap().value(kSaved).toDouble() < b.toMap().value(kSaved).toDouble();
        });
        states.remove(oldest.key());
    }
    store.setObject(storeKey(), states);
}

} // namespace ProjectViewStates
