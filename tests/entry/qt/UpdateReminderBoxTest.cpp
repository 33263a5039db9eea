// The update reminder's box as the user sees it: the Qt message box with
// the check box and the relabelled affirmative button.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTimer>

#include "entry/ConnectDialog.h"
#include "platform/GlobalConfig.h"
#include "platform/SystemClock.h"

namespace {

class TestClock final : public IClock {
public:
    int64_t NowFileTime() const override { return now; }
    int64_t now = 0;
};

TEST(UpdateReminderBox, TheUserTicksDontRemindAndAnswersYes)
{
    GlobalConfig* config = nullptr;
    ASSERT_TRUE(GetGlobalConfig(&config));
    const GlobalConfig saved = *config;
    config->UpdateReminderFor(3) = {1'000'000'000, false};
    TestClock clock;
    clock.now = UnixTimeToFileTime(1'000'000'000) + 15 * kSecondsPerDay * kFileTimeTicksPerSecond;
    SetClock(&clock);

    QString text;
    QString check;
    QStringList buttons;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        text = box->text();
        check = box->checkBox() ? box->checkBox()->text() : QString();
        QAbstractButton* yes = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text();
            if (button->text() == QStringLiteral("Yes"))
                yes = button;
        }
        if (box->checkBox())
            box->checkBox()->setChecked(true);
        if (yes)
            yes->click();
        else
            box->reject();
    });
    poll.start(10);
    const bool check15 = CheckPeriodicUpdate(3, nullptr, 14, false);
    SetClock(nullptr);
    const UpdateReminderRecord record = config->UpdateReminderFor(3);
    *config = saved;

    EXPECT_TRUE(check15);
    EXPECT_EQ(text, QStringLiteral("It has been at least 14 days since you last checked for updates to Kestrune. "
                                   "Would you like to check for updates now?"));
    EXPECT_EQ(check, QStringLiteral("&Don't remind me again"));
    EXPECT_TRUE(buttons.contains(QStringLiteral("Yes"))) << buttons.join(u',').toStdString();
    EXPECT_TRUE(record.dontRemind);
    EXPECT_EQ(record.lastCheck, 1'000'000'000u + 15 * 86400u);
}

} // namespace
