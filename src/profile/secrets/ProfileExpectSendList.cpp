#include "profile/secrets/ProfileExpectSendList.h"

#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/TwoLayerEncryptedString.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

using KeyDataPtr = VUnknownPointer<VEncryptedStringKeyData>;

KeyDataPtr PassphraseKeyData(IReportMessageParams* report)
{
    VEncryptedStringKeyData* keyData = nullptr;
    GetConfigPassphraseKeyData(&keyData, report);
    return KeyDataPtr(keyData);
}

std::vector<std::u16string_view> SplitFields(std::u16string_view text)
{
    std::vector<std::u16string_view> fields;
    for (;;) {
        const size_t at = text.find(ProfileExpectSendList::kSeparator);
        fields.push_back(text.substr(0, at));
        if (at == std::u16string_view::npos)
            return fields;
        text.remove_prefix(at + 1);
    }
}

bool FlagOf(std::u16string_view field)
{
    return !field.starts_with(u'0');
}

} // namespace

ProfileExpectSendList::ProfileExpectSendList(const VProfileKey* key, IReportMessageParams* report)
    : ProfileExpectSendList()
{
    Load(key, report);
}

VUnicodeString ProfileExpectSendList::StepPlaintext(const ExpectSendStep& step)
{
    VUnicodeString text(step.flag ? u"1" : u"0");
    for (const VUnicodeString* field : {&step.first, &step.second, &step.third}) {
        text += kSeparator;
        text += *field;
    }
    text += kSeparator;
    return text;
}

bool ProfileExpectSendList::ParseStep(std::u16string_view plaintext, ExpectSendStep& step)
{
    if (plaintext.empty())
        return false;
    const std::vector<std::u16string_view> fields = SplitFields(plaintext);
    step = ExpectSendStep();
    step.flag = FlagOf(fields[0]);
    VUnicodeString* texts[] = {&step.first, &step.second, &step.third};
    for (size_t i = 0; i < 3 && i + 1 < fields.size(); ++i)
        *texts[i] = VUnicodeString(fields[i + 1]);
    return true;
}

std::vector<ExpectSendStep> ProfileExpectSendList::SplitOlderPlaintext(std::u16string_view plaintext)
{
    std::vector<std::u16string_view> fields = SplitFields(plaintext);
    std::vector<ExpectSendStep> steps;
    if (fields.size() < 3)
        return steps;
    if (fields.size() % 3 == 1 && fields.back().empty())
        fields.pop_back();
    for (size_t at = 0; at < fields.size(); at += 3) {
        ExpectSendStep step;
        step.flag = FlagOf(fields[at]);
        if (at + 1 < fields.size())
            step.first = VUnicodeString(fields[at + 1]);
        if (at + 2 < fields.size())
            step.second = VUnicodeString(fields[at + 2]);
        steps.push_back(std::move(step));
    }
    return steps;
}

bool ProfileExpectSendList::Load(const VProfileKey* key, IReportMessageParams*)
{
    ReleaseSteps();
    m_olderName = VUnicodeString();
    WipeText(m_olderText);
    VProfile2::Load(key, nullptr);
    // Absent: the steps may come from an older form, converted when needed.
    if (!IsDirty() || !key)
        return true;
    for (const char16_t* name : {kV3Name, kV2Name}) {
        VUnicodeString stored;
        if (key->ReadString(name, stored) && !stored.IsEmpty()) {
            m_olderName = name;
            m_olderText = std::move(stored);
            break;
        }
    }
    return true;
}

const std::vector<ExpectSendStep>& ProfileExpectSendList::GetSteps(IReportMessageParams* report)
{
    if (HasPendingOlder() && !IsConfigPassphraseDisabled())
        ConvertOlder(report);
    if (!m_decrypted && !HasPendingOlder())
        DecryptSteps(report);
    return m_steps;
}

void ProfileExpectSendList::ReleaseSteps()
{
    m_steps.clear(); // each step wipes its texts
    m_undecryptable = 0;
    m_decrypted = false;
}

