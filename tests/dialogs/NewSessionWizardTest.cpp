// The New Session wizard on the offscreen platform: its pages, its
// navigation by protocol, the finish page's checks, and New Session in a
// tree saving what it collected.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "DialogSteps.h"
#include "QtFixtures.h"
#include "dialogs/qt/ConnectDialog.h"
#include "dialogs/qt/ConnectProtocolPage.h"
#include "dialogs/qt/NewSessionWizard.h"
#include "platform/qt/QtStrings.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

using W = NewSessionWizardBase;

class WizardTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        session = SessionConfigPtr(new SessionConfig(nullptr, u"New"));
    }
    std::unique_ptr<NewSessionWizard> Make(int application = 3)
    {
        auto wizard = std::make_unique<NewSessionWizard>(session.Get(), application, nullptr, 0);
        wizard->InitPages(wizard->SinglePage(), wizard->TerminalPage(), wizard->TransferPage(),
                          wizard->FinishPage());
        wizard->show();
        return wizard;
    }
    static void Next(QWizard& wizard) { wizard.button(QWizard::NextButton)->click(); }
    static void Pick(QComboBox* list, const QString& text)
    {
        ASSERT_TRUE(list);
        const int item = list->findText(text);
        ASSERT_GE(item, 0) << text.toStdString();
        list->setCurrentIndex(item);
    }
    static QLineEdit* Field(NewSessionWizard& wizard, ProtocolField field)
    {
        auto* page = dynamic_cast<NewSessionWizardConnectionPage*>(wizard.currentPage());
        return page ? qobject_cast<QLineEdit*>(page->Page()->FieldControl(field)) : nullptr;
    }
    // Which of Back, Next and Finish are shown and which enabled, as bits.
    static std::pair<unsigned long, unsigned long> Buttons(QWizard& wizard)
    {
        unsigned long shown = 0;
        unsigned long enabled = 0;
        const std::pair<QWizard::WizardButton, unsigned long> buttons[] = {
            {QWizard::BackButton, W::kButtonBack}, {QWizard::NextButton, W::kButtonNext},
            {QWizard::FinishButton, W::kButtonFinish}};
        for (const auto& [which, bit] : buttons) {
            if (!wizard.button(which)->isHidden())
                shown |= bit;
            if (wizard.button(which)->isEnabled())
                enabled |= bit;
        }
        return {shown, enabled};
    }
    static std::string Stored(const std::u16string& path, const std::u16string& name)
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(VUnicodeString(path)), 0);
        VUnicodeString text;
        VStringArray lines;
        uint32_t number = 0;
        if (key.ReadString(name, text))
            return text.ToUtf8();
        if (key.ReadDword(name, number))
            return std::to_string(number);
        if (key.ReadStringArray(name, lines)) {
            std::string joined;
            for (const VUnicodeString& line : lines)
                joined += (joined.empty() ? "" : "|") + line.ToUtf8();
            return joined;
        }
        return "<absent>";
    }

    SessionConfigPtr session;
};

TEST_F(WizardTest, TheSheetHasNoHelpAndEveryPageItsPicture)
{
    auto wizard = Make();
    EXPECT_TRUE(wizard->windowTitle().isEmpty());
    EXPECT_FALSE(wizard->testOption(QWizard::HaveHelpButton));
    EXPECT_EQ(wizard->currentId(), W::kTerminalPageID);
    // Cancel to the right of Finish, where Help was.
    EXPECT_LT(wizard->button(QWizard::FinishButton)->x(), wizard->button(QWizard::CancelButton)->x());
    for (int id : wizard->pageIds())
        EXPECT_FALSE(wizard->page(id)->pixmap(QWizard::WatermarkPixmap).isNull()) << id;
    EXPECT_EQ(Items(*wizard->TerminalPage()->ProtocolList()),
              (QStringList{"SSH2", "SSH1", "Telnet", "Telnet/TLS", "RLogin", "Serial", "TAPI", "Raw", "Local Shell",
                           "RDP", "None"}));

    wizard->SetButtons(W::kButtonBack | W::kButtonFinish, W::kButtonFinish);
    EXPECT_EQ(Buttons(*wizard), std::make_pair(W::kButtonBack | W::kButtonFinish, W::kButtonFinish));
    EXPECT_FALSE(qobject_cast<QPushButton*>(wizard->button(QWizard::FinishButton))->isDefault());
}

