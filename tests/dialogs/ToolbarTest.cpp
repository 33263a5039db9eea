// The customisable toolbar: string-table texts and their translation, the
// customisation menu and its remembered choice, the image sets by scale.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "QtFixtures.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/ConnectView.h"
#include "sessiontree/qt/SessionTreeCtrl.h"
#include <QMainWindow>
#include "platform/qt/LibraryTranslations.h"
#include "platform/qt/ResourceIcons.h"
#include "profile/values/ProfileGlobalConfigStorage.h"
#include "sessiontree/qt/SessionIcons.h"

namespace {

class ToolbarTest : public WidgetTest {};

TEST(ToolbarBaseRules, SplitsTheStringAndPicksTheImageSetByScale)
{
    VUnicodeString tooltip;
    VUnicodeString label;
    ToolbarBase::SplitCommandString(u"Create a new session\nNew Session", tooltip, label);
    EXPECT_EQ(tooltip, u"Create a new session");
    EXPECT_EQ(label, u"New Session");
    ToolbarBase::SplitCommandString(u"Only", tooltip, label);
    EXPECT_EQ(tooltip, u"Only");
    EXPECT_EQ(label, u"Only");

    EXPECT_EQ(ToolbarBase::ImageSetForScale(0.875), 16);
    EXPECT_EQ(ToolbarBase::ImageSetForScale(1.25), 16);
    EXPECT_EQ(ToolbarBase::ImageSetForScale(1.375), 24);
    EXPECT_EQ(ToolbarBase::ImageSetForScale(1.5), 24);
    EXPECT_EQ(ToolbarBase::ImageSetForScale(1.875), 32);
    EXPECT_EQ(ToolbarBase::ImageSetForScale(2.5), 32);
}

TEST_F(ToolbarTest, LabelsAndTooltipsComeFromTheStringTableInTheUsersLanguage)
{
    ConnectToolbar toolbar(QStringLiteral("Session Manager"));
    QAction* connect = toolbar.Button(kCmdConnect);
    ASSERT_TRUE(connect);
    EXPECT_EQ(connect->text(), QStringLiteral("Connect"));
    EXPECT_EQ(connect->toolTip(), QStringLiteral("Connect to the selected sessions"));

    ASSERT_TRUE(InstallLibraryTranslation(QStringLiteral("de")));
    Settle(); // the language change reaches the toolbar
    EXPECT_EQ(connect->text(), QStringLiteral("Verbinden"));
    EXPECT_EQ(toolbar.Button(kCmdNewFolder)->toolTip(), QStringLiteral("Einen neuen Ordner anlegen"));
    ConnectToolbar fresh(QStringLiteral("Connect Dialog"));
    EXPECT_EQ(fresh.Button(kCmdDelete)->text(), QStringLiteral("Löschen"));

    EXPECT_FALSE(InstallLibraryTranslation(QStringLiteral("xx")));
    Settle();
    EXPECT_EQ(connect->text(), QStringLiteral("Connect"));
}

TEST_F(ToolbarTest, TheCustomisationMenuHidesAButtonAndTheChoiceSurvivesARestart)
{
    ProfileGlobalConfigStorage storage;
    SetGlobalConfigStorage(&storage);
    config->filterDelayMs = 20;
    {
        ConnectToolbar toolbar(QStringLiteral("Session Manager"));
        toolbar.RemoveButton(kCmdHelp); // removed by the owner: not offered
        toolbar.resize(600, 40);
        toolbar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&toolbar));

        // A right click on the toolbar opens the menu.
        QWidget* button = toolbar.widgetForAction(toolbar.Button(kCmdCopy));
        ASSERT_TRUE(button);
        QContextMenuEvent click(QContextMenuEvent::Mouse, button->geometry().center(),
                                toolbar.mapToGlobal(button->geometry().center()));
        QApplication::sendEvent(&toolbar, &click);
        QMenu* menu = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (menu = toolbar.findChild<QMenu*>(QStringLiteral("toolbarCustomizeMenu"))) &&
                                         menu->isVisible(); }));
        QStringList items;
        QAction* copyItem = nullptr;
        for (QAction* item : menu->actions()) {
            items << item->text();
            if (item->text() == QStringLiteral("Copy"))
                copyItem = item;
        }
        EXPECT_FALSE(items.contains(QStringLiteral("Help")));
        EXPECT_TRUE(items.contains(QStringLiteral("&Reset Toolbar")));
        ASSERT_TRUE(copyItem);
        EXPECT_TRUE(copyItem->isChecked());
        menu->setActiveAction(copyItem);
        QTest::keyClick(menu, Qt::Key_Return);
        EXPECT_FALSE(toolbar.Button(kCmdCopy)->isVisible());
        EXPECT_TRUE(toolbar.Button(kCmdCut)->isVisible());
    }
    // Another run: the options are read again from the store.
    *config = GlobalConfig();
    SetGlobalConfigStorage(&storage);
    EXPECT_EQ(config->hiddenToolbarButtons[u"Session Manager"], std::vector<uint32_t>{kCmdCopy});
    ConnectToolbar again(QStringLiteral("Session Manager"));
    EXPECT_FALSE(again.Button(kCmdCopy)->isVisible());
    EXPECT_TRUE(again.IsButtonHidden(kCmdCopy));
    ConnectToolbar other(QStringLiteral("Connect Dialog")); // a choice of its own
    EXPECT_TRUE(other.Button(kCmdCopy)->isVisible());

    std::unique_ptr<QMenu> menu(again.CreateCustomizeMenu(nullptr));
    menu->actions().last()->trigger(); // Reset Toolbar
    EXPECT_TRUE(again.Button(kCmdCopy)->isVisible());
    *config = GlobalConfig();
    SetGlobalConfigStorage(&storage);
    EXPECT_TRUE(config->hiddenToolbarButtons[u"Session Manager"].empty());
    SetGlobalConfigStorage(nullptr);
}