bool ProfileExpectSendList::ConvertOlder(IReportMessageParams* report)
{
    if (!HasPendingOlder())
        return true;
    if (IsConfigPassphraseDisabled())
        return Report(report, kMsgConfigPassphraseDisabled);
    ScopedPlaintext plaintext;
    if (m_olderName == kV3Name) {
        KeyDataPtr keyData = PassphraseKeyData(report);
        if (!keyData)
            return false;
        const VEncryptedString::Status status = VEncryptedString::DecryptText(m_olderText, *keyData, plaintext);
        if (status != VEncryptedString::Status::Ok)
            return Report(report, VEncryptedString::MessageIdFor(status), m_olderName);
    } else {
        const TwoLayerStringKeys* keys = GetTwoLayerStringKeys();
        if (!keys)
            return Report(report, kMsgOlderFormNeedsKeys, m_olderName);
        if (!DecryptTwoLayerString(m_olderText, *keys, plaintext))
            return Report(report, kMsgEncryptedValueDamaged, m_olderName);
    }
    const VUnicodeString olderName = m_olderName;
    m_olderName = VUnicodeString(); // SetSteps must not see it pending
    if (!SetSteps(SplitOlderPlaintext(plaintext.Text()), report)) {
        m_olderName = olderName;
        return false;
    }
    WipeText(m_olderText);
    SetDirty(true); // written under the current name by the next save
    return true;
}

bool ProfileExpectSendList::DecryptSteps(IReportMessageParams* report)
{
    m_steps.clear();
    m_undecryptable = 0;
    if (IsConfigPassphraseDisabled())
        return true;
    KeyDataPtr keyData;
    if (GetSize() > 0 && !(keyData = PassphraseKeyData(report))) {
        m_undecryptable = GetSize();
        return false;
    }
    m_decrypted = true;
    VEncryptedString::Status firstFailure = VEncryptedString::Status::Ok;
    for (size_t i = 0; i < GetSize(); ++i) {
        ScopedPlaintext plaintext;
        const VEncryptedString::Status status = VEncryptedString::DecryptText((*this)[i], *keyData, plaintext);
        if (status != VEncryptedString::Status::Ok) {
            ++m_undecryptable;
            if (firstFailure == VEncryptedString::Status::Ok)
                firstFailure = status;
            continue;
        }
        ExpectSendStep step;
        if (ParseStep(plaintext.Text(), step))
            m_steps.push_back(std::move(step));
    }
    if (firstFailure == VEncryptedString::Status::Ok)
        return true;
    return Report(report, VEncryptedString::MessageIdFor(firstFailure), m_name);
}

bool ProfileExpectSendList::SetSteps(const std::vector<ExpectSendStep>& steps, IReportMessageParams* report)
{
    if (IsConfigPassphraseDisabled())
        return Report(report, kMsgConfigPassphraseDisabled);
    KeyDataPtr keyData = PassphraseKeyData(report);
    if (!keyData)
        return false;
    VStringArray elements;
    for (const ExpectSendStep& step : steps) {
        VUnicodeString plaintext = StepPlaintext(step);
        VEncryptedString element;
        const bool encrypted = element.Encrypt(plaintext, *keyData, report);
        WipeText(plaintext);
        if (!encrypted)
            return false;
        elements.Add(element);
    }
    Set(elements);
    m_steps = steps;
    m_undecryptable = 0;
    m_decrypted = true;
    m_olderName = VUnicodeString(); // the new list replaces an older one
    WipeText(m_olderText);
    return true;
}

bool ProfileExpectSendList::Save(const VProfileKey* key)
{
    if (IsConfigPassphraseDisabled())
        return key != nullptr;
    if (HasPendingOlder() && (m_keepPending || !ConvertOlder(nullptr)))
        return key != nullptr; // kept for a later conversion: no empty V4 over it
    return VProfile2::Save(key);
}

void ProfileExpectSendList::Revert()
{
    VProfile2::Revert();
    ReleaseSteps();
}
