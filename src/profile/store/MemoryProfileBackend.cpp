#include "profile/store/MemoryProfileBackend.h"

#include <cstring>
#include <functional>
#include <map>
#include <variant>
#include <vector>

#include "profile/store/ProfileKeyPath.h"

struct MemoryProfileFactory::Node {
    using Value = std::variant<uint32_t, VUnicodeString, VStringArray, std::vector<uint8_t>>;
    struct NamedValue {
        VUnicodeString name; // as first written
        Value value;
    };
    VUnicodeString name;
    std::weak_ptr<Node> parent;
    bool removed = false;
    std::map<std::u16string, std::shared_ptr<Node>, VNoCaseLess> children;
    std::map<std::u16string, NamedValue, VNoCaseLess> values;
    uint32_t number = 0;
};

// What the stores of one factory share: the transaction under way, as the
// steps that undo it.
struct MemoryProfileFactory::Shared {
    std::shared_ptr<Node> root = std::make_shared<Node>();
    int depth = 0;
    bool abandoned = false;
    std::vector<std::function<void()>> undo;

    void Record(std::function<void()> step)
    {
        if (depth > 0)
            undo.push_back(std::move(step));
    }
};

namespace {

using Node = MemoryProfileFactory::Node;
using Shared = MemoryProfileFactory::Shared;

uint32_t g_nextNumber = 1;

void MarkRemoved(Node& node, bool removed = true);

std::shared_ptr<Node> Walk(const std::shared_ptr<Node>& from, std::u16string_view path, bool create,
                           Shared* shared = nullptr)
{
    std::shared_ptr<Node> node = from;
    for (std::u16string_view part : SplitKeyPath(path)) {
        auto it = node->children.find(part);
        if (it == node->children.end()) {
            if (!create)
                return nullptr;
            auto child = std::make_shared<Node>();
            child->name = VUnicodeString(part);
            child->parent = node;
            child->number = g_nextNumber++;
            it = node->children.emplace(std::u16string(part), child).first;
            if (shared)
                shared->Record([parent = node, child] {
                    parent->children.erase(child->name.str());
                    MarkRemoved(*child);
                });
        }
        node = it->second;
    }
    return node;
}

// Whether `path` names `base` or a key below it.
bool IsSameOrBelow(std::u16string_view path, std::u16string_view base)
{
    const auto p = SplitKeyPath(path);
    const auto b = SplitKeyPath(base);
    if (p.size() < b.size())
        return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (VUnicodeString::CompareNoCase(p[i], b[i]) != 0)
            return false;
    return true;
}

void MarkRemoved(Node& node, bool removed)
{
    node.removed = removed;
    for (auto& [name, child] : node.children)
        MarkRemoved(*child, removed);
}

// Takes `node` out of its parent and puts it below `target` as `name`,
// with the step that puts it back.
void Replace(Shared& shared, const std::shared_ptr<Node>& node, const std::shared_ptr<Node>& target,
             const VUnicodeString& name)
{
    std::shared_ptr<Node> oldParent = node->parent.lock();
    const VUnicodeString oldName = node->name;
    oldParent->children.erase(node->name.str());
    node->name = name;
    node->parent = target;
    target->children.emplace(name.str(), node);
    shared.Record([node, oldParent, oldName] {
        if (std::shared_ptr<Node> now = node->parent.lock())
            now->children.erase(node->name.str());
        node->name = oldName;
        node->parent = oldParent;
        oldParent->children.emplace(oldName.str(), node);
    });
}

class MemoryIterator final : public IProfileBackendIterator {
public:
    struct Entry {
        VUnicodeString name;
        uint32_t extra;
    };
    explicit MemoryIterator(std::vector<Entry> entries) : m_entries(std::move(entries)) {}
    bool Next(VUnicodeString& name, uint32_t& extra) override
    {
        if (m_next >= m_entries.size())
            return false;
        name = m_entries[m_next].name;
        extra = m_entries[m_next++].extra;
        return true;
    }
    bool Next(VUnicodeString& name) override
    {
        uint32_t extra = 0;
        return Next(name, extra);
    }

private:
    std::vector<Entry> m_entries;
    size_t m_next = 0;
};

uint32_t ValueKind(const Node::Value& value)
{
    switch (value.index()) {
    case 0:
        return kValueKindDword;
    case 1:
        return kValueKindString;
    case 2:
        return kValueKindMultiString;
    default:
        return kValueKindBinary;
    }
}

class MemoryKey final : public IProfileBackendKey {
public:
    MemoryKey(std::shared_ptr<Node> node, std::shared_ptr<Shared> shared)
        : m_node(std::move(node)), m_shared(std::move(shared))
    {
    }

