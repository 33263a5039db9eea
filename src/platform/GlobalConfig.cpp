#include "platform/GlobalConfig.h"

namespace {

GlobalConfig g_config;
IGlobalConfigStorage* g_storage = nullptr;

} // namespace

uint32_t GlobalConfig::MultiConnectWarningThreshold()
{
    if (multiConnectWarningThreshold < 1 || multiConnectWarningThreshold > 1000) {
        multiConnectWarningThreshold = kDefaultMultiConnectWarningThreshold;
        Save();
    }
    return multiConnectWarningThreshold;
}

bool GlobalConfig::Save() const
{
    return g_storage && g_storage->Save(*this);
}

void GlobalConfig::Reload()
{
    *this = GlobalConfig();
    if (g_storage)
        g_storage->Load(*this);
}

namespace {

template <class Record, class F>
void VisitPlacementFields(Record& r, F&& f)
{
    for (auto* field : {&r.state, &r.side, &r.sibling, &r.left, &r.top, &r.width, &r.height, &r.floatLeft,
                        &r.floatTop, &r.floatWidth, &r.floatHeight, &r.visible})
        f(*field);
}

} // namespace

std::vector<uint8_t> EncodePanePlacement(const PanePlacementRecord& record)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(kPanePlacementBytes);
    VisitPlacementFields(record, [&](const int32_t& field) {
        const auto v = static_cast<uint32_t>(field);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(v >> shift));
    });
    return bytes;
}

bool DecodePanePlacement(std::span<const uint8_t> bytes, PanePlacementRecord& record)
{
    if (bytes.size() != kPanePlacementBytes)
        return false; // a record of another length is not ours to guess at
    size_t at = 0;
    VisitPlacementFields(record, [&](int32_t& field) {
        const uint32_t v = uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
                           uint32_t(bytes[at + 3]) << 24;
        field = static_cast<int32_t>(v);
        at += 4;
    });
    return true;
}

bool ParseToolbarCommandNumber(const VUnicodeString& text, uint32_t& command)
{
    if (text.IsEmpty() || text.Length() > 10)
        return false;
    uint64_t value = 0;
    for (char16_t c : text.str()) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
    }
    if (value > 0xFFFFFFFFu)
        return false;
    command = static_cast<uint32_t>(value);
    return true;
}

bool GetGlobalConfig(GlobalConfig** config)
{
    if (!config)
        return false;
    *config = &g_config;
    return true;
}

void SetGlobalConfigStorage(IGlobalConfigStorage* storage)
{
    g_storage = storage;
    g_config.Reload();
}
