#pragma once

#include <QObject>
#include <QPointer>

// A non-owning reference to an object that implements one of the document's interfaces. It
// reads as null once the object is destroyed, so a document never calls a controller that is
// gone.
template <class Interface>
class AttachedInterface {
public:
    template <class Object>
    void attach(Object* object)
    {
        m_object = object;
        m_interface = object;
    }
    void detach()
    {
        m_object = nullptr;
        m_interface = nullptr;
    }
    Interface* get() const { return m_object ? m_interface : nullptr; }
    Interface* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    QObject* object() const { return m_object; }

private:
    QPointer<QObject> m_object;
    Interface* m_interface = nullptr;
};
