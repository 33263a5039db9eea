#include "profile/sessions/SessionConfigPart.h"

#include <atomic>

#include "platform/PlatformError.h"
#include "profile/reports/ReportRouting.h"
#include "profile/secrets/ProfileExpectSendList.h"
#include "profile/sessions/SessionSavePolicy.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/EncryptedStringServices.h"
#include "profile/values/VProfileDword.h"
#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/store/VProfileKey.h"
#include "profile/values/VProfileMultiSz.h"
#include "profile/values/VProfileSz.h"
#include "profile/reports/VReportMessageParams.h"

SessionConfigPart::SessionConfigPart(const SessionValueTable& table, const VProfileKey* key,
                                     const ProfilePath::Folders& folders)
    : m_table(&table)
{
    m_values.reserve(table.Defs().size());
    for (const SessionValueDef& def : table.Defs()) {
        m_values.push_back(CreateSessionValue(def, key, folders));
        VProfileData& value = *m_values.back();
        VUnicodeString older;
        if (def.kind == SessionValueKind::Secret && key && value.IsDirty() && key->ReadString(def.text, older) &&
            !older.IsEmpty()) {
            m_pendingOlder.emplace(m_values.size() - 1, std::move(older));
            value.SetFlag(false);
        }
    }
}

SessionConfigPart::SessionConfigPart(const SessionConfigPart& other)
    : VProfileContainer(other), m_table(other.m_table), m_pendingOlder(other.m_pendingOlder),
      m_keepPending(other.m_keepPending)
{
    m_values.reserve(other.m_values.size());
    for (size_t i = 0; i < other.m_values.size(); ++i)
        m_values.push_back(CloneSessionValue(m_table->Defs()[i].kind, *other.m_values[i]));
}

VProfileData* SessionConfigPart::ChildAt(size_t index)
{
    return index < m_values.size() ? m_values[index].get() : nullptr;
}

void SessionConfigPart::Replace(size_t index, std::unique_ptr<VProfileData> value)
{
    if (index < m_values.size())
        m_values[index] = std::move(value);
}

VProfileData* SessionConfigPart::Find(std::u16string_view name) const
{
    const size_t index = m_table->IndexOf(name);
    return index == SessionValueTable::npos ? nullptr : m_values[index].get();
}

VUnicodeString SessionConfigPart::GetText(std::u16string_view name) const
{
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos)
        return {};
    const VProfileData& value = *m_values[index];
    if (m_table->Defs()[index].kind == SessionValueKind::Lines)
        return static_cast<const VProfileMultiLineString&>(value).GetText();
    const auto* text = dynamic_cast<const VProfileString*>(&value);
    return text ? text->Get() : VUnicodeString();
}

void SessionConfigPart::SetText(std::u16string_view name, const VUnicodeString& text)
{
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos)
        return;
    VProfileData& value = *m_values[index];
    if (m_table->Defs()[index].kind == SessionValueKind::Lines)
        static_cast<VProfileMultiLineString&>(value).SetText(text);
    else if (auto* string = dynamic_cast<VProfileString*>(&value))
        string->Set(text);
}

uint32_t SessionConfigPart::GetNumber(std::u16string_view name) const
{
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos)
        return 0;
    const VProfileData& value = *m_values[index];
    switch (m_table->Defs()[index].kind) {
    case SessionValueKind::Flag:
        return static_cast<const VProfile<bool>&>(value).Get() ? 1 : 0;
    case SessionValueKind::Number:
        return static_cast<uint32_t>(static_cast<const VProfile<int>&>(value).Get());
    case SessionValueKind::Unsigned:
        return static_cast<const VProfile<unsigned int>&>(value).Get();
    case SessionValueKind::TriState:
        return static_cast<const VProfile<VTriState>&>(value).Get();
    default:
        return 0;
    }
}

