#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class Type;
using TypePtr = std::shared_ptr<Type>;
// Name -> type: the global table, an object's own members, a scope's visible names.
using TypeTable = QMap<QString, TypePtr>;

// Root of the static type model. Types are shared, immutable after reading (except the three
// writable fields of TObject) and form no cycles: names of parents and aliases stay Literals that
// are resolved through a Scope only when asked for.
class Type : public std::enable_shared_from_this<Type> {
public:
    enum class Kind { Type, Unknown, Any, Language, Literal, Enum, Object, Func, Array };

    Type() = default;
    virtual ~Type() = default;
    Type(const Type&) = delete;
    Type& operator=(const Type&) = delete;

    // Reads one type description; an undefined value stands for "no value". Never fails: what is
    // not understood becomes Unknown.
    static TypePtr fromAny(const QJsonValue& value);
    // Reads a table of named descriptions; "__reserved__" in front of a key is dropped.
    static TypeTable fromDictionaryToMembers(const QJsonObject& object);

    virtual Kind kind() const { return Kind::Type; }
    virtual QString name() const;
    // Never holds for an absent other; the same object always equals itself.
    virtual bool equals(const Type* other) const;
    bool equals(const TypePtr& other) const { return equals(other.get()); }
    virtual TypePtr returnType() const { return nullptr; }
    virtual QString toInspect() const;

    // TObject, TFunc and TArray.
    bool isObjectType() const;

protected:
    friend class TObject;
    friend class TFunc;
    friend class TArray;
    friend class TEnum;
    // Deeper descriptions than this are read as Unknown, so that hostile input can't exhaust the
    // stack while reading, comparing, printing or freeing a type.
    static constexpr int kMaxDepth = 200;
    static TypePtr fromAny(const QJsonValue& value, int depth);
    static TypeTable fromDictionaryToMembers(const QJsonObject& object, int depth);
};

bool operator==(const Type& a, const Type& b);

bool typesAreEqual(const TypePtr& a, const TypePtr& b);
bool objectMembersAreEqual(const TypeTable& a, const TypeTable& b);
bool typeArraysAreEqual(const QList<TypePtr>& a, const QList<TypePtr>& b);
bool valueArraysAreEqual(const QJsonArray& a, const QJsonArray& b);
// The value itself when it is a JSON object, else an empty one.
QJsonObject ensureDictionaryMembers(const QJsonValue& value);

// The type as the given class, or null (TObject also accepts TFunc and TArray).
template <class T>
std::shared_ptr<T> typeAs(const TypePtr& type)
{
    return std::dynamic_pointer_cast<T>(type);
}
