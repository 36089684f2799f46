#pragma once

#include "importers/DesignFileProbe.h"

// Looks into design files on disk. Sketch documents are zip archives of JSON whose
// "meta.json" names the version that saved them (older documents are SQLite databases and
// read as version 0); Photoshop documents start with the "8BPS" header whose version is 1 for
// PSD and 2 for PSB. Only the header and the small metadata entry are read, whatever the size.
class DiskDesignFileProbe : public DesignFileProbe {
public:
    enum class Kind { Sketch, Photoshop };
    explicit DiskDesignFileProbe(Kind kind) : m_kind(kind) {}
    DesignFileInfo probe(const QString& path) const override;

private:
    Kind m_kind;
};