void SessionConfigPart::SetNumber(std::u16string_view name, uint32_t number)
{
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos)
        return;
    VProfileData& value = *m_values[index];
    switch (m_table->Defs()[index].kind) {
    case SessionValueKind::Flag:
        static_cast<VProfile<bool>&>(value).Set(number != 0);
        break;
    case SessionValueKind::Number:
        static_cast<VProfile<int>&>(value).Set(static_cast<int>(number));
        break;
    case SessionValueKind::Unsigned:
        static_cast<VProfile<unsigned int>&>(value).Set(number);
        break;
    case SessionValueKind::TriState:
        static_cast<VProfile<VTriState>&>(value).Set(static_cast<VTriState>(number));
        break;
    default:
        break;
    }
}

VStringArray SessionConfigPart::GetList(std::u16string_view name) const
{
    const auto* list = dynamic_cast<const VProfileStringArray*>(Find(name));
    return list ? list->Get() : VStringArray();
}

void SessionConfigPart::SetList(std::u16string_view name, const VStringArray& value)
{
    if (auto* list = dynamic_cast<VProfileStringArray*>(Find(name)))
        list->Set(value);
}

bool SessionConfigPart::ConvertOlderSecret(size_t index, IReportMessageParams* report)
{
    const auto pending = m_pendingOlder.find(index);
    if (pending == m_pendingOlder.end())
        return true;
    const SessionValueDef& def = m_table->Defs()[index];
    VUnicodeString plaintext;
    if (static_cast<OlderSecretForm>(def.number) == OlderSecretForm::Plaintext) {
        plaintext = pending->second;
    } else {
        const TwoLayerStringKeys* keys = GetTwoLayerStringKeys();
        if (!keys) // unreadable without the fixed keys: kept for when they come
            return Report(report, kMsgOlderFormNeedsKeys, VUnicodeString(def.text));
        if (!DecryptTwoLayerString(pending->second, *keys, plaintext))
            return Report(report, kMsgEncryptedValueDamaged, VUnicodeString(def.text));
    }
    auto& value = static_cast<VProfileEncryptedString&>(*m_values[index]);
    const bool encrypted = UpdateProfileEncryptedString(value, plaintext, report);
    WipeText(plaintext);
    if (!encrypted)
        return false;
    value.Accept(); // the converted text, to be written under the current name
    value.SetDirty(true);
    value.SetFlag(true);
    m_pendingOlder.erase(pending);
    return true;
}

bool SessionConfigPart::ConvertOlderSecrets(IReportMessageParams* report)
{
    bool ok = true;
    std::vector<size_t> indexes;
    for (const auto& [index, text] : m_pendingOlder)
        indexes.push_back(index);
    for (size_t index : indexes)
        ok = ConvertOlderSecret(index, report) && ok;
    return ok;
}

bool SessionConfigPart::Save(const VProfileKey* key)
{
    return Save(key, SessionSavePolicy::Current(), nullptr);
}

namespace {

std::atomic<bool> g_olderSecretNoticeGiven{false};

// Told once a process: the same older values turn up at every save.
void NoteOlderSecretKept(const VUnicodeString& olderName)
{
    if (g_olderSecretNoticeGiven.exchange(true))
        return;
    VReportMessageParams* notice = VReportMessageParams::Create(kMsgOlderSecretsKept);
    notice->AddParameter(olderName);
    RouteReport(notice);
}

} // namespace

void SessionConfigPart::ResetOlderSecretNotice()
{
    g_olderSecretNoticeGiven = false;
}

