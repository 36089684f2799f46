#include "compiler/TreeReplyText.h"

#include "model/JsonText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Parts = TreeReplyParts;

// The text being written, grown as needed: the writing is millions of short appends, so each is
// a bounds check and a copy.
class Out {
public:
    Out(qsizetype capacity, size_t brackets)
        : m_bytes(std::max<qsizetype>(capacity, 64), Qt::Uninitialized)
        , m_at(m_bytes.data())
        , m_end(m_at + m_bytes.size())
    {
        m_index.opens.reserve(brackets);
        m_index.closes.reserve(brackets);
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

    qsizetype position() const { return m_at - m_bytes.data(); }

    // An object or list starts at `at` (one of text copied whole): its slot in the index.
    size_t indexOpen(qsizetype at)
    {
        m_index.opens.push_back(at);
        m_index.closes.push_back(-1);
        return m_index.opens.size() - 1;
    }
    // It ends just before `at`.
    void indexClose(size_t slot, qsizetype at) { m_index.closes[slot] = at; }
    // An object or list starts here.
    size_t open(char bracket)
    {
        const size_t slot = indexOpen(position());
        put(bracket);
        return slot;
    }
    void close(size_t slot, char bracket)
    {
        put(bracket);
        indexClose(slot, position());
    }

    std::shared_ptr<const JsonText> take()
    {
        m_bytes.truncate(position());
        return JsonText::adopt(std::move(m_bytes), std::move(m_index));
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
    JsonText::Index m_index;
};

// The fixed texts of one shape of node.
struct Shape {
    QByteArray type; // "type":<type>
    std::vector<QByteArray> keys; // ,<name>: for each child name
    std::vector<QByteArray> names; // each child name as JSON
    QByteArray allNames; // every child name as JSON, between commas
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
                shape.type = "\"type\":" + quoted.toByteArray();
                first = false;
                return;
            }
            shape.keys.push_back(',' + quoted.toByteArray() + ':');
            shape.names.push_back(quoted.toByteArray());
        });
        if (first)
            fits = false;
        for (size_t i = 0; i < shape.names.size(); ++i)
            shape.allNames += (i > 0 ? "," : "") + shape.names[i];
        shapes.push_back(std::move(shape));
    });
    if (!fits)
        return std::nullopt;
    return shapes;
}

// Copies JSON text that JSON.stringify wrote (no white space) from `i` up to the first comma or
// closing bracket outside any object, list or string, or to its end: one value, or one member
// of an object. Its objects and lists go into the index as they are passed: one pass that only
// follows strings and nesting. Without `out` it only finds where that is. Answers where it
// stopped, or -1 when nothing is there, a string does not end or the brackets do not pair up.
qsizetype copyStringified(QByteArrayView text, qsizetype i, Out* out, std::vector<size_t>& open)
{
    const char* s = text.data();
    const qsizetype n = text.size();
    const qsizetype begin = i;
    const qsizetype shift = out ? out->position() - begin : 0;
    open.clear();
    for (; i < n; ++i) {
        const char c = s[i];
        if (c == '"') {
            if ((i = JsonText::stringEnd(text, i)) < 0)
                return -1;
            --i; // the closing quote
        } else if (c == '{' || c == '[') {
            open.push_back(out ? out->indexOpen(shift + i) : 0);
        } else if (c == '}' || c == ']') {
            if (open.empty())
                break;
            if (out)
                out->indexClose(open.back(), shift + i + 1);
            open.pop_back();
        } else if (c == ',' && open.empty()) {
            break;
        }
    }
    if (!open.empty() || i == begin)
        return -1;
    if (out)
        out->put(s + begin, size_t(i - begin));
    return i;
}

// The items of a list that JSON.stringify wrote, read one after the other.
class StringifiedItems {
public:
    explicit StringifiedItems(QByteArrayView list)
        : m_list(list)
        , m_wellFormed(list.size() >= 2 && list.front() == '[' && list.back() == ']')
        , m_ended(!m_wellFormed || list.size() == 2)
    {
    }

    // Copies the next item into `out`, indexed (or, without `out`, only passes it): its text,
    // or an empty one when the list has no more or is not well formed.
    QByteArrayView next(Out* out)
    {
        if (m_ended)
            return {};
        const qsizetype begin = m_at;
        const qsizetype end = copyStringified(m_list, begin, out, m_open);
        const bool last = end == m_list.size() - 1;
        if (end < 0 || m_list[end] != (last ? ']' : ',')) {
            m_ended = true;
            m_wellFormed = false;
            return {};
        }
        m_at = end + 1;
        m_ended = last;
        return m_list.sliced(begin, end - begin);
    }
    // Copies an item passed before (of this list or of another) into `out`, indexed.
    void copy(QByteArrayView item, Out& out)
    {
        if (item.front() == '"')
            out.put(item); // a string, the usual type key: nothing in it to index
        else
            copyStringified(item, 0, &out, m_open);
    }
    // Whether every item was read and the list is well formed.
    bool done() const { return m_ended && m_wellFormed; }

private:
    QByteArrayView m_list;
    bool m_wellFormed;
    bool m_ended;
    qsizetype m_at = 1;
    std::vector<size_t> m_open;
};

// The nodes' values, read in order from one list or from the pieces they come in, which are
// kept for as long as the text refers to them.
class NodeValues {
public:
    explicit NodeValues(const Parts& parts)
        : m_next(parts.nextValues)
        , m_items(m_next ? QByteArrayView() : parts.values)
        , m_covered(m_next ? 0 : SIZE_MAX)
    {
    }