    bool ValueExists(const VUnicodeString& name) override { return Find(name) != nullptr; }
    bool ReadStringArray(const VUnicodeString& name, VStringArray& value) override { return Read(name, value); }
    bool ReadString(const VUnicodeString& name, VUnicodeString& value) override { return Read(name, value); }
    bool ReadDword(const VUnicodeString& name, uint32_t& value) override { return Read(name, value); }
    bool ReadBinary(const VUnicodeString& name, void* buffer, uint32_t& size) override
    {
        std::vector<uint8_t> bytes;
        if (!Read(name, bytes))
            return false;
        const uint32_t capacity = size;
        size = static_cast<uint32_t>(bytes.size());
        if (bytes.size() > capacity)
            return false;
        if (!bytes.empty())
            std::memcpy(buffer, bytes.data(), bytes.size());
        return true;
    }
    bool WriteStringArray(const VUnicodeString& name, const VStringArray& value) override
    {
        return Write(name, value);
    }
    bool WriteBinary(const VUnicodeString& name, const void* data, uint32_t size) override
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        return Write(name, std::vector<uint8_t>(bytes, bytes + size));
    }
    bool WriteString(const VUnicodeString& name, const VUnicodeString& value) override { return Write(name, value); }
    bool WriteUnsigned(const VUnicodeString& name, uint32_t value) override { return Write(name, value); }
    bool WriteSigned(const VUnicodeString& name, int32_t value) override
    {
        return Write(name, static_cast<uint32_t>(value));
    }
    bool WriteBool(const VUnicodeString& name, bool value) override { return Write(name, uint32_t{value}); }

