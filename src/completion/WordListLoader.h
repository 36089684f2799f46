#pragma once

#include "completion/Completion.h"

#include <QList>

#include <functional>

// Reads a word-list file (UTF-8, in lines): a line whose trimmed text starts with "#" is a
// comment; every other line gives each of its runs of word characters, in order, one record
// made by `wordToCompletion`. A word listed twice gives two records. A file that is missing,
// unreadable or not UTF-8 gives no records.
QList<Completion> loadLanguageCompletions(const QString& path,
                                          const std::function<Completion(const QString&)>& wordToCompletion);

// The path of a word list in the resource folder "Syntax Definitions" ("name.txt"); empty when
// the resources do not hold it.
QString wordListPath(const QString& name);
