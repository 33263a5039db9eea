#include "profile/store/MemoryProfileBackend.h"

#include <cstring>
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

namespace {

using Node = MemoryProfileFactory::Node;

uint32_t g_nextNumber = 1;

std::shared_ptr<Node> Walk(const std::shared_ptr<Node>& from, std::u16string_view path, bool create)
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
            it = node->children.emplace(std::u16string(part), std::move(child)).first;
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

void MarkRemoved(Node& node)
{
    node.removed = true;
    for (auto& [name, child] : node.children)
        MarkRemoved(*child);
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
    explicit MemoryKey(std::shared_ptr<Node> node) : m_node(std::move(node)) {}

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
        std::shared_ptr<Node> target = Walk(m_node, parentPath, true);
        node->parent.lock()->children.erase(node->name.str());
        node->name = newName;
        node->parent = target;
        target->children.emplace(newName.str(), node);
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
        std::shared_ptr<Node> node = Walk(m_node, path, create != 0);
        return node ? new MemoryKey(std::move(node)) : nullptr;
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
        if (it == m_node->values.end())
            m_node->values.emplace(name.str(), Node::NamedValue{name, std::move(value)});
        else
            it->second.value = std::move(value);
        return true;
    }

    std::shared_ptr<Node> m_node;
    VUnicodeString m_recordedName;
};

class MemoryStore final : public IProfileBackendStore {
public:
    explicit MemoryStore(std::shared_ptr<Node> root) : m_root(std::move(root)) {}
    IProfileBackendKey* OpenRootKey(int) override { return new MemoryKey(m_root); }

private:
    std::shared_ptr<Node> m_root;
};

} // namespace

MemoryProfileFactory::MemoryProfileFactory() : m_root(std::make_shared<Node>()) {}

MemoryProfileFactory::~MemoryProfileFactory() = default;

IProfileBackendStore* MemoryProfileFactory::CreateStore()
{
    return new MemoryStore(m_root);
}
