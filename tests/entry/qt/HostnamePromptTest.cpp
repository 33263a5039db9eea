// The hostname prompt through its exported entry points, with the real
// dialog on the offscreen platform; the user's part is played by events
// sent while the dialog runs modally.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "entry/ConnectDialog.h"
#include "entry/qt/HostnamePromptDialog.h"
#include "profile/sessions/SessionConfig.h"

namespace {

// Runs `act` on the prompt once it is up; counts the prompts that came up.
class WhilePrompting {
public:
    explicit WhilePrompting(std::function<void(HostnamePromptDialog&)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<HostnamePromptDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("handled").toBool())
                return;
            dialog->setProperty("handled", true);
            ++shown;
            m_act(*dialog);
        });
        m_poll.start(10);
    }
    int shown = 0;

private:
    std::function<void(HostnamePromptDialog&)> m_act;
    QTimer m_poll;
};

void Cancel(HostnamePromptDialog& dialog)
{
    QTest::keyClick(dialog.Edit(), Qt::Key_Escape);
}

TEST(HostnamePrompt, AnEmptyHostNameCanNeverBeConfirmed)
{
    VUnicodeString answer = u"unchanged";
    VUnicodeStringSink sink(answer);
    std::vector<bool> okStates;
    bool stillOpenAfterEnter = false;
    WhilePrompting user([&](HostnamePromptDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Enter Hostname"));
        EXPECT_EQ(dialog.Edit()->text(), QString());
        okStates.push_back(dialog.OkButton()->isEnabled());
        QTest::keyClick(dialog.Edit(), Qt::Key_Return); // refused: OK is off
        stillOpenAfterEnter = dialog.isVisible();
        QTest::keyClick(dialog.Edit(), Qt::Key_H);
        okStates.push_back(dialog.OkButton()->isEnabled());
        QTest::keyClick(dialog.Edit(), Qt::Key_Backspace);
        okStates.push_back(dialog.OkButton()->isEnabled());
        QTest::keyClicks(dialog.Edit(), QStringLiteral("web01.example.net"));
        okStates.push_back(dialog.OkButton()->isEnabled());
        QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    });
    EXPECT_EQ(LaunchHostnamePromptDialog(&sink, u"", nullptr), 1);
    EXPECT_EQ(user.shown, 1);
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(okStates, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(answer, VUnicodeString(u"web01.example.net"));
}

TEST(HostnamePrompt, AnInitialHostNameEnablesOkAndCancelLeavesTheResult)
{
    VUnicodeString answer = u"unchanged";
    VUnicodeStringSink sink(answer);
    {
        WhilePrompting user([&](HostnamePromptDialog& dialog) {
            EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("db1"));
            EXPECT_TRUE(dialog.OkButton()->isEnabled());
            EXPECT_EQ(dialog.SessionLabel()->text(), QString()); // no session to name
            Cancel(dialog);
        });
        EXPECT_EQ(LaunchHostnamePromptDialog(&sink, u"db1", nullptr), 2);
        EXPECT_EQ(answer, VUnicodeString(u"unchanged"));
    }

    WhilePrompting confirm([](HostnamePromptDialog& dialog) { dialog.OkButton()->click(); });
    EXPECT_EQ(LaunchHostnamePromptDialog(&sink, u"db1", nullptr), 1);
    EXPECT_EQ(answer, VUnicodeString(u"db1"));
}

