// What ConnectDialogInitGUI hands the configuration dialogs: the session
// browser, which they open for the application of the start-up call, and
// the session-icon list.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QIcon>
#include <QPushButton>
#include <QTimer>

#include "../../dialogs/DialogSteps.h"
#include "QtFixtures.h"
#include "dialogs/qt/ConnectDialog.h"
#include "entry/ConnectDialog.h"
#include "platform/HostForms.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

class FormsServices : public WidgetTest {};

TEST_F(FormsServices, TheBrowserAndIconListAreTheLibrarysOwn)
{
    ConnectDialogInitGUI(nullptr, 9, nullptr, nullptr, nullptr, nullptr);

    const std::unique_ptr<SessionIconList> icons(CreateSessionIconList());
    ASSERT_NE(icons, nullptr);
    ASSERT_EQ(icons->GetImageCount(), 24);
    for (int i = 0; i < 24; ++i) {
        ASSERT_NE(icons->GetImage(i), nullptr) << i;
        EXPECT_FALSE(icons->GetImage(i)->isNull()) << i;
    }
    EXPECT_EQ(icons->GetImage(24), nullptr);
    EXPECT_EQ(icons->GetImage(-1), nullptr);

    Folder(u"lab");
    Session(u"lab\\ftp", u"None", u"SFTP", u"files.example");
    Session(u"lab\\ssh", u"SSH2", u"None", u"shell.example");
    int application = 0;
    QString title;
    WhenShown<ConnectDialog>([&](ConnectDialog& dialog) {
        title = dialog.windowTitle();
        application = dialog.GetApplicationNumber();
        dialog.Tree()->SelectItem(dialog.Tree()->FindItem(u"lab\\ftp"));
        dialog.ConnectButton()->click();
    });
    VStringArray paths;
    EXPECT_EQ(BrowseSessions(u"Pick a session", paths, nullptr), 1);
    EXPECT_EQ(title, QStringLiteral("Pick a session"));
    EXPECT_EQ(application, 9); // the start-up call's, not the caller's
    EXPECT_EQ(paths, VStringArray{u"lab\\ftp"});
}

} // namespace
