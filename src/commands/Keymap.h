#pragma once

#include <map>
#include <span>

#include "commands/IKeymap.h"
#include "core/Export.h"
#include "core/VStringArray.h"

inline constexpr uint32_t kMsgKeymapCannotBeUsed = 0xE1370001;
inline constexpr uint32_t kMsgKeymapLinesIgnored = 0xA1370002;
inline constexpr uint32_t kMsgKeymapMissingArgument = 0xE1370059;
inline constexpr uint32_t kMsgKeymapUnknownKey = 0xE137005A;
inline constexpr uint32_t kMsgKeymapBadModifier = 0xE137005B;
inline constexpr uint32_t kMsgKeymapUnterminatedQuote = 0xE137005C;
inline constexpr uint32_t kMsgKeymapUnknownFunction = 0xE137005D;

inline constexpr char16_t kKeymapVersion1[] = u"Version = 1";
inline constexpr char16_t kKeymapVersion2[] = u"Version = 2";

// A keymap held in memory, read from and written to its text form: a
// version line, then one line per binding,
//   <modifier letters> TAB <key name padded to 20> TAB <action>
// with ';' starting a comment line.
class ORV_EXPORT Keymap : public IKeymap {
public:
    struct KeyMapEntry {
        int Function = 0;
        VUnicodeString Argument;
        VUnicodeString Argument2;
        bool operator==(const KeyMapEntry&) const = default;
    };
    using Bindings = std::map<uint32_t, KeyMapEntry>;

    // What parsing the binding lines of a text found wrong.
    struct ParseProblems {
        int errors = 0;
        VUnicodeString texts; // one message text per bad line, separated by line feeds
    };

    // A text with this many bad lines is not used.
    static constexpr int kMaximumErrors = 3;

    Keymap() = default;
    // `fallback` answers for keys this keymap does not bind; it is not owned
    // and must outlive this keymap (null: none).
    explicit Keymap(const IKeymap* fallback) : m_fallback(fallback) {}

    int GetFunction(uint32_t key) const override;
    VUnicodeString GetArgument(uint32_t key) const override;
    VUnicodeString GetArgument2(uint32_t key) const override;
    VUnicodeString GetDescription(uint32_t key) const override;
    void SetFunction(uint32_t key, int function) override;
    void SetArgument(uint32_t key, const VUnicodeString& argument) override;
    void SetArgument2(uint32_t key, const VUnicodeString& argument) override;
    bool Load(const VUnicodeString& path, IReportMessageParams* report) override;
    bool Save(const VUnicodeString& path) override;
    bool IsVersionUnknown() const override;
    bool IsVersionOld() const override;

    void SetFallback(const IKeymap* fallback) { m_fallback = fallback; }
    const IKeymap* GetFallback() const { return m_fallback; }
    const Bindings& GetBindings() const { return m_bindings; }
    const VUnicodeString& GetVersion() const { return m_version; }
    void SetVersion(const VUnicodeString& version) { m_version = version; }
    void Clear() { m_bindings.clear(); }

    // The bindings used when a session has no keymap of its own: the
    // terminal keys and the main window's tab and command-window keys.
    void SetDefaultBindings();

    // The binding lines of the text form, in key order (no version line).
    VStringArray FormatBindings() const;
    static VUnicodeString FormatBinding(uint32_t key, const KeyMapEntry& entry);

    // Parses binding lines into this keymap (each replaces an earlier
    // binding of its key) until the last line or the kMaximumErrors-th bad
    // one. `firstLineNumber` numbers the first line in message texts; the
    // two flags are the version tests that change how old lines read.
    ParseProblems ParseBindings(std::span<const VUnicodeString> lines, int firstLineNumber, bool versionUnknown,
                                bool versionOld);

    // Reads a whole keymap text (version line included) into a new keymap
    // for `path`, reporting as Load does. Used by Load and by checks of
    // texts that are not files.
    static bool ReadText(std::span<const VUnicodeString> lines, const VUnicodeString& path, Keymap& into,
                         IReportMessageParams* report);

protected:
    const KeyMapEntry* Find(uint32_t key) const;

    Bindings m_bindings;
    VUnicodeString m_version;

private:
    const IKeymap* m_fallback = nullptr;
};