// A session saved with "Prompt For Hostname": its own record asks once,
// and the answer becomes the session's host name.
TEST(HostnamePrompt, TheSessionsRecordAsksWhenSavedToPromptAndOnlyOnce)
{
    const SessionConfigPtr session(new SessionConfig(nullptr, u"Lab\\router"));
    session->RemoteHost().SetNumber(RemoteHostConfig::kPromptForHostname, 1);
    session->RemoteHost().SetHostname(u"old.example");
    WhilePrompting user([&](HostnamePromptDialog& dialog) {
        EXPECT_EQ(dialog.SessionLabel()->text(), QStringLiteral("Lab\\router"));
        EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("old.example"));
        dialog.Edit()->clear();
        QTest::keyClicks(dialog.Edit(), QStringLiteral("10.1.2.3"));
        dialog.OkButton()->click();
    });
    EXPECT_TRUE(UpdateHostnameForConfig(&session->Connect(), u"Lab\\router"));
    EXPECT_EQ(session->GetHostname(), VUnicodeString(u"10.1.2.3"));
    EXPECT_TRUE(session->Connect().GetAlternativeHostname().IsEmpty());
    // Supplied now: connecting with the same record asks no more; no record,
    // or one not saved to prompt, asks nothing either.
    EXPECT_TRUE(UpdateHostnameForConfig(&session->Connect(), u"Lab\\router"));
    EXPECT_TRUE(UpdateHostnameForConfig(nullptr, u"Lab\\router"));
    const SessionConfigPtr plain(new SessionConfig(nullptr, u"web")); // not saved to prompt
    EXPECT_TRUE(UpdateHostnameForConfig(&plain->Connect(), u"web"));
    EXPECT_EQ(user.shown, 1);

    // A copy of the session answers from its own remote host.
    const SessionConfigPtr copy(session->Clone());
    copy->RemoteHost().SetHostname(u"copy.example");
    EXPECT_EQ(copy->Connect().GetHostname(), VUnicodeString(u"copy.example"));
    EXPECT_EQ(session->Connect().GetHostname(), VUnicodeString(u"10.1.2.3"));
}

// A host's own record: the queries are asked in the stated way, and the
// alternative host name takes the answer when the record uses one.
class HostRecord final : public ConnectConfig {
public:
    HostRecord() : ConnectConfig(nullptr, {}) {}
    bool QueryHostnamePrompt(int32_t& prompt) const override
    {
        ++queries;
        prompt = promptValue;
        return settled;
    }
    VUnicodeString GetHostname() const override { return u"saved.example"; }
    void SetHostname(const char16_t* hostname) override { calls.push_back(u"host " + std::u16string(hostname)); }
    void SetAlternativeHostname(const char16_t* hostname) override
    {
        calls.push_back(u"alternative " + std::u16string(hostname));
    }
    bool UsesAlternativeHostname() const override { return alternative; }

    int32_t promptValue = 0;
    bool settled = false;
    bool alternative = false;
    mutable int queries = 0;
    std::vector<std::u16string> calls;
};

TEST(HostnamePrompt, AHostsRecordIsAskedAndAnsweredThroughItsOperations)
{
    int typed = 0;
    auto user = std::make_unique<WhilePrompting>([&](HostnamePromptDialog& dialog) {
        EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("saved.example"));
        dialog.Edit()->setText(QStringLiteral("answer%1").arg(++typed));
        dialog.OkButton()->click();
    });
    HostRecord record;
    record.promptValue = 2; // only 1 asks
    EXPECT_TRUE(UpdateHostnameForConfig(&record, u"s"));
    record.promptValue = 1;
    record.settled = true; // a true answer asks nothing either
    EXPECT_TRUE(UpdateHostnameForConfig(&record, u"s"));
    EXPECT_EQ(user->shown, 0);
    EXPECT_EQ(record.queries, 2);

    record.settled = false;
    EXPECT_TRUE(UpdateHostnameForConfig(&record, u"s"));
    record.promptValue = 0;
    record.alternative = true; // asks by itself, and takes the answer
    EXPECT_TRUE(UpdateHostnameForConfig(&record, u"s"));
    EXPECT_EQ(record.calls, (std::vector<std::u16string>{u"host answer1", u"alternative answer2"}));

    user.reset();
    WhilePrompting leave(Cancel);
    HostRecord cancelled;
    cancelled.alternative = true;
    EXPECT_FALSE(UpdateHostnameForConfig(&cancelled, u"s"));
    EXPECT_TRUE(cancelled.calls.empty());
}

} // namespace
