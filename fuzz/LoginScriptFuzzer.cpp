// Decrypted login-script texts of any content: the older one-string form
// is split into steps, and every step survives its V4 element form.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/secrets/ProfileExpectSendList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    size_t fields = 1;
    for (char16_t c : text)
        fields += c == ProfileExpectSendList::kSeparator;

    const std::vector<ExpectSendStep> steps = ProfileExpectSendList::SplitOlderPlaintext(text);
    if (fields < 3 ? !steps.empty() : steps.size() != (fields + 2) / 3 && steps.size() != fields / 3)
        std::abort();
    for (const ExpectSendStep& step : steps) {
        ExpectSendStep back;
        if (!ProfileExpectSendList::ParseStep(ProfileExpectSendList::StepPlaintext(step), back) || !(back == step))
            std::abort();
    }
    ExpectSendStep step;
    if (ProfileExpectSendList::ParseStep(text, step) == text.empty())
        std::abort();
    return 0;
}
