#pragma once

#include <QString>

#include <functional>

// Copies a file that the user dropped or pasted into a folder of the project without ever
// losing what the project holds: an existing file of the same name is replaced only when the
// user agrees, the copy is made under a temporary name first, and the replaced file goes to
// the Trash, not away.
namespace projectfilecopy {

enum class Outcome {
    Copied,         // the file is now in the folder
    AlreadyThere,   // the source is the target, or the target holds the same bytes: nothing copied
    Cancelled,      // the user kept the existing file
    Failed,         // nothing changed in the project; `message` says why
};

struct Result {
    Outcome outcome = Outcome::Failed;
    QString targetPath;
    QString message;
    bool succeeded() const { return outcome == Outcome::Copied || outcome == Outcome::AlreadyThere; }
};

// Answers whether the existing file of that name may be replaced.
using ReplaceQuestion = std::function<bool(const QString& fileName)>;

// Copies `source` into `folder` (made when missing, its parent must exist) under its own name.
Result copyIntoFolder(const QString& source, const QString& folder, const ReplaceQuestion& mayReplace);

} // namespace projectfilecopy
