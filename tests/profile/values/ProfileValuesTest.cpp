#include <gtest/gtest.h>

#include <map>

#include "StoreFixtures.h"
#include "profile/values/ProfileGlobalConfigStorage.h"
#include "profile/values/VProfileBinary.h"
#include "profile/values/VProfileDword.h"
#include "profile/values/VProfileExplorerFrameState.h"
#include "profile/values/VProfileListViewState.h"
#include "profile/values/VProfileMultiSz.h"
#include "profile/store/VProfileStore.h"
#include "profile/values/VProfileSz.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

using ProfileValues = StoreTest;

TEST_P(ProfileValues, DefaultsAreDirtyAndWrittenOnce)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Sessions\\web01", 1);
    const int port = 22;
    VProfile<int> value(&key, u"Port", &port, 0, 10);
    EXPECT_EQ(value.Get(), 22);
    EXPECT_TRUE(value.IsDirty());
    EXPECT_TRUE(value.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Port"), 1);
    EXPECT_FALSE(value.IsDirty());
    EXPECT_TRUE(value.Save(&key)); // present and unchanged: nothing written
    EXPECT_EQ(recorder->Writes(u"Port"), 1);

    const int other = 99;
    VProfile<int> loaded(&key, u"port", &other);
    EXPECT_EQ(loaded.Get(), 22);
    EXPECT_FALSE(loaded.IsDirty());
    EXPECT_TRUE(loaded.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Port") + recorder->Writes(u"port"), 1);
}

TEST_P(ProfileValues, AcceptMakesTheChangeDirtyUntilSaved)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    const VUnicodeString host(u"old");
    VProfileString value(&key, u"Hostname", &host);
    value.Save(&key);
    value = VUnicodeString(u"new");
    EXPECT_TRUE(value.IsChanged());
    value.Accept();
    EXPECT_FALSE(value.IsChanged());
    EXPECT_TRUE(value.IsDirty());
    value.Save(&key);
    value.Save(&key);
    EXPECT_EQ(recorder->Writes(u"Hostname"), 2); // the default, then the accepted change once

    value = VUnicodeString(u"discarded");
    value.Discard();
    EXPECT_EQ(value.Get(), VUnicodeString(u"new"));
}

TEST_P(ProfileValues, SavingWithoutAKeyOrAfterRevertChangesNothing)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    const bool on = true;
    VProfile<bool> flag(&key, u"Use Firewall", &on);
    EXPECT_FALSE(flag.Save(nullptr));
    EXPECT_TRUE(flag.IsDirty());
    flag.Save(&key);
    flag = false;
    flag.Revert();
    EXPECT_TRUE(flag.Get());
    flag.Save(&key);
    EXPECT_EQ(recorder->Writes(u"Use Firewall"), 1);
}

TEST_P(ProfileValues, InheritTakesAnotherKeysValueAsNew)
{
    VProfileStore store;
    VProfileKey source(*store.GetRootKey(), u"Default", 1);
    source.WriteUnsigned(u"Columns", 132);
    VProfileKey target(*store.GetRootKey(), u"New", 1);
    const unsigned int eighty = 80;
    VProfile<unsigned int> columns(&target, u"Columns", &eighty);
    columns.Save(&target);
    EXPECT_TRUE(columns.Inherit(&source));
    EXPECT_EQ(columns.Get(), 132u);
    EXPECT_TRUE(columns.IsDirty());
    EXPECT_FALSE(columns.IsChanged());
    EXPECT_FALSE(columns.Inherit(nullptr));
    columns.Save(&target);
    uint32_t stored = 0;
    target.ReadDword(u"Columns", stored);
    EXPECT_EQ(stored, 132u);
}

TEST_P(ProfileValues, StringArraysAndMultiLineText)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    VProfileMultiLineString script(&key, u"Login Script", nullptr);
    EXPECT_TRUE(script.IsDirty());
    script.SetText(u"user\r\npass\nlast");
    EXPECT_EQ(script.GetSize(), 3u);
    EXPECT_EQ(script.GetText(), VUnicodeString(u"user\r\npass\r\nlast"));
    script.Save(&key);
    VProfileMultiLineString again(&key, u"Login Script", nullptr);
    EXPECT_EQ(again.GetText(), VUnicodeString(u"user\r\npass\r\nlast"));
    key.DeleteKey(u"nothing");
    const VStringArray fallback{u"x"};
    VProfileKey other(*store.GetRootKey(), u"Other", 1);
    again.Reload(&other, &fallback);
    EXPECT_EQ(again.Get(), fallback);
    EXPECT_TRUE(again.IsDirty());
    EXPECT_FALSE(again.IsChanged());
}