TEST_F(WizardTest, AWholeWalkFromTheTerminalPageSavesTheSessionInTheTreesFolder)
{
    Folder(u"Lab");
    config->useNewSessionWizard = true;
    auto dialog = std::make_unique<ConnectDialog>(u"Connect", false, false, false, ConnectDialog::TreeOptions{}, 3,
                                                  nullptr);
    dialog->show();
    dialog->Tree()->SelectItem(dialog->Tree()->FindItem(u"Lab"));
    WhenShown<NewSessionWizard>([](NewSessionWizard& w) {
        EXPECT_EQ(Buttons(w), std::make_pair(W::kButtonNext | W::kButtonFinish, W::kButtonNext));
        Pick(w.TerminalPage()->ProtocolList(), QStringLiteral("SSH2"));
        Next(w);
        ASSERT_EQ(w.currentId(), W::kFirstProtocolPageID);
        EXPECT_EQ(Buttons(w), std::make_pair(W::kButtonBack | W::kButtonNext, W::kButtonBack | W::kButtonNext));
        QTest::keyClicks(Field(w, ProtocolField::Hostname), QStringLiteral("web05"));
        QTest::keyClicks(Field(w, ProtocolField::Username), QStringLiteral("ops"));
        Field(w, ProtocolField::Port)->setText(QStringLiteral("2205"));
        emit Field(w, ProtocolField::Port)->textEdited(QStringLiteral("2205"));
        Next(w);
        ASSERT_EQ(w.currentId(), W::kTransferPageID);
        EXPECT_TRUE(Items(*w.TransferPage()->ProtocolList()).contains(QStringLiteral("None")));
        Pick(w.TransferPage()->ProtocolList(), QStringLiteral("SFTP"));
        Next(w); // SSH2 and SFTP: straight to the end
        ASSERT_EQ(w.currentId(), W::kFinishPageID);
        EXPECT_EQ(w.FinishPage()->NameBox()->text(), QStringLiteral("web05"));
        EXPECT_EQ(Buttons(w), std::make_pair(W::kButtonBack | W::kButtonFinish, W::kButtonBack | W::kButtonFinish));
        w.FinishPage()->DescriptionBox()->setPlainText(QStringLiteral("rack 4\nshelf 2"));
        w.button(QWizard::FinishButton)->click();
    });
    QTest::keyClick(dialog->Tree(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(dialog->Tree()->GetSelectedPaths(), VStringArray{VUnicodeString(u"Lab\\web05")});
    EXPECT_EQ(Stored(u"Lab\\web05", u"Protocol Name"), "SSH2");
    EXPECT_EQ(Stored(u"Lab\\web05", u"Transfer Protocol Name"), "SFTP");
    EXPECT_EQ(Stored(u"Lab\\web05", u"Hostname"), "web05");
    EXPECT_EQ(Stored(u"Lab\\web05", u"Username"), "ops");
    EXPECT_EQ(Stored(u"Lab\\web05", u"SSH2 Port"), "2205");
    EXPECT_EQ(Stored(u"Lab\\web05", u"Description"), "rack 4|shelf 2");
    EXPECT_TRUE(config->useNewSessionWizard);
}

TEST_F(WizardTest, WithoutATerminalProtocolTheTransferPageOffersNoNoneAndItsPageFollows)
{
    auto wizard = Make();
    Pick(wizard->TerminalPage()->ProtocolList(), QStringLiteral("None"));
    Next(*wizard);
    ASSERT_EQ(wizard->currentId(), W::kTransferPageID);
    EXPECT_TRUE(wizard->GetIsTamsicProtocolNone());
    EXPECT_EQ(Items(*wizard->TransferPage()->ProtocolList()),
              (QStringList{"SFTP", "FTP", "FTP/TLS (implicit)", "FTP/TLS (explicit)", "HTTP", "HTTPS", "HTTPS (S3)",
                           "SCP"}));
    EXPECT_EQ(Buttons(*wizard), std::make_pair(W::kButtonBack | W::kButtonNext, W::kButtonBack | W::kButtonNext));
    Pick(wizard->TransferPage()->ProtocolList(), QStringLiteral("FTP"));
    Next(*wizard);
    ASSERT_EQ(wizard->currentPage(), wizard->ConnectionPage(u"FTP"));
    EXPECT_EQ(Field(*wizard, ProtocolField::Port)->text(), QStringLiteral("21"));
    EXPECT_EQ(session->GetProtocolName(), VUnicodeString(u"None"));
    EXPECT_EQ(session->GetTransferProtocolName(), VUnicodeString(u"FTP"));

    // A refused page keeps the wizard on it, with the reason.
    Next(*wizard);
    EXPECT_EQ(wizard->currentPage(), wizard->ConnectionPage(u"FTP"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(wizard->GetLastError().str(), box.shown[0].text);
    QTest::keyClicks(Field(*wizard, ProtocolField::Hostname), QStringLiteral("mirror.lab"));
    Next(*wizard);
    EXPECT_EQ(wizard->currentId(), W::kFinishPageID);

    // Telnet and SFTP: each protocol's page in turn.
    session = SessionConfigPtr(new SessionConfig(nullptr, u"New"));
    auto second = Make();
    Pick(second->TerminalPage()->ProtocolList(), QStringLiteral("Telnet"));
    Next(*second);
    EXPECT_EQ(second->currentPage(), second->ConnectionPage(u"Telnet"));
    QTest::keyClicks(Field(*second, ProtocolField::Hostname), QStringLiteral("switch"));
    Next(*second);
    EXPECT_EQ(second->currentId(), W::kTransferPageID);
    EXPECT_FALSE(second->GetIsTamsicProtocolNone());
    Pick(second->TransferPage()->ProtocolList(), QStringLiteral("SFTP"));
    Next(*second); // not SSH2: SFTP asks for its own page
    EXPECT_EQ(second->currentPage(), second->ConnectionPage(u"SFTP"));
    EXPECT_EQ(Field(*second, ProtocolField::Hostname)->text(), QStringLiteral("switch"));
}

TEST_F(WizardTest, TheFinishPageNamesTheSessionOrKeepsTheUserThere)
{
    Folder(u"Lab");
    Session(u"Lab\\taken");
    session->SetSessionPath(u"Lab\\New");
    auto wizard = Make();
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    Pick(wizard->TerminalPage()->ProtocolList(), QStringLiteral("Local Shell"));
    Next(*wizard);
    Next(*wizard);
    Pick(wizard->TransferPage()->ProtocolList(), QStringLiteral("None"));
    Next(*wizard);
    ASSERT_EQ(wizard->currentId(), W::kFinishPageID);
    QLineEdit* name = wizard->FinishPage()->NameBox();
    EXPECT_EQ(name->text(), QStringLiteral("New"));
    name->clear();
    EXPECT_EQ(Buttons(*wizard), std::make_pair(W::kButtonBack | W::kButtonFinish, W::kButtonBack));

    // A taken name and a refused one: the wizard stays, the box has the focus.
    for (const char* refused : {"taken", "a/b"}) {
        name->setText(QString::fromUtf8(refused));
        wizard->button(QWizard::FinishButton)->click();
        EXPECT_TRUE(wizard->isVisible()) << refused;
        EXPECT_EQ(wizard->currentId(), W::kFinishPageID);
        EXPECT_TRUE(name->hasFocus()) << refused;
    }
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].text, u"'taken' is already in use.");
    EXPECT_NE(box.shown[1].text.find(u"cannot contain"), std::u16string::npos);

    // Back, then forward again: the name is proposed afresh; blanks go.
    wizard->back();
    EXPECT_FALSE(wizard->FinishPage()->IsLeavingForward());
    Next(*wizard);
    EXPECT_TRUE(wizard->FinishPage()->IsLeavingForward());
    name->setText(QStringLiteral("  shell box  "));
    wizard->button(QWizard::FinishButton)->click();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_EQ(session->GetSessionPath(), VUnicodeString(u"Lab\\shell box"));
}

TEST_F(WizardTest, TheDoNotUseBoxTurnsNextIntoFinishAndIsStoredOnlyOnFinishing)
{
    config->useNewSessionWizard = true;
    auto wizard = Make();
    QCheckBox* box = wizard->TerminalPage()->DoNotUseBox();
    EXPECT_EQ(box->text(), QStringLiteral("Do not use this &wizard when creating sessions"));
    box->click();
    EXPECT_EQ(Buttons(*wizard), std::make_pair(W::kButtonNext | W::kButtonFinish, W::kButtonFinish));
    EXPECT_TRUE(config->useNewSessionWizard);
    box->click();
    EXPECT_EQ(Buttons(*wizard), std::make_pair(W::kButtonNext | W::kButtonFinish, W::kButtonNext));
    box->click();
    wizard->button(QWizard::FinishButton)->click();
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_FALSE(config->useNewSessionWizard);
}

TEST_F(WizardTest, CancelStoresNothingAndOneFamilyGetsTheSinglePage)
{
    Folder(u"Lab");
    config->useNewSessionWizard = true;
    VUnicodeString created;
    WhenShown<NewSessionWizard>([](NewSessionWizard& w) {
        Pick(w.TerminalPage()->ProtocolList(), QStringLiteral("SSH2"));
        Next(w);
        QTest::keyClicks(Field(w, ProtocolField::Hostname), QStringLiteral("gone"));
        w.button(QWizard::CancelButton)->click();
    });
    EXPECT_FALSE(RunNewSessionWizardIn(u"Lab", 3, nullptr, created));
    EXPECT_TRUE(created.IsEmpty());
    VStringArray sessions;
    Db().GetSessionList(u"Lab", 0, sessions);
    EXPECT_TRUE(sessions.IsEmpty());
    EXPECT_TRUE(config->useNewSessionWizard);

    // The transfer product alone: one list of its own protocols.
    ::setenv("ORV_INSTALLED_PRODUCTS", "pellowin", 1);
    ResetProductQueries();
    auto single = Make(9);
    EXPECT_EQ(single->currentId(), W::kSinglePageID);
    EXPECT_EQ(Items(*single->SinglePage()->ProtocolList()),
              (QStringList{"SFTP", "FTP", "FTP/TLS (implicit)", "FTP/TLS (explicit)", "HTTP", "HTTPS", "HTTPS (S3)",
                           "SCP"}));
    Pick(single->SinglePage()->ProtocolList(), QStringLiteral("SCP"));
    Next(*single);
    EXPECT_EQ(single->currentPage(), single->ConnectionPage(u"SCP"));
    EXPECT_EQ(session->GetTransferProtocolName(), VUnicodeString(u"SCP"));
    QTest::keyClicks(Field(*single, ProtocolField::Hostname), QStringLiteral("files"));
    Next(*single);
    EXPECT_EQ(single->currentId(), W::kFinishPageID);
}

} // namespace
