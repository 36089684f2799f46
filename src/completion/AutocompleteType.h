#pragma once

#include <QString>

#include <optional>

// The kind of a completion candidate. Its raw string travels to the popup, which picks the
// colour, the icon and the documentation entry by it; the order of the cases is fixed.
enum class AutocompleteType {
    String,
    Number,
    Boolean,
    Any,
    Color,
    Point,
    Size,
    Frame,
    Rect,
    Word,
    Constructor,
    Function,
    Object,
    Enum,
    Array,
    Layer,
    BackgroundLayer,
    PageComponent,
    ScrollComponent,
    SliderComponent,
    Animation,
    Screen,
    Events,
    Canvas,
    Device,
    Utils,
    Language,
    Modules,
};

// "string", "number", ... ; Word is the empty string, Modules "module", and Screen, Events,
// Canvas, Device and Utils keep their capital.
QString rawValue(AutocompleteType type);
// The kind whose raw string is exactly `raw` (case-sensitive); nothing for any other string.
std::optional<AutocompleteType> autocompleteTypeFromRawValue(const QString& raw);