TEST_P(ProfileValues, BinaryRecordsAndTheOlderFontForm)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    CustomColors colors;
    colors.colors[3] = 0xFF00FF;
    key.WriteBinary(u"Custom Colors", "short", 5); // a short record keeps the default
    VProfileCustomColors custom(&key, u"Custom Colors", &colors);
    EXPECT_EQ(custom.Get(), colors);
    EXPECT_TRUE(custom.IsDirty());

    // The older 64-byte font under the name without " v2".
    uint8_t narrow[64] = {};
    const int32_t height = -13;
    std::memcpy(narrow, &height, 4);
    narrow[20] = 1; // italic
    std::memcpy(narrow + 28, "Caf\xE9 \x80", 6);
    const uint32_t extra = 0xABCD;
    std::memcpy(narrow + 60, &extra, 4);
    key.WriteBinary(u"Normal Font", narrow, sizeof narrow);
    VProfileLogFont font(&key, u"Normal Font v2", nullptr);
    EXPECT_EQ(font.Get().height, -13);
    EXPECT_EQ(font.Get().italic, 1);
    EXPECT_EQ(std::u16string(font.Get().faceName.data()), u"Café €");
    EXPECT_EQ(font.Get().extra, 0xABCDu);
    EXPECT_TRUE(font.Save(&key));
    uint8_t wide[96];
    uint32_t size = sizeof wide;
    ASSERT_TRUE(key.ReadBinary(u"Normal Font v2", wide, size));
    EXPECT_EQ(size, 96u);
    VProfileLogFont reread(&key, u"Normal Font v2", nullptr);
    EXPECT_EQ(reread.Get(), font.Get());
    EXPECT_FALSE(reread.IsDirty());

    // A " v2" record of the wrong size is not replaced by the older one.
    key.WriteBinary(u"Small Font v2", "short", 5);
    key.WriteBinary(u"Small Font", narrow, sizeof narrow);
    VLogFont fallback{};
    fallback.height = 9;
    const VProfileLogFont small(&key, u"Small Font v2", &fallback);
    EXPECT_EQ(small.Get().height, 9);
    EXPECT_TRUE(small.IsDirty());
}

constexpr int kOne = 1;

