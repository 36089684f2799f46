#pragma once

#include "completion/Completion.h"

#include <QList>
#include <QStringList>

// The ranking of candidates. Each candidate gets one precomputed key and the list is sorted
// stably by it, so the order is a strict weak ordering whatever the type equality answers:
//  1. object keys first;
//  2. (with an expected type, between candidates that are no object keys) the better fit to
//     the expected type first;
//  3. JavaScript's own constructors ("Object", "Array", "String", "Number", "Boolean") after
//     the others;
//  4. a case-exact prefix match first;
//  5. the higher score first;
//  6. keys the literal does not have yet first;
//  7. the shorter word first;
//  8. the words in ascending order.
void sortCompletions(QList<Completion>& completions, const TypePtr& expectedType);

// How well a type fits the expected one, higher is better. A type of exactly the expected
// type's class beats any other; between two of them a function fits by whether it constructs
// like the expected one, then by its result type; an object by being an alias of the expected
// type, then by equality, then by its dictionary element type. A type of another class fits
// when its result (or element) type equals the expected type. An absent type fits as Unknown.
int typeFitRank(const TypePtr& expected, const TypePtr& type);

// Which of the two types fits the expected one better; null when neither does.
TypePtr pickBestMatchingType(const TypePtr& expected, const TypePtr& a, const TypePtr& b);

// Both types are constructing functions.
bool bothTypesAreConstructors(const TypePtr& a, const TypePtr& b);

// "Object", "Array", "String", "Number" and "Boolean".
const QStringList& jsConstructorNames();
bool isJSConstructorName(const QString& word);