    // Makes the values of `node` the next to read, taking the pieces up to it: false when they
    // do not come, or a piece before it has values left over.
    bool reach(size_t node)
    {
        while (node >= m_covered) {
            if (m_covered > 0 && !m_items.done())
                return false;
            std::optional<Parts::ValuesPiece> piece = m_next();
            if (!piece || piece->nodesCovered <= m_covered)
                return false;
            m_pieces.push_back(std::move(piece->json));
            m_items = StringifiedItems(m_pieces.back());
            m_covered = piece->nodesCovered;
        }
        return true;
    }
    QByteArrayView next(Out* out) { return m_items.next(out); }
    void copy(QByteArrayView item, Out& out) { m_items.copy(item, out); }
    // Whether every value was read, the last node's piece being the last piece.
    bool done(size_t nodes) const { return m_items.done() && (!m_next || m_covered == nodes); }

private:
    std::function<std::optional<Parts::ValuesPiece>()> m_next;
    std::deque<QByteArray> m_pieces;
    StringifiedItems m_items;
    size_t m_covered;
};

// An open node (with its shape) or list (without) of the tree being written.
struct Frame {
    const Shape* shape = nullptr;
    size_t slot = 0; // in the index
    QByteArrayView typeHash; // its type key, from the values: written as the node closes
    size_t listedBegin = 0; // where its children's places start in the list of places
    int lastChild = -1;
    bool first = true; // a list that has no item yet
};

} // namespace

std::shared_ptr<const JsonText> treeReplyText(const TreeReplyParts& parts)
{
    const std::optional<std::vector<Shape>> shapes = readShapes(parts.shapes);
    if (!shapes || (!parts.nextValues && !parts.values.startsWith('[')) || parts.others.size() < 2
        || !parts.others.startsWith('{') || !parts.others.endsWith('}'))
        return nullptr;
    const int32_t* records = parts.records.data();
    const size_t count = parts.records.size();
    if (count == 0 || records[0] < 0) // the tree is a node
        return nullptr;

    // Room for the text and the index as a big program's tree needs it: growing them as they
    // are written would copy each again.
    const qsizetype valuesSize = parts.nextValues ? qsizetype(parts.has.size()) * 24 : parts.values.size();
    Out out(valuesSize + qsizetype(count) * 14 + parts.others.size() + 16, parts.has.size() * 3);
    NodeValues values(parts);
    const size_t reply = out.open('{');
    out.put("\"ast\":", 6);
    std::vector<Frame> open;
    std::vector<int> listed; // the places of the children of the open nodes, in order
    size_t at = 0, node = 0;
    bool wantValue = true; // the next record starts a value
    for (;;) {
        if (wantValue) {
            if (at >= count)
                return nullptr;
            const int32_t record = records[at++];
            wantValue = false;
            if (record >= 0) {
                if (size_t(record) >= shapes->size() || node >= parts.has.size() || !values.reach(node))
                    return nullptr;
                Frame frame;
                frame.shape = &(*shapes)[size_t(record)];
                frame.listedBegin = listed.size();
                frame.slot = out.open('{');
                out.put(frame.shape->type);
                const uint8_t has = parts.has[node++];
                if (has & Parts::kHasData) {
                    out.put(",\"data\":", 8);
                    if (values.next(&out).isEmpty())
                        return nullptr;
                }
                if ((has & Parts::kHasTypeHash) && (frame.typeHash = values.next(nullptr)).isEmpty())
                    return nullptr;
                open.push_back(frame);
            } else if (record == Parts::kListRecord) {
                Frame frame;
                frame.slot = out.open('[');
                open.push_back(frame);
            } else if (record == Parts::kNullRecord) {
                out.put("null", 4);
            } else {
                return nullptr;
            }
            continue;
        }
        if (open.empty())
            break; // the tree is written
        if (at >= count)
            return nullptr;
        Frame& frame = open.back();
        const int32_t record = records[at++];
        if (!frame.shape) {
            if (record == Parts::kListEndRecord) {
                out.close(frame.slot, ']');
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
                return nullptr;
            frame.lastChild = int(place);
            listed.push_back(int(place));
            out.put(shape.keys[size_t(place)]);
            wantValue = true;
            continue;
        }
        if ((record != Parts::kEndRecord && record != Parts::kNoLocationRecord) || count - at < 4)
            return nullptr;
        const size_t children = listed.size() - frame.listedBegin;
        if (children > 0) {
            out.put(",\"children\":", 12);
            const size_t list = out.open('[');
            if (children == shape.names.size()) {
                out.put(shape.allNames);
            } else {
                for (size_t i = frame.listedBegin; i < listed.size(); ++i) {
                    if (i > frame.listedBegin)
                        out.put(',');
                    out.put(shape.names[size_t(listed[i])]);
                }
            }
            out.close(list, ']');
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
            values.copy(frame.typeHash, out);
        }
        out.close(frame.slot, '}');
        open.pop_back();
    }
    if (at != count || node != parts.has.size() || !values.done(node))
        return nullptr;
    // The other members go in after the tree.
    std::vector<size_t> nesting;
    for (qsizetype i = 1; i < parts.others.size() - 1;) {
        out.put(',');
        const qsizetype end = copyStringified(parts.others, i, &out, nesting);
        if (end < 0 || (end < parts.others.size() - 1 && parts.others[end] != ','))
            return nullptr;
        i = end + 1;
    }
    out.close(reply, '}');
    return out.take();
}
