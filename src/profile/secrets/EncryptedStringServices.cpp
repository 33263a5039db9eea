#include "profile/secrets/EncryptedStringServices.h"

#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/reports/VReportMessageParams.h"

bool UpdateProfileEncryptedString(VProfileEncryptedString& value, const VUnicodeString& plaintext,
                                  IReportMessageParams* report)
{
    VUnknownPointer<VEncryptedStringKeyData> keyData = value.AcquireKeyData(report);
    if (!keyData)
        return false;
    VEncryptedString text;
    text.SetFlags(value.GetFlags());
    if (!text.Encrypt(plaintext, *keyData, report))
        return false;
    value.Set(text);
    return true;
}

bool GetProfileEncryptedPlaintextString(const VProfileEncryptedString& value, VUnicodeString& plaintext,
                                        IReportMessageParams* report)
{
    plaintext = VUnicodeString();
    if (value.Get().IsEmpty())
        return true;
    VUnknownPointer<VEncryptedStringKeyData> keyData = value.AcquireKeyData(report);
    if (!keyData)
        return false;
    const VEncryptedString::Status status = value.Get().Decrypt(*keyData, plaintext);
    if (status == VEncryptedString::Status::Ok)
        return true;
    plaintext = VUnicodeString();
    return Report(report, VEncryptedString::MessageIdFor(status), value.GetName());
}
