#pragma once

#include <QString>
#include <QVariantMap>

// What a Control-key link in the code opens: a module of the project (type 0) or an image or
// media file of its "images" folder (type 1). It travels to the document as
// {"name": ..., "type": ...}.
class ActionLink {
public:
    enum Type { Module = 0, Image = 1 };

    ActionLink() = default;
    ActionLink(QString name, int type) : m_name(std::move(name)), m_type(type) {}

    const QString& name() const { return m_name; }
    int type() const { return m_type; }
    QVariantMap toVariant() const { return {{QStringLiteral("name"), m_name}, {QStringLiteral("type"), m_type}}; }
    bool operator==(const ActionLink&) const = default;

private:
    QString m_name;
    int m_type = Module;
};
