#include "profile/secrets/PassphraseChange.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/SecretText.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/StoredValue.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using KeyDataPtr = VUnknownPointer<VEncryptedStringKeyData>;

// A stored value that holds at least one secret, and where its texts are.
struct SecretValue {
    VUnicodeString keyPath;
    StoredValue value;
    std::vector<size_t> elements; // list elements holding secrets; empty for a string
};

// One text to re-encrypt.
struct Job {
    size_t value;
    size_t element; // npos: the value's string
    VUnicodeString text;
    VEncryptedString::Status status = VEncryptedString::Status::Ok;
};

bool LooksLikeSecret(const VUnicodeString& text)
{
    return !text.IsEmpty() && VEncryptedString::CheckStoredForm(text) == VEncryptedString::Status::Ok;
}

void Collect(const VProfileKey& key, const VUnicodeString& path, std::vector<SecretValue>& found)
{
    for (StoredValue& value : ReadStoredValues(key)) {
        SecretValue secret{path, std::move(value), {}};
        if (secret.value.kind == kValueKindString) {
            if (LooksLikeSecret(secret.value.text))
                found.push_back(std::move(secret));
        } else if (secret.value.kind == kValueKindMultiString) {
            for (size_t i = 0; i < secret.value.list.GetSize(); ++i)
                if (LooksLikeSecret(secret.value.list[i]))
                    secret.elements.push_back(i);
            if (!secret.elements.empty())
                found.push_back(std::move(secret));
        }
    }
    VProfileKeyIterator it(key);
    std::vector<VUnicodeString> children;
    for (VUnicodeString name; it.Next(name);)
        children.push_back(name);
    for (const VUnicodeString& name : children) {
        const VProfileKey child(key, name, 0);
        if (child.IsOpen())
            Collect(child, path.IsEmpty() ? name : path + u"\\" + name, found);
    }
}

// Decrypts under the old key data and encrypts under the new, on `threads`
// threads that each hold their own key data (a derived key is not shared
// between threads). The calling thread reports progress.
bool ReEncrypt(std::vector<Job>& jobs, const VEncryptedStringKeyData& oldKey, const VEncryptedStringKeyData& newKey,
               unsigned threads, const std::function<void(size_t, size_t)>& progress)
{
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> noRandom{false};
    std::mutex mutex;
    std::condition_variable changed;
    auto work = [&] {
        KeyDataPtr oldData(oldKey.CreateSibling());
        KeyDataPtr newData(newKey.CreateSibling());
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            Job& job = jobs[i];
            ScopedPlaintext plaintext;
            job.status = VEncryptedString::DecryptText(job.text, *oldData, plaintext);
            if (job.status == VEncryptedString::Status::Ok) {
                VEncryptedString encrypted;
                if (encrypted.Encrypt(plaintext.Text(), *newData, nullptr))
                    job.text = encrypted;
                else
                    noRandom = true;
            }
            done.fetch_add(1);
            changed.notify_one();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        for (size_t shown = 0; shown < jobs.size();) {
            changed.wait_for(lock, std::chrono::milliseconds(100));
            const size_t now = done.load();
            if (now != shown && progress)
                progress(now, jobs.size());
            shown = now;
        }
    }
    for (std::thread& thread : pool)
        thread.join();
    return !noRandom;
}

} // namespace

bool ChangeConfigPassphrase(const VUnicodeString& newPassphrase, const PassphraseChangeOptions& options,
                            PassphraseChangeResult& result, IReportMessageParams* report)
{
    result = PassphraseChangeResult();
    if (newPassphrase.IsEmpty())
        return Report(report, kMsgConfigPassphraseInvalid);
    VEncryptedStringKeyData* held = nullptr;
    if (!GetConfigPassphraseKeyData(&held, report))
        return false;
    const KeyDataPtr oldKey(held);
    const KeyDataPtr newKey(VEncryptedStringKeyData::Create(newPassphrase));
    const bool perUser = GetConfigPassphraseSource() != ConfigPassphraseSource::Host;

    VUnicodeString check;
    {
        const VProfileStore store; // one transaction: every secret changes, or none
        if (!store.GetRootKey() || !store.GetRootKey()->IsOpen())
            return Report(report, kMsgPassphraseNotChanged, u"the configuration store cannot be opened");
        std::vector<SecretValue> values;
        Collect(*store.GetRootKey(), {}, values);
        std::vector<Job> jobs;
        for (size_t v = 0; v < values.size(); ++v) {
            if (values[v].elements.empty())
                jobs.push_back({v, VUnicodeString::npos, values[v].value.text});
            for (size_t element : values[v].elements)
                jobs.push_back({v, element, values[v].value.list[element]});
        }
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const unsigned threads = static_cast<unsigned>(
            std::min<size_t>(options.threads ? options.threads : cores, std::max<size_t>(jobs.size(), 1)));
        if (!ReEncrypt(jobs, *oldKey, *newKey, threads, options.progress))
            return Report(report, kMsgPassphraseNotChanged, u"no random bytes could be had");
        for (const Job& job : jobs) {
            if (job.status == VEncryptedString::Status::Ok)
                continue;
            if (result.unreadable++ == 0)
                result.firstUnreadable = values[job.value].keyPath + u"\\" + values[job.value].value.name;
        }
        if (result.unreadable > 0 && !options.keepUnreadable) {
            const VUnicodeString first = result.firstUnreadable;
            return Report(report, kMsgPassphraseChangeUnreadable, first,
                          VUnicodeString::FromNumber(static_cast<int64_t>(result.unreadable)));
        }
        for (Job& job : jobs) {
            if (job.status != VEncryptedString::Status::Ok)
                continue;
            StoredValue& value = values[job.value].value;
            if (job.element == VUnicodeString::npos)
                value.text = job.text;
            else
                value.list[job.element] = job.text;
            WipeText(job.text);
            ++result.secrets;
        }

        VEncryptedString proof;
        if (!proof.Encrypt(kPassphraseCheckText, *newKey, report))
            return false;
        check = proof;
        // Staged before anything is written: a kill after the commit finds
        // the new passphrase waiting and the store's proof that it applies.
        if (perUser && !StageConfigPassphrase(newPassphrase, check, report))
            return false;
        bool written = true;
        for (const SecretValue& secret : values) {
            const VProfileKey key(*store.GetRootKey(), secret.keyPath, 0);
            written = key.IsOpen() && WriteStoredValue(key, secret.value) && written;
        }
        const VProfileKey checkKey(*store.GetRootKey(), kPassphraseCheckKey, 1);
        written = checkKey.WriteString(kPassphraseCheckValue, check) && written;
        if (!written) {
            if (perUser)
                DropStagedConfigPassphrase();
            return Report(report, kMsgPassphraseNotChanged, u"a value could not be written");
        }
    }
    // The transaction ended: it is in when the proof reads back.
    {
        const VProfileStore store;
        VUnicodeString stored;
        const bool committed = store.GetRootKey() && store.GetRootKey()->IsOpen() &&
                               VProfileKey(*store.GetRootKey(), kPassphraseCheckKey, 0)
                                   .ReadString(kPassphraseCheckValue, stored) &&
                               stored == check;
        if (!committed) {
            if (perUser)
                DropStagedConfigPassphrase();
            return Report(report, kMsgPassphraseNotChanged, u"the change could not be saved");
        }
    }
    if (perUser)
        return CommitStagedConfigPassphrase(report);
    return SetConfigPassphrase(newPassphrase.c_str(), report);
}
