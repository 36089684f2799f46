#pragma once

#include <QString>

// What a pane learns from the design file the user chose: whether it is there, which format
// version wrote it and whether it reads as a document of the pane's kind. Kept behind this
// interface so that the panes can be tried with files that are not real designs.
struct DesignFileInfo {
    bool exists = false;
    bool isDocument = false; // a design file of the pane's kind
    QString version;         // of the format or the program that wrote it; "" when unknown
    QString problem;         // why it is no document of the kind ("" when it is one)
};

class DesignFileProbe {
public:
    virtual ~DesignFileProbe() = default;
    virtual DesignFileInfo probe(const QString& path) const = 0;
};
