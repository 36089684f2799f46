#pragma once

class QVariant;

namespace platform {

// Whether the value holds a number: an integer of any width or a floating-point value. A
// Boolean is not a number here, nor is text that reads as one.
bool isNumber(const QVariant& value);

} // namespace platform
