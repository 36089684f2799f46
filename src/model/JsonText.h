#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// One JSON text, kept as UTF-8, checked once for being well formed and indexed by where each of
// its objects and lists ends, so that single values can be read out of it later without parsing
// the rest. A compile's syntax tree is a megabyte of JSON of which an editing session reads a few
// paths; parsing all of it on every compile would cost more than the compiler's own code
// generation. Immutable once made, so it can be made on one thread and read on another.
class JsonText {
public:
    // [begin, end) of one value in the text.
    struct Span {
        qsizetype begin = 0;
        qsizetype end = 0;
        bool isEmpty() const { return end <= begin; }
    };
    // A value of a shared text: what a reader keeps to come back to it later.
    struct Ref {
        std::shared_ptr<const JsonText> text;
        Span span;
        bool isNull() const { return !text || span.isEmpty(); }
    };

    // Where each object and list of a text starts, in order, and where it ends (one past its
    // closing bracket).
    struct Index {
        std::vector<qsizetype> opens;
        std::vector<qsizetype> closes;
    };

    // The text checked and indexed; null when it is not exactly one well-formed JSON value
    // (white space around it allowed).
    static std::shared_ptr<const JsonText> make(QByteArray utf8);
    // A text that its writer indexed as it wrote it: exactly one well-formed JSON value, without
    // white space around it. Not checked again: a writer that makes a large text knows its
    // index for less than a reading of it costs.
    static std::shared_ptr<const JsonText> adopt(QByteArray utf8, Index index);
    // One past the closing quote of the string whose opening quote is at `quote` in `text`; -1
    // when it is not a well-formed string.
    static qsizetype stringEnd(QByteArrayView text, qsizetype quote);
    // The JSON form of the value, indexed.
    static Ref fromValue(const QJsonValue& value);

    Span root() const { return m_root; }
    // The first byte of the value: '{', '[', '"', 't', 'f', 'n', '-' or a digit.
    char kind(Span span) const { return span.isEmpty() ? '\0' : m_text.at(span.begin); }
    bool isObject(Span span) const { return kind(span) == '{'; }
    bool isArray(Span span) const { return kind(span) == '['; }
    bool isString(Span span) const { return kind(span) == '"'; }

    // Each member of the object at `span` in text order, its name decoded; `visit` answers
    // false to stop. Nothing happens for a span that is not an object.
    void forEachMember(Span object, const std::function<bool(const QString& name, Span value)>& visit) const;
    // The value of the first member of that name, or an empty span.
    Span member(Span object, QStringView name) const;
    // Each item of the list at `span`, in order.
    void forEachItem(Span list, const std::function<void(Span item)>& visit) const;

    // The value, parsed.
    QJsonValue value(Span span) const;
    // The decoded text of a string value; a null QString for any other value.
    QString string(Span span) const;
    QByteArrayView bytes(Span span) const { return QByteArrayView(m_text).sliced(span.begin, span.end - span.begin); }
    const QByteArray& text() const { return m_text; }

private:
    JsonText() = default;
    bool index();
    // One past the value that starts at `i` (which must be the start of a value of this text).
    qsizetype endOf(qsizetype i) const;
    qsizetype skipSpace(qsizetype i) const;

    QByteArray m_text;
    Span m_root;
    // Start and end (one past the closing bracket) of every object and list, by start.
    std::vector<qsizetype> m_opens;
    std::vector<qsizetype> m_closes;
};
