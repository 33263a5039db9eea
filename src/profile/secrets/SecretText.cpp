#include "profile/secrets/SecretText.h"

#include <cryptopp/misc.h>

void WipeText(std::u16string& text)
{
    // The whole capacity: a text that shrank leaves its old tail behind.
    const size_t capacity = text.capacity();
    text.resize(capacity);
    CryptoPP::SecureWipeBuffer(text.data(), capacity);
    text.clear();
}

void WipeText(std::string& text)
{
    const size_t capacity = text.capacity();
    text.resize(capacity);
    CryptoPP::SecureWipeBuffer(text.data(), capacity);
    text.clear();
}

void WipeText(VUnicodeString& text)
{
    WipeText(text.str());
}