// The ctest entry "toolbar_scaled" runs this again at a scale of 2.
TEST_F(ToolbarTest, ImagesComeFromTheSetTheScaleCallsFor)
{
    ConnectToolbar toolbar(QStringLiteral("Session Manager"));
    toolbar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&toolbar));
    const double scale = ToolbarCtrl::ScaleOf(&toolbar);
    const int set = ToolbarBase::ImageSetForScale(scale);
    EXPECT_EQ(toolbar.GetImageSet(), set);
    const char* expected = std::getenv("ORV_EXPECT_IMAGE_SET");
    if (expected) {
        EXPECT_EQ(set, std::atoi(expected));
    }
    const QIcon icon = toolbar.Button(kCmdConnect)->icon();
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled}) {
        const QPixmap pixmap = icon.pixmap(QSize(16, 16), scale, mode);
        EXPECT_EQ(pixmap.width(), set) << mode;
    }
    // The three forms differ.
    const QImage normal = icon.pixmap(QSize(16, 16), scale, QIcon::Normal).toImage();
    EXPECT_NE(normal, icon.pixmap(QSize(16, 16), scale, QIcon::Active).toImage());
    EXPECT_NE(normal, icon.pixmap(QSize(16, 16), scale, QIcon::Disabled).toImage());

    // A move to a screen of another scale takes the other set.
    toolbar.UpdateImageSet(2.0);
    EXPECT_EQ(toolbar.Button(kCmdConnect)->icon().pixmap(QSize(16, 16), 2.0).width(), 32);
}

// Also run at a scale of 2 by "toolbar_scaled": the tree answers its
// display queries from the screen and takes the large set there.
TEST_F(ToolbarTest, TheTreeTakesTheIconSetTheScaleCallsFor)
{
    Session(u"web", u"SSH2");
    QMainWindow frame;
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, nullptr, &frame);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &view);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const bool large = ToolbarCtrl::ScaleOf(&view) >= 1.375;
    QEvent moved(QEvent::ScreenChangeInternal); // as a move to this screen sends it
    QApplication::sendEvent(view.Tree(), &moved);
    EXPECT_EQ(view.Tree()->GetIconSet(), large ? 1 : 0);
    const char* expected = std::getenv("ORV_EXPECT_IMAGE_SET");
    if (expected) {
        EXPECT_EQ(view.Tree()->GetIconSet(), std::atoi(expected) > 16 ? 1 : 0);
    }
    EXPECT_EQ(view.Toolbar()->GetImageSet(), ToolbarBase::ImageSetForScale(ToolbarCtrl::ScaleOf(&view)));
}

TEST(ResourceIconFiles, EveryTreeAndToolbarPictureIsThere)
{
    for (int index = 0; index < SessionIcons::kCount; ++index) {
        EXPECT_TRUE(ResourceIcons::Exists(SessionIcons::ImageName(index))) << index;
        EXPECT_FALSE(ResourceIcons::Render(SessionIcons::ImageName(index), 32).isNull()) << index;
    }
    for (const char* name : {"connect", "cut", "help", "desktop-shortcut"})
        for (const char* form : {"", "-hot", "-disabled"})
            EXPECT_TRUE(ResourceIcons::Exists(QStringLiteral("toolbar/%1%2").arg(name, form))) << name << form;
    for (const char* pane : {"session-manager", "command-manager", "active-sessions"})
        EXPECT_TRUE(ResourceIcons::Exists(QStringLiteral("pane/%1").arg(pane))) << pane;
}

} // namespace
