#include "compiler/TreeReplyText.h"

#include "model/JsonText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Parts = TreeReplyParts;

// The text being written, grown as needed: the writing is millions of short appends, so each is
// a bounds check and a copy.
class Out {
public:
    explicit Out(qsizetype capacity)
        : m_bytes(std::max<qsizetype>(capacity, 64), Qt::Uninitialized)
        , m_at(m_bytes.data())
        , m_end(m_at + m_bytes.size())
    {
    }

    void put(const char* s, size_t n)
    {
        if (size_t(m_end - m_at) < n)
            grow(n);
        std::memcpy(m_at, s, n);
        m_at += n;
    }
    void put(QByteArrayView text) { put(text.data(), size_t(text.size())); }
    void put(char c)
    {
        if (m_at == m_end)
            grow(1);
        *m_at++ = c;
    }
    void putNumber(int32_t value)
    {
        if (m_end - m_at < 12)
            grow(12);
        m_at = std::to_chars(m_at, m_end, value).ptr;
    }

    QByteArray take()
    {
        m_bytes.truncate(m_at - m_bytes.data());
        return std::move(m_bytes);
    }

private:
    void grow(size_t n)
    {
        const qsizetype used = m_at - m_bytes.data();
        const qsizetype capacity = std::max(m_bytes.size() * 2, used + qsizetype(n));
        m_bytes.resize(capacity);
        m_at = m_bytes.data() + used;
        m_end = m_bytes.data() + capacity;
    }

    QByteArray m_bytes;
    char* m_at;
    char* m_end;
};

// The fixed texts of one shape of node.
struct Shape {
    QByteArray open; // {"type":<type>
    std::vector<QByteArray> keys; // ,<name>: for each child name
    std::vector<QByteArray> names; // each child name as JSON
    QByteArray allChildren; // ,"children":[<every name>]
};

std::optional<std::vector<Shape>> readShapes(QByteArrayView json)
{
    const std::shared_ptr<const JsonText> text = JsonText::make(json.toByteArray());
    if (!text || !text->isArray(text->root()))
        return std::nullopt;
    std::vector<Shape> shapes;
    bool fits = true;
    text->forEachItem(text->root(), [&](JsonText::Span item) {
        Shape shape;
        bool first = true;
        if (!text->isArray(item))
            fits = false;
        text->forEachItem(item, [&](JsonText::Span name) {
            if (!text->isString(name)) {
                fits = false;
                return;
            }
            const QByteArrayView quoted = text->bytes(name);
            if (first) {
                shape.open = "{\"type\":" + quoted.toByteArray();
                first = false;
                return;
            }
            shape.keys.push_back(',' + quoted.toByteArray() + ':');
            shape.names.push_back(quoted.toByteArray());
        });
        if (first)
            fits = false;
        shape.allChildren = ",\"children\":[";
        for (size_t i = 0; i < shape.names.size(); ++i)
            shape.allChildren += (i > 0 ? "," : "") + shape.names[i];
        shape.allChildren += ']';
        shapes.push_back(std::move(shape));
    });
    if (!fits)
        return std::nullopt;
    return shapes;
}

// The texts of the items of a JSON list that JSON.stringify wrote (no white space), found by
// one pass that only tracks strings and nesting; nothing when the text is not such a list.
std::optional<std::vector<QByteArrayView>> listItems(QByteArrayView list, size_t expected)
{
    const char* s = list.data();
    const qsizetype n = list.size();
    if (n < 2 || s[0] != '[' || s[n - 1] != ']')
        return std::nullopt;
    std::vector<QByteArrayView> items;
    items.reserve(expected);
    if (n == 2)
        return items;
    int depth = 0;
    qsizetype start = 1;
    for (qsizetype i = 1; i < n - 1; ++i) {
        const char c = s[i];
        if (c == '"') {
            for (++i; i < n && s[i] != '"'; ++i)
                if (s[i] == '\\')
                    ++i;
            if (i >= n - 1)
                return std::nullopt;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (--depth < 0)
                return std::nullopt;
        } else if (c == ',' && depth == 0) {
            items.push_back(list.sliced(start, i - start));
            start = i + 1;
        }
    }
    if (depth != 0 || start >= n - 1)
        return std::nullopt;
    items.push_back(list.sliced(start, n - 1 - start));
    return items;
}

// An open node (with its shape) or list (without) of the tree being written.
struct Frame {
    const Shape* shape = nullptr;
    QByteArrayView typeHash; // written as the node closes
    size_t listedBegin = 0; // where its children's places start in the list of places
    int lastChild = -1;
    bool first = true; // a list that has no item yet
};

} // namespace

