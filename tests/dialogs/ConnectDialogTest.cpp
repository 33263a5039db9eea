#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "DialogSteps.h"
#include "QtFixtures.h"
#include "dialogs/FirewallComboChoice.h"
#include "dialogs/qt/ConnectDialog.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/MultiConnectWarningDialog.h"
#include "entry/ConnectDialog.h"
#include "platform/FirewallLabels.h"
#include "platform/HostHooks.h"
#include "platform/qt/QtStrings.h"
#include "sessiontree/qt/FilterEditBox.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

using Commands = std::vector<unsigned>;

class DialogTest : public WidgetTest {
protected:
    std::unique_ptr<ConnectDialog> Make(bool browse, int application = 3, QWidget* parent = nullptr)
    {
        return std::make_unique<ConnectDialog>(u"Connect", false, false, browse, ConnectDialog::TreeOptions{},
                                               application, parent);
    }
    void Sessions(int count, const std::u16string& folder = u"many")
    {
        Folder(folder);
        for (int i = 0; i < count; ++i)
            Session(folder + u"\\s" + std::u16string(1, static_cast<char16_t>(u'a' + i / 26)) +
                    std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
    }
};

TEST_F(DialogTest, BrowseModeIsAPickerAndButtonsFollowTheApplication)
{
    auto terminal = Make(false, 3);
    EXPECT_EQ(terminal->windowTitle(), QStringLiteral("Connect"));
    EXPECT_EQ(terminal->ConnectButton()->text(), QStringLiteral("&Connect"));
    EXPECT_EQ(terminal->CloseButton()->text(), QStringLiteral("Close"));
    EXPECT_FALSE(terminal->StartupBox()->isHidden());
    EXPECT_EQ(terminal->Toolbar()->Commands(),
              (Commands{kCmdConnect, kCmdQuickConnect, kCmdNewSession, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete,
                        kCmdProperties, kCmdFind, kCmdNewFolder, kCmdCreateDesktopShortcut, kCmdHelp}));
    EXPECT_EQ(terminal->Separator()->property("controlId").toInt(), ConnectDialog::kSeparatorId);
    EXPECT_EQ(terminal->Filter()->placeholderText(), QStringLiteral("Filter by folder/session name <Alt+I>"));

    auto transfer = Make(false, 9);
    EXPECT_EQ(transfer->Toolbar()->Commands(),
              (Commands{kCmdConnect, kCmdQuickConnect, kCmdNewSession, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete,
                        kCmdProperties, kCmdFind, kCmdNewFolder, kCmdHelp}));

    auto picker = Make(true, 3);
    EXPECT_EQ(picker->ConnectButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(picker->CloseButton()->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(picker->StartupBox()->isHidden());
    const Commands left = picker->Toolbar()->Commands();
    for (unsigned gone : {kCmdConnect, kCmdConnectInTab, kCmdQuickConnect})
        EXPECT_EQ(std::count(left.begin(), left.end(), gone), 0) << gone;
}

TEST_F(DialogTest, StartupAndTabBoxesWriteTheirOptions)
{
    config->showQuickConnectOnStartup = true;
    config->showConnectDialogOnStartup = false;
    auto dialog = Make(false);
    dialog->show();
    dialog->StartupBox()->click();
    EXPECT_TRUE(config->showConnectDialogOnStartup);
    EXPECT_FALSE(config->showQuickConnectOnStartup);
    config->showQuickConnectOnStartup = true;
    dialog->StartupBox()->click();
    EXPECT_FALSE(config->showConnectDialogOnStartup);
    EXPECT_TRUE(config->showQuickConnectOnStartup); // unchecking leaves it
    dialog->TabBox()->click();
    EXPECT_EQ(config->openSessionsInTab, dialog->TabBox()->isChecked());

    // Forced tabs lock the box on.
    config->openSessionsInTab = false;
    config->tabPolicyTabsOnly = config->tabPolicyLocked = true;
    auto forced = Make(false);
    EXPECT_FALSE(forced->TabBox()->isEnabled());
    EXPECT_TRUE(forced->TabBox()->isChecked());
    EXPECT_TRUE(config->openSessionsInTab);
}

TEST_F(DialogTest, AltIGoesToTheFilterFromAnywhereInTheDialog)
{
    Session(u"alpha");
    auto dialog = Make(false);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    dialog->Filter()->setText(QStringLiteral("alp"));
    dialog->CloseButton()->setFocus();
    QTest::keyClick(dialog->CloseButton(), Qt::Key_I, Qt::AltModifier);
    EXPECT_TRUE(dialog->Filter()->hasFocus());
    EXPECT_EQ(dialog->Filter()->selectedText(), QStringLiteral("alp"));
    dialog->Tree()->setFocus();
    QTest::keyClick(dialog->Tree(), Qt::Key_I, Qt::AltModifier);
    EXPECT_TRUE(dialog->IsFilterFocused());
    // In the box, Ctrl+C copies its text rather than the tree's selection.
    QTest::keyClick(dialog->Filter(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(dialog->Tree()->CanPaste());
}

TEST_F(DialogTest, ResizingKeepsTheMinimumAndMovesControlsByTheirAnchors)
{
    auto dialog = Make(false);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    const QSize minimum = dialog->MinimumTrackSize();
    EXPECT_EQ(minimum.height(), 125);
    EXPECT_GE(minimum.width(), dialog->ConnectButton()->width() + dialog->CloseButton()->width());
    dialog->resize(10, 10);
    Settle();
    EXPECT_GE(dialog->width(), minimum.width());
    EXPECT_GE(dialog->height(), minimum.height());

    dialog->resize(600, 500);
    Settle();
    const auto before = [&](QWidget* w) { return w->geometry(); };
    const QRect toolbar = before(dialog->Toolbar());
    const QRect tree = before(dialog->Tree());
    const QRect filter = before(dialog->Filter());
    const QRect close = before(dialog->CloseButton());
    const QRect startup = before(dialog->StartupBox());
    const QRect tab = before(dialog->TabBox());
    dialog->resize(700, 550);
    Settle();
    EXPECT_EQ(dialog->Toolbar()->width(), toolbar.width() + 100);
    EXPECT_EQ(dialog->Filter()->geometry(), filter.adjusted(0, 0, 100, 0));
    EXPECT_EQ(dialog->Tree()->geometry(), tree.adjusted(0, 0, 100, 50));
    EXPECT_EQ(dialog->CloseButton()->geometry(), close.translated(100, 50));
    EXPECT_EQ(dialog->TabBox()->geometry(), tab.translated(100, 50));
    EXPECT_EQ(dialog->StartupBox()->geometry(), startup.translated(0, 50));
    // Closing keeps the size for next time.
    dialog->done(2);
    EXPECT_EQ(config->connectDialogPlacement.normalRight - config->connectDialogPlacement.normalLeft, 700);
    auto again = Make(false);
    EXPECT_EQ(again->size(), QSize(700, 550));
}

TEST_F(DialogTest, MoreSessionsThanTheThresholdAskFirst)
{
    Sessions(20, u"twenty");
    Sessions(21);
    config->multiConnectWarningThreshold = 0; // out of range: 20, and kept
    int warnings = 0;
    QString text;
    WhenShown<MultiConnectWarningDialog>([&](MultiConnectWarningDialog& warning) {
        ++warnings;
        text = warning.Text()->text();
        warning.reject();
    });
    // As many as the threshold open without a warning.
    auto twenty = Make(false);
    twenty->Tree()->SelectItem(twenty->Tree()->FindItem(u"twenty"));
    twenty->ConnectButton()->click();
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(twenty->result(), 1);
    EXPECT_EQ(twenty->OwnSessions().GetSize(), 20u);
    EXPECT_EQ(config->multiConnectWarningThreshold, 20u);

    auto dialog = Make(false);
    dialog->Tree()->SelectItem(dialog->Tree()->FindItem(u"many"));
    dialog->ConnectButton()->click();
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(text, QStringLiteral("You have selected more than 20 sessions to open."));
    EXPECT_TRUE(dialog->OwnSessions().IsEmpty()); // Cancel opened nothing

    // Continue with the box checked connects and stops the warning.
    WhenShown<MultiConnectWarningDialog>([](MultiConnectWarningDialog& warning) {
        warning.SuppressBox()->setChecked(true);
        warning.accept();
    });
    dialog->ConnectButton()->click();
    EXPECT_EQ(dialog->OwnSessions().GetSize(), 21u);
    EXPECT_TRUE(config->suppressMultiConnectWarning);
}

TEST_F(DialogTest, ConnectModesComeBackThroughTheEntryPoint)
{
    Session(u"alpha");
    config->openSessionsInTab = false;
    VArray<ISessionConfig*> sessions;
    std::vector<VUnknownPointer<ISessionConfig>> others;
    int mode = -1;

    // Closed: nothing touched.
    WhenShown<ConnectDialog>([](ConnectDialog& dialog) { dialog.CloseButton()->click(); });
    EXPECT_EQ(ShowConnectDialog(u"Connect", 0, false, false, false, false, 3, nullptr, sessions, others, mode), 2);
    EXPECT_EQ(sessions.GetSize(), 0u);
    EXPECT_EQ(mode, -1);

    // Connect in New Tab Group: mode 3.
    WhenShown<ConnectDialog>([](ConnectDialog& dialog) {
        dialog.Tree()->SelectItem(dialog.Tree()->FindItem(u"alpha"));
        QTest::keyClick(dialog.Tree(), Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
    });
    EXPECT_EQ(ShowConnectDialog(u"Connect", 0, false, false, false, false, 3, nullptr, sessions, others, mode), 1);
    EXPECT_EQ(mode, 3);
    ASSERT_EQ(sessions.GetSize(), 1u);
    EXPECT_EQ(sessions[0]->GetSessionPath(), VUnicodeString(u"alpha"));

    // A plain Connect after it, tabs off: mode 2.
    WhenShown<ConnectDialog>([](ConnectDialog& dialog) {
        dialog.Tree()->SelectItem(dialog.Tree()->FindItem(u"alpha"));
        dialog.ConnectButton()->click();
    });
    EXPECT_EQ(ShowConnectDialog(u"Connect", 0, false, false, false, false, 3, nullptr, sessions, others, mode), 1);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(sessions.GetSize(), 2u); // appended
    for (ISessionConfig* config : sessions)
        config->Release();

    // Connect File Transfer fills the other application's list.
    Session(u"files", u"None", u"SFTP");
    WhenShown<ConnectDialog>([](ConnectDialog& dialog) {
        dialog.Tree()->SelectItem(dialog.Tree()->FindItem(u"files"));
        QTest::keyClick(dialog.Tree(), Qt::Key_X, Qt::AltModifier);
    });
    VArray<ISessionConfig*> own;
    EXPECT_EQ(ShowConnectDialog(u"Connect", 0, false, false, false, false, 3, nullptr, own, others, mode), 1);
    EXPECT_EQ(own.GetSize(), 0u);
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0]->GetSessionPath(), VUnicodeString(u"files"));
}

TEST_F(DialogTest, PickersReturnPaths)
{
    Folder(u"f");
    Session(u"f\\one");
    Session(u"f\\two");
    VUnicodeString path = u"f\\two";
    WhenShown<ConnectDialog>([](ConnectDialog& dialog) {
        // The starting path is selected.
        EXPECT_EQ(dialog.Tree()->GetSelectedPaths()[0], VUnicodeString(u"f\\two"));
        dialog.ConnectButton()->click();
    });
    EXPECT_EQ(ShowConnectDialogBrowseMode(u"Pick", path, 3, nullptr, false), 1);
    EXPECT_EQ(path, VUnicodeString(u"f\\two"));

    VStringArray paths;
    paths.Add(u"kept");
    WhenShown<ConnectDialog>([](ConnectDialog& dialog) {
        dialog.Tree()->SelectItem(dialog.Tree()->FindItem(u"f"));
        dialog.ConnectButton()->click();
    });
    EXPECT_EQ(ShowConnectDialogMultiSelectBrowseMode(u"Pick", paths, 3, nullptr), 1);
    EXPECT_EQ(paths, (VStringArray{u"kept", u"f\\one", u"f\\two"}));
}

bool g_makeFirewall = true;
bool MakeFirewall(VUnicodeString& name)
{
    name = u"F";
    return g_makeFirewall;
}

TEST_F(DialogTest, FirewallComboFollowsTheChoice)
{
    Session(u"S");
    Session(u"T");
    QComboBox combo;
    const VStringArray names{u"A", u"B"};
    for (const char16_t* text : {u"A", u"B"})
        combo.addItem(ToQString(text));
    combo.addItem(ToQString(GetSelectSessionLabel()));
    combo.addItem(ToQString(GetNewFirewallLabel()));
    unsigned remembered = kNoRememberedIndex;
    VUnicodeString result;

    const auto pick = [](const char16_t* path) {
        const std::u16string wanted = path;
        WhenShown<ConnectDialog>([wanted](ConnectDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select SSH2 Session"));
            dialog.Tree()->SelectItem(dialog.Tree()->FindItem(VUnicodeString(wanted)));
            dialog.ConnectButton()->click();
        });
    };
    pick(u"S");
    ShowConnectDialogBrowseModeFirewall(result, GetSelectSessionLabel(), 3, nullptr, &combo, names, remembered,
                                        u"SSH2", 0);
    EXPECT_EQ(combo.itemText(2), QStringLiteral("S"));
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(result, VUnicodeString(u"Session:S"));
    EXPECT_EQ(remembered, 2u);
    pick(u"T");
    ShowConnectDialogBrowseModeFirewall(result, GetSelectSessionLabel(), 3, nullptr, &combo, names, remembered,
                                        u"SSH2", 0);
    EXPECT_EQ(combo.count(), 5);
    EXPECT_EQ(combo.itemText(2), QStringLiteral("T"));
    EXPECT_EQ(result, VUnicodeString(u"Session:T"));

    // Plain choices: a firewall in any case is that firewall, anything
    // else a session.
    ShowConnectDialogBrowseModeFirewall(result, u"b", 3, nullptr, &combo, names, remembered, u"SSH2", 0);
    EXPECT_EQ(result, VUnicodeString(u"b"));
    ShowConnectDialogBrowseModeFirewall(result, u"T", 3, nullptr, &combo, names, remembered, u"SSH2", 0);
    EXPECT_EQ(result, VUnicodeString(u"Session:T"));

    // No host dialog for firewalls: an error, nothing else.
    ShowConnectDialogBrowseModeFirewall(result, GetNewFirewallLabel(), 3, nullptr, &combo, names, remembered,
                                        u"SSH2", 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].style, kMbOk | kMbIconError);
    EXPECT_EQ(combo.count(), 5);
    EXPECT_EQ(remembered, 2u);

    // A new firewall goes before the command entries, as it is named.
    GetHostCallbacks().newFirewall = &MakeFirewall;
    ShowConnectDialogBrowseModeFirewall(result, GetNewFirewallLabel(), 3, nullptr, &combo, names, remembered,
                                        u"SSH2", 0);
    GetHostCallbacks().newFirewall = nullptr;
    EXPECT_EQ(combo.itemText(2), QStringLiteral("F")); // replaced the remembered item
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(result, VUnicodeString(u"F"));
    EXPECT_EQ(remembered, kNoRememberedIndex);
}

// The choice on its own: a browse that gives nothing keeps the result and
// selects the item it names.
class Items final : public IFirewallCombo {
public:
    int Count() const override { return static_cast<int>(texts.size()); }
    VUnicodeString Text(int i) const override { return texts[static_cast<size_t>(i)]; }
    void Insert(int i, const VUnicodeString& t) override { texts.insert(texts.begin() + i, t); }
    void Remove(int i) override { texts.erase(texts.begin() + i); }
    void Select(int i) override { selected = i; }
    std::vector<VUnicodeString> texts;
    int selected = -1;
};

TEST(FirewallChoice, NothingPickedSelectsWhatTheResultNames)
{
    Items items;
    items.texts = {u"A", u"host", GetSelectSessionLabel(), GetNewFirewallLabel()};
    unsigned remembered = 1;
    VUnicodeString result = u"Session:host";
    FirewallChoiceServices services;
    services.browseSession = [](VUnicodeString&) { return false; };
    ChooseFirewall(result, GetSelectSessionLabel(), items, {u"A"}, remembered, services);
    EXPECT_EQ(result, VUnicodeString(u"Session:host"));
    EXPECT_EQ(items.selected, 1);
    EXPECT_EQ(remembered, 1u);
    // "Session:" alone is no prefix: nothing matches it, the first item is chosen.
    result = u"Session:";
    ChooseFirewall(result, GetSelectSessionLabel(), items, {u"A"}, remembered, services);
    EXPECT_EQ(items.selected, 0);
}

} // namespace