TEST_P(ProfileValues, ContainersSaveFlaggedChildrenBetweenTheirHooks)
{
    struct Group final : VProfileContainer {
        Group(const VProfileKey* key, std::vector<std::string>& log)
            : a(key, u"A", &kOne), b(key, u"B", &kOne), m_log(log)
        {
        }
        VProfileData* ChildAt(size_t i) override { return i == 0 ? &a : i == 1 ? &b : nullptr; }
        void OnBeforeSave(const VProfileKey*) override { m_log.push_back("before"); }
        void OnAfterSave(const VProfileKey*) override { m_log.push_back("after"); }
        VProfile<int> a;
        VProfile<int> b;
        std::vector<std::string>& m_log;
    };
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    std::vector<std::string> log;
    Group group(&key, log);
    group.b.SetFlag(false);
    EXPECT_TRUE(group.IsDirty());
    EXPECT_TRUE(group.Save(&key));
    EXPECT_EQ(log, (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(recorder->Writes(u"A"), 1);
    EXPECT_EQ(recorder->Writes(u"B"), 0);
    std::vector<VUnicodeString> walked;
    group.Iterate([&](VProfileData& d) { walked.push_back(d.GetName()); });
    EXPECT_EQ(walked, (std::vector<VUnicodeString>{u"A", u"B"}));
    group.a = 5;
    EXPECT_TRUE(group.IsChanged());
    group.Revert();
    EXPECT_FALSE(group.IsChanged());
}

TEST_P(ProfileValues, GlobalOptionsPersistUnderGlobal)
{
    ProfileGlobalConfigStorage storage;
    GlobalConfig options;
    options.sortMode = 1;
    options.suppressMultiConnectWarning = true;
    options.connectDialogPlacement.normalRight = 640;
    options.UpdateReminderFor(9).lastCheck = 1700000000;
    ASSERT_TRUE(storage.Save(options));
    const int first = recorder->TotalWrites();
    EXPECT_GT(first, 15); // every option, written once
    ASSERT_TRUE(storage.Save(options));
    EXPECT_EQ(recorder->TotalWrites(), first); // nothing changed: nothing written
    options.openSessionsInTab = false;
    storage.Save(options);
    EXPECT_EQ(recorder->TotalWrites(), first + 1);

    GlobalConfig loaded;
    storage.Load(loaded);
    EXPECT_EQ(loaded, options);
    EXPECT_TRUE(VProfileStore().GetRootKey()->KeyExists(u"Global"));
}

ORV_BOTH_BACKENDS(ProfileValues);

TEST(ProfileValueText, RadixZeroImport)
{
    VProfile<int> value;
    value.ImportText(u"0x1F", nullptr, nullptr);
    EXPECT_EQ(value.Get(), 31);
    value.ImportText(u"017", nullptr, nullptr);
    EXPECT_EQ(value.Get(), 15);
    value.ImportText(u"  -42xyz", nullptr, nullptr);
    EXPECT_EQ(value.Get(), -42);
    EXPECT_FALSE(value.IsDirty());
    EXPECT_FALSE(value.IsChanged());
    EXPECT_EQ(ParseSigned32(u"99999999999", 10), INT32_MAX);
    EXPECT_EQ(ParseSigned32(u"-99999999999", 0), INT32_MIN);
    EXPECT_EQ(ParseSigned32(u"ff", 16), 255);
    EXPECT_EQ(ParseSigned32(u"0x", 0), 0);
    VProfile<bool> flag;
    flag.ImportText(u"2", nullptr, nullptr);
    EXPECT_TRUE(flag.Get());
}

TEST(ProfileValueText, StringConverterRule)
{
    struct Converter final : ITextConverter {
        uint32_t failWith = 0;
        bool Convert(const VUnicodeString& text, VUnicodeString& out, IReportMessageParams* report) override
        {
            if (failWith)
                return Report(report, failWith, text);
            out = text + u"!";
            return true;
        }
    } converter;
    VProfileString value;
    EXPECT_TRUE(value.ImportText(u"a", &converter, nullptr));
    EXPECT_EQ(value.Get(), VUnicodeString(u"a!"));
    converter.failWith = kMsgConverterNoConversion;
    EXPECT_TRUE(value.ImportText(u"b", &converter, nullptr));
    EXPECT_EQ(value.Get(), VUnicodeString(u"b")); // taken unchanged
    converter.failWith = 0xE1620099;
    VReportPtr report = NewReport();
    EXPECT_FALSE(value.ImportText(u"c", &converter, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0xE1620099u);
    EXPECT_EQ(value.Get(), VUnicodeString(u"b"));
}

TEST(ProfileValueText, ListViewStateReadingRules)
{
    using L = VProfileListViewState;
    const L::Layout defaults;
    EXPECT_EQ(L::Parse(u"1,0,2,0,0"), defaults); // header only
    EXPECT_EQ(L::Parse(u"garbage"), defaults);
    EXPECT_EQ(L::Parse(u"1,0,2,0,2,100,1,5"), defaults); // neither 2 nor 6 tokens
    EXPECT_EQ(L::Parse(u"1,0,2,0,-1,100"), defaults);

    const L::Layout two = L::Parse(u"1,0,2,0,2,100,80");
    ASSERT_EQ(two.columns.GetSize(), 2u);
    EXPECT_EQ(two.columns[0], (L::Column{100, true, 0}));
    EXPECT_EQ(two.columns[1], (L::Column{80, true, 1}));
    EXPECT_EQ(two.header2, 0);
    // Blanks before the columns are skipped, as "%s" skips them.
    EXPECT_EQ(L::Parse(u"1,0,2,0,2, \t100,80"), two);

    const L::Layout full = L::Parse(u"0,-3,4294967295,7,2,100,5,1,80,0,0");
    EXPECT_FALSE(full.header1);
    EXPECT_EQ(full.header2, -3);
    EXPECT_EQ(full.header3, 4294967295u);
    EXPECT_EQ(full.columns[0], (L::Column{100, true, 1}));
    EXPECT_EQ(full.columns[1], (L::Column{80, false, 0}));
    EXPECT_EQ(full.columns.GetGrowBy(), 2u);

    L::Layout layout;
    layout.header1 = true;
    layout.header2 = 0;
    layout.header3 = 2;
    layout.header4 = 0;
    layout.columns.Add({100, true, 0});
    layout.columns.Add({80, true, 1});
    EXPECT_EQ(L::Format(layout), VUnicodeString(u"1,0,2,0,2,100,1,0,80,1,1"));
    EXPECT_EQ(L::Parse(L::Format(layout).str()), layout);
}

TEST(ProfileValueText, ExplorerFrameStateRewritesAtOnce)
{
    const VUnicodeString initial(u"5,200,-1");
    VProfileExplorerFrameState frame(nullptr, u"Frame", &initial);
    EXPECT_TRUE(frame.GetFlag1());
    EXPECT_EQ(frame.GetValue2(), 200);
    frame.SetValue3(300);
    EXPECT_EQ(frame.Get(), VUnicodeString(u"1,200,300"));
    frame.Set(u"bad");
    EXPECT_FALSE(frame.GetFlag1());
    EXPECT_EQ(frame.GetValue2(), 0);
}

// A document format that takes string arrays only.
class ArrayDocument final : public IProfileValueWriter, public IProfileValueReader {
public:
    bool WriteStringArray(const VUnicodeString& name, const VStringArray& value) override
    {
        saved[name.str()] = value;
        return true;
    }
    bool ReadStringArray(const VUnicodeString& name, VStringArray& value) override
    {
        const auto it = saved.find(name.str());
        return it != saved.end() && (value = it->second, true);
    }
    std::map<std::u16string, VStringArray> saved;
};

TEST(ProfileValueVariants, WriterAndReaderForms)
{
    ArrayDocument document;
    VProfileStringArray array(nullptr, u"Lines", nullptr);
    array.Set(VStringArray{u"one", u"two"});
    ASSERT_TRUE(array.ValueToWriter(document, nullptr));
    VProfileStringArray back(nullptr, u"Lines", nullptr);
    ASSERT_TRUE(back.ValueFromReader(document, nullptr));
    EXPECT_EQ(back.GetSize(), 2u);
    VProfileStringArray missing(nullptr, u"Other", nullptr);
    VReportPtr report = NewReport();
    EXPECT_FALSE(missing.ValueFromReader(document, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgVariantConversionFailed);

    VProfile<int> number;
    report = NewReport();
    EXPECT_FALSE(number.ValueToWriter(document, report.Get())); // numbers have no writer form
    EXPECT_EQ(report->GetMessageId(), kMsgTypeMismatch);
}

TEST(ProfileValueVariants, ConversionsAndMismatches)
{
    const VTriState unset = kTriStateNotSet;
    VProfile<VTriState> tri(nullptr, u"Tri", &unset);
    VVariant out;
    ASSERT_TRUE(tri.ValueToVariant(out, nullptr));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(tri.ValueFromVariant(VVariant(int32_t{1}), nullptr));
    EXPECT_EQ(tri.Get(), kTriStateOn);

    EXPECT_TRUE(tri.ValueFromVariant(out, nullptr)); // an empty variant comes in as false
    EXPECT_EQ(tri.Get(), kTriStateOff);

    VProfile<short> small;
    VReportPtr report = NewReport();
    EXPECT_FALSE(small.ValueFromVariant(VVariant(int32_t{70000}), report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgVariantConversionFailed);
    VProfile<int> number;
    report = NewReport();
    EXPECT_FALSE(number.ValueFromVariant(VVariant(int32_t{-1}), report.Get())); // not an unsigned 32-bit number
    EXPECT_EQ(report->GetMessageId(), kMsgVariantConversionFailed);
    EXPECT_TRUE(number.ValueFromVariant(VVariant(VUnicodeString(u" 4000000000 ")), nullptr));
    EXPECT_EQ(static_cast<uint32_t>(number.Get()), 4000000000u);

    VProfileStringArray array(nullptr, u"Lines", nullptr);
    const VVariant inner(VStringArray{u"a", u"b"});
    EXPECT_TRUE(array.ValueFromVariant(VVariant(&inner), nullptr)); // by reference
    EXPECT_EQ(array.GetSize(), 2u);
    EXPECT_FALSE(array.ValueFromVariant(VVariant(VUnicodeString(u"x")), report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgVariantConversionFailed);

    VProfileCustomColors colors(nullptr, u"Custom Colors", nullptr);
    EXPECT_FALSE(colors.ValueToVariant(out, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgTypeMismatch);
    EXPECT_EQ(report->GetParameters()[0], VUnicodeString(u"Custom Colors"));
}

} // namespace