std::optional<QByteArray> treeReplyText(const TreeReplyParts& parts)
{
    const std::optional<std::vector<Shape>> shapes = readShapes(parts.shapes);
    const std::optional<std::vector<QByteArrayView>> found = listItems(parts.values, parts.has.size() * 2);
    if (!shapes || !found || parts.others.size() < 2 || !parts.others.startsWith('{') || !parts.others.endsWith('}'))
        return std::nullopt;
    const std::vector<QByteArrayView>& values = *found;

    const int32_t* records = parts.records.data();
    const size_t count = parts.records.size();
    if (count == 0 || records[0] < 0) // the tree is a node
        return std::nullopt;
    Out out(parts.values.size() + qsizetype(count) * 14 + parts.others.size() + 16);
    out.put("{\"ast\":", 7);
    std::vector<Frame> open;
    std::vector<int> listed; // the places of the children of the open nodes, in order
    size_t at = 0, node = 0, value = 0;
    bool wantValue = true; // the next record starts a value
    for (;;) {
        if (wantValue) {
            if (at >= count)
                return std::nullopt;
            const int32_t record = records[at++];
            wantValue = false;
            if (record >= 0) {
                if (size_t(record) >= shapes->size() || node >= parts.has.size())
                    return std::nullopt;
                Frame frame;
                frame.shape = &(*shapes)[size_t(record)];
                frame.listedBegin = listed.size();
                out.put(frame.shape->open);
                const uint8_t has = parts.has[node++];
                if (has & Parts::kHasData) {
                    if (value >= values.size())
                        return std::nullopt;
                    out.put(",\"data\":", 8);
                    out.put(values[value++]);
                }
                if (has & Parts::kHasTypeHash) {
                    if (value >= values.size())
                        return std::nullopt;
                    frame.typeHash = values[value++];
                }
                open.push_back(frame);
            } else if (record == Parts::kListRecord) {
                out.put('[');
                open.push_back(Frame());
            } else if (record == Parts::kNullRecord) {
                out.put("null", 4);
            } else {
                return std::nullopt;
            }
            continue;
        }
        if (open.empty())
            break; // the tree is written
        if (at >= count)
            return std::nullopt;
        Frame& frame = open.back();
        const int32_t record = records[at++];
        if (!frame.shape) {
            if (record == Parts::kListEndRecord) {
                out.put(']');
                open.pop_back();
                continue;
            }
            if (!frame.first)
                out.put(',');
            frame.first = false;
            --at; // read again as the item it starts
            wantValue = true;
            continue;
        }
        const Shape& shape = *frame.shape;
        if (record <= Parts::kChildRecord) {
            const int64_t place = int64_t(Parts::kChildRecord) - record;
            // A node's children come in the order of the shape's names, each once.
            if (place >= int64_t(shape.names.size()) || place <= frame.lastChild)
                return std::nullopt;
            frame.lastChild = int(place);
            listed.push_back(int(place));
            out.put(shape.keys[size_t(place)]);
            wantValue = true;
            continue;
        }
        if ((record != Parts::kEndRecord && record != Parts::kNoLocationRecord) || count - at < 4)
            return std::nullopt;
        const size_t children = listed.size() - frame.listedBegin;
        if (children == shape.names.size() && children > 0) {
            out.put(shape.allChildren);
        } else if (children > 0) {
            out.put(",\"children\":[", 13);
            for (size_t i = frame.listedBegin; i < listed.size(); ++i) {
                if (i > frame.listedBegin)
                    out.put(',');
                out.put(shape.names[size_t(listed[i])]);
            }
            out.put(']');
        }
        listed.resize(frame.listedBegin);
        if (record == Parts::kEndRecord) {
            out.put(",\"location\":\"", 13);
            out.putNumber(records[at]);
            out.put(':');
            out.putNumber(records[at + 1]);
            out.put('-');
            out.putNumber(records[at + 2]);
            out.put(':');
            out.putNumber(records[at + 3]);
            out.put('"');
        }
        at += 4;
        if (!frame.typeHash.isEmpty()) {
            out.put(",\"typeHash\":", 12);
            out.put(frame.typeHash);
        }
        out.put('}');
        open.pop_back();
    }
    if (at != count || node != parts.has.size() || value != values.size())
        return std::nullopt;
    if (parts.others.size() > 2) {
        out.put(',');
        out.put(parts.others.sliced(1));
    } else {
        out.put('}');
    }
    return out.take();
}