bool SessionConfigPart::Save(const VProfileKey* key, const SessionSavePolicy& policy, IReportMessageParams* report)
{
    const bool secretsRefused = !policy.secretsRefusedBy.IsEmpty();
    if (!m_pendingOlder.empty() && !secretsRefused && !m_keepPending) {
        const PlatformError before = GetPlatformLastError();
        std::vector<size_t> indexes;
        for (const auto& [index, text] : m_pendingOlder)
            indexes.push_back(index);
        for (size_t index : indexes) {
            // What cannot be converted now stays as it is.
            VReportPtr failure = NewReport();
            if (!ConvertOlderSecret(index, failure.Get()) && failure->GetMessageId() == kMsgOlderFormNeedsKeys)
                NoteOlderSecretKept(VUnicodeString(m_table->Defs()[index].text));
        }
        SetPlatformLastError(before.code, before.text);
    }
    // Values the policy refuses sit this save out; the key keeps what it has.
    std::vector<VProfileData*> heldBack;
    const std::span<const SessionValueDef> defs = m_table->Defs();
    for (size_t i = 0; i < defs.size(); ++i) {
        VProfileData& value = *m_values[i];
        if (!value.GetFlag() || !(value.IsDirty() || value.IsChanged()))
            continue;
        const bool secret = defs[i].kind == SessionValueKind::Secret;
        const bool username = !secret && SessionSavePolicy::IsUsernameValue(defs[i].name);
        if (!(secret && secretsRefused) && !(username && !policy.usernamesRefusedBy.IsEmpty()))
            continue;
        // Only a value that would put something in the key, or change what
        // it holds, is worth a word; an empty default is just not written.
        const bool empty = secret ? static_cast<const VProfileEncryptedString&>(value).Get().IsEmpty()
                                  : GetText(defs[i].name).IsEmpty();
        if (!empty || (key && key->ValueExists(value.GetName()))) {
            if (secret)
                policy.RefusesSecret(value.GetName(), report);
            else
                policy.RefusesUsername(value.GetName(), report);
        }
        value.SetFlag(false);
        heldBack.push_back(&value);
    }
    const bool ok = VProfileContainer::Save(key);
    for (VProfileData* value : heldBack)
        value->SetFlag(true);
    return ok;
}

bool SessionConfigPart::HasSecret(std::u16string_view name) const
{
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos || m_table->Defs()[index].kind != SessionValueKind::Secret)
        return false;
    const auto pending = m_pendingOlder.find(index);
    if (pending != m_pendingOlder.end())
        return !pending->second.IsEmpty();
    return !static_cast<const VProfileEncryptedString&>(*m_values[index]).Get().IsEmpty();
}

bool SessionConfigPart::GetPendingOlder(std::u16string_view name, VUnicodeString& olderName,
                                        VUnicodeString& olderText) const
{
    const size_t index = m_table->IndexOf(name);
    const auto pending = index == SessionValueTable::npos ? m_pendingOlder.end() : m_pendingOlder.find(index);
    if (pending == m_pendingOlder.end())
        return false;
    olderName = VUnicodeString(m_table->Defs()[index].text);
    olderText = pending->second;
    return true;
}

bool SessionConfigPart::GetSecret(std::u16string_view name, VUnicodeString& plaintext, IReportMessageParams* report)
{
    plaintext = VUnicodeString();
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos || m_table->Defs()[index].kind != SessionValueKind::Secret)
        return Report(report, kMsgTypeMismatch, VUnicodeString(name));
    if (!ConvertOlderSecret(index, report))
        return false;
    return GetProfileEncryptedPlaintextString(static_cast<const VProfileEncryptedString&>(*m_values[index]), plaintext,
                                              report);
}

bool SessionConfigPart::SetSecret(std::u16string_view name, const VUnicodeString& plaintext,
                                  IReportMessageParams* report)
{
    const size_t index = m_table->IndexOf(name);
    if (index == SessionValueTable::npos || m_table->Defs()[index].kind != SessionValueKind::Secret)
        return Report(report, kMsgTypeMismatch, VUnicodeString(name));
    auto& value = static_cast<VProfileEncryptedString&>(*m_values[index]);
    if (!UpdateProfileEncryptedString(value, plaintext, report))
        return false;
    m_pendingOlder.erase(index); // the new value replaces the older one
    value.SetFlag(true);
    return true;
}
