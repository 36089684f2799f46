#pragma once

#include <QObject>
#include <QPointer>

namespace platform {

// A non-owning reference to an object through one of its interfaces. It reads as null once
// the object is destroyed, so a caller never reaches a controller or document that is gone.
template <class Interface>
class AttachedInterface {
public:
    // An object that is both the QObject and the interface.
    template <class Object>
    void attach(Object* object)
    {
        m_object = object;
        m_interface = object;
    }
    // An interface whose lifetime is that of `object`.
    void attach(QObject* object, Interface* interface)
    {
        m_object = object;
        m_interface = object ? interface : nullptr;
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

} // namespace platform