    bool DeleteKey(const VUnicodeString& path) override
    {
        const auto parts = SplitKeyPath(path);
        if (!Usable() || parts.empty())
            return false;
        std::shared_ptr<Node> node = Walk(m_node, path, false);
        if (!node)
            return false;
        std::shared_ptr<Node> parent = node->parent.lock();
        MarkRemoved(*node);
        parent->children.erase(node->name.str());
        m_shared->Record([parent, node] {
            MarkRemoved(*node, false);
            parent->children.emplace(node->name.str(), node);
        });
        return true;
    }
    bool RenameKey(const VUnicodeString& oldPath, const VUnicodeString& newPath) override
    {
        if (!Usable() || (IsSameOrBelow(newPath, oldPath) && !IsSameOrBelow(oldPath, newPath)))
            return false; // a key cannot move below itself
        const auto newParts = SplitKeyPath(newPath);
        std::shared_ptr<Node> node = Walk(m_node, oldPath, false);
        if (!node || node == m_node || newParts.empty())
            return false;
        std::u16string parentPath;
        for (size_t i = 0; i + 1 < newParts.size(); ++i)
            (parentPath += newParts[i]) += u'\\';
        const VUnicodeString newName(newParts.back());
        if (std::shared_ptr<Node> existing = Walk(m_node, parentPath, false)) {
            const auto clash = existing->children.find(newName.str());
            if (clash != existing->children.end() && clash->second != node)
                return false;
        }
        std::shared_ptr<Node> target = Walk(m_node, parentPath, true, m_shared.get());
        Replace(*m_shared, node, target, newName);
        return true;
    }
    bool CanMoveKeys() override { return true; }
    bool MoveKey(const VUnicodeString& path, const VUnicodeString& newParentPath, const VUnicodeString& newName) override
    {
        if (!Usable() || SplitKeyPath(newName).size() != 1)
            return false;
        std::shared_ptr<Node> node = Walk(m_node, path, false);
        std::shared_ptr<Node> target = Walk(m_node, newParentPath, false);
        if (!node || !target || node == m_node)
            return false;
        for (std::shared_ptr<Node> up = target; up; up = up->parent.lock())
            if (up == node)
                return false; // a key cannot move below itself
        const auto clash = target->children.find(newName.str());
        if (clash != target->children.end() && clash->second != node)
            return false;
        Replace(*m_shared, node, target, newName);
        return true;
    }
    bool QueryValuesBelow(const VStringArray& names, int depth, const FoundValueSink& sink) override
    {
        if (Usable())
            Query(*m_node, {}, names, depth > 0 ? depth : 1 << 30, sink);
        return true;
    }
    bool KeyExists(const VUnicodeString& path) override { return Usable() && Walk(m_node, path, false) != nullptr; }
    uint32_t GetKeyNumber() override { return Usable() ? m_node->number : 0; }
    void* GetKeyHandle() override { return Usable() ? m_node.get() : nullptr; }
    void SetKeyName(const VUnicodeString& name) override { m_recordedName = name; }
    IProfileBackendKey* OpenKey(const VUnicodeString& path, int, int create) override
    {
        if (!Usable())
            return nullptr;
        std::shared_ptr<Node> node = Walk(m_node, path, create != 0, m_shared.get());
        return node ? new MemoryKey(std::move(node), m_shared) : nullptr;
    }
    IProfileBackendIterator* Enumerate(int kind) override
    {
        std::vector<MemoryIterator::Entry> entries;
        if (kind == kEnumerateSubkeys && Usable())
            for (const auto& [folded, child] : m_node->children)
                entries.push_back({child->name, child->values.empty() ? kChildKindWithoutValues : kChildKindWithValues});
        else if (kind == kEnumerateValues && Usable())
            for (const auto& [folded, value] : m_node->values)
                entries.push_back({value.name, ValueKind(value.value)});
        return new MemoryIterator(std::move(entries));
    }

private:
    static void Query(const Node& node, const std::u16string& path, const VStringArray& names, int depth,
                      const FoundValueSink& sink)
    {
        for (const auto& [folded, child] : node.children) {
            const std::u16string childPath = path.empty() ? child->name.str() : path + u'\\' + child->name.str();
            for (const VUnicodeString& name : names) {
                const auto it = child->values.find(name.str());
                if (it == child->values.end())
                    continue;
                FoundValue found{childPath, name, ValueKind(it->second.value), 0, {}};
                if (const auto* number = std::get_if<uint32_t>(&it->second.value))
                    found.number = *number;
                else if (const auto* text = std::get_if<VUnicodeString>(&it->second.value))
                    found.text = *text;
                std::u16string joined;
                if (const auto* lines = std::get_if<VStringArray>(&it->second.value)) {
                    for (size_t i = 0; i < lines->GetSize(); ++i)
                        (joined += i ? u"\r\n" : u"") += (*lines)[i].str();
                    found.text = joined;
                }
                sink(found);
            }
            if (depth > 1)
                Query(*child, childPath, names, depth - 1, sink);
        }
    }
    bool Usable() const { return !m_node->removed; }
    const Node::NamedValue* Find(const VUnicodeString& name) const
    {
        if (!Usable())
            return nullptr;
        const auto it = m_node->values.find(name.str());
        return it == m_node->values.end() ? nullptr : &it->second;
    }
    template <class T>
    bool Read(const VUnicodeString& name, T& out) const
    {
        const Node::NamedValue* found = Find(name);
        if (!found)
            return false;
        const T* value = std::get_if<T>(&found->value);
        if (!value)
            return false;
        out = *value;
        return true;
    }
    bool Write(const VUnicodeString& name, Node::Value value)
    {
        if (!Usable())
            return false;
        auto it = m_node->values.find(name.str());
        if (it == m_node->values.end()) {
            m_node->values.emplace(name.str(), Node::NamedValue{name, std::move(value)});
            m_shared->Record([node = m_node, name] { node->values.erase(name.str()); });
        } else {
            m_shared->Record([node = m_node, name, old = it->second.value] {
                if (const auto at = node->values.find(name.str()); at != node->values.end())
                    at->second.value = old;
            });
            it->second.value = std::move(value);
        }
        return true;
    }

    std::shared_ptr<Node> m_node;
    std::shared_ptr<Shared> m_shared;
    VUnicodeString m_recordedName;
};

// The outermost store of a factory is one transaction: abandoned, its
// steps are undone in reverse when it ends.
class MemoryStore final : public IProfileBackendStore {
public:
    explicit MemoryStore(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) { ++m_shared->depth; }
    ~MemoryStore() override
    {
        if (--m_shared->depth > 0)
            return;
        if (m_shared->abandoned)
            for (auto step = m_shared->undo.rbegin(); step != m_shared->undo.rend(); ++step)
                (*step)();
        m_shared->undo.clear();
        m_shared->abandoned = false;
    }
    IProfileBackendKey* OpenRootKey(int) override { return new MemoryKey(m_shared->root, m_shared); }
    void Abandon() override { m_shared->abandoned = true; }

private:
    std::shared_ptr<Shared> m_shared;
};

} // namespace

MemoryProfileFactory::MemoryProfileFactory() : m_shared(std::make_shared<Shared>()) {}

MemoryProfileFactory::~MemoryProfileFactory() = default;

IProfileBackendStore* MemoryProfileFactory::CreateStore()
{
    return new MemoryStore(m_shared);
}
