// "Import from Another Program" on the offscreen platform: the program and
// file through the controls, the dry run's list before anything is
// written, Import only for what was previewed, and the entry point a host
// calls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <fstream>

#include "QtFixtures.h"
#include "SecretFakes.h"
#include "dialogs/qt/ForeignImportDialog.h"
#include "entry/ConnectDialog.h"
#include "sessiontree/ISessionDatabaseChanged.h"

namespace {

QString Sample(const char* name)
{
    return QStringLiteral(ORV_SOURCE_DIR "/tests/profile/exchange/samples/") + QLatin1String(name);
}

QStringList ListRows(const QListWidget& list)
{
    QStringList rows;
    for (int i = 0; i < list.count(); ++i)
        rows << list.item(i)->text();
    return rows;
}

class ForeignImportDialogTest : public WidgetTest {
protected:
    PassphraseScope passphrase;
};

TEST_F(ForeignImportDialogTest, PreviewListsWhatWouldHappenAndImportWritesIt)
{
    Session(u"Example FTP", u"SSH2", u"None", u"mine.example");
    ForeignImportDialog dialog(VUnicodeString{});
    dialog.show();
    dialog.ProgramBox()->setCurrentIndex(dialog.ProgramBox()->findData(QStringLiteral("filezilla")));
    EXPECT_EQ(dialog.ProgramBox()->currentText(), QStringLiteral("FileZilla"));
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
    QTest::keyClicks(dialog.PathBox(), Sample("sitemanager.xml"));
    QTest::mouseClick(dialog.PreviewButton(), Qt::LeftButton);
    EXPECT_EQ(ListRows(*dialog.ItemList()), (QStringList{"Added: Customers/Web/Customer DAV", "Added: Customers/Customer SFTP",
                                                     "Skipped: Example FTP"}));
    EXPECT_TRUE(ListRows(*dialog.NoteList()).join('\n').contains(QStringLiteral("the protocol \"webdav\"")));
    EXPECT_EQ(dialog.StatusLabel()->text(), QStringLiteral("2 of 3 session(s) will be written."));
    EXPECT_FALSE(Db().SessionExists(u"Customers")); // the preview wrote nothing

    // Another choice drops the preview: Import waits for a new one.
    dialog.ConflictBox()->setCurrentIndex(2);
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
    EXPECT_EQ(dialog.ItemList()->count(), 0);
    dialog.PasswordsBox()->setChecked(true);
    QTest::mouseClick(dialog.PreviewButton(), Qt::LeftButton);
    EXPECT_EQ(ListRows(*dialog.ItemList()).last(), QStringLiteral("Replaced: Example FTP"));
    ASSERT_TRUE(dialog.ImportButton()->isEnabled());
    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    Db().DropCachedListings();
    SessionConfigPtr replaced = Db().LoadSession(u"Example FTP");
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->GetHostname(), u"ftp.example.com");
    EXPECT_TRUE(Db().IsSession(u"Customers\\Web\\Customer DAV"));
}

TEST_F(ForeignImportDialogTest, AFileThatDoesNotReadSaysWhereAndImportsNothing)
{
    ForeignImportDialog dialog(VUnicodeString{});
    dialog.Choose(QStringLiteral("winscp"), Sample("sitemanager.xml"));
    dialog.RunPreview();
    EXPECT_TRUE(dialog.StatusLabel()->text().startsWith(QStringLiteral("The file cannot be imported: ") +
                                                        Sample("sitemanager.xml") + QStringLiteral(" line 3: the line is neither a [section] nor name=value")))
        << dialog.StatusLabel()->text().toStdString();
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
    dialog.accept(); // Import is disabled: nothing happens
    EXPECT_FALSE(dialog.isVisible() && dialog.result() == QDialog::Accepted);
    // mRemoteNG alone takes a master password.
    dialog.Choose(QStringLiteral("mremoteng"), {});
    EXPECT_TRUE(dialog.findChild<QLineEdit*>(QStringLiteral("masterPassword"))->isEnabled());
    dialog.Choose(QStringLiteral("csv"), {});
    EXPECT_FALSE(dialog.findChild<QLineEdit*>(QStringLiteral("masterPassword"))->isEnabled());
    EXPECT_TRUE(dialog.PathBox()->text().isEmpty()); // CSV has no usual place
}

TEST_F(ForeignImportDialogTest, LongImportsShowHowFarTheyAre)
{
    TempDir dir;
    const QString csv = QString::fromStdString(dir.str() + "/many.csv");
    {
        std::ofstream out(csv.toStdString());
        out << "name,host\n";
        for (int i = 0; i < 600; ++i)
            out << "s" << i << ",h" << i << "\n";
    }
    ForeignImportDialog dialog(VUnicodeString{});
    dialog.Choose(QStringLiteral("csv"), csv);
    dialog.RunPreview();
    auto* progress = dialog.findChild<QProgressDialog*>();
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->maximum(), 600);
    EXPECT_FALSE(progress->isVisible()); // closed at the end
    EXPECT_EQ(dialog.StatusLabel()->text(), QStringLiteral("600 of 600 session(s) will be written."));
}

class ChangeSink : public QMainWindow, public ISessionDatabaseChanged {
public:
    void OnSessionDatabaseChanged(int changed, int) override { changes += changed; }
    void OnSessionDatabaseViewChanged() override {}
    int changes = 0;
};

TEST_F(ForeignImportDialogTest, TheEntryPointPreviewsAGivenFileAndTellsTheHost)
{
    ChangeSink host;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<ForeignImportDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->ItemList()->count(), 3); // previewed at once
        QTest::mouseClick(dialog->ImportButton(), Qt::LeftButton);
    });
    const std::u16string file = Sample("sessions.csv").toStdU16String();
    EXPECT_EQ(ShowImportFromDialog(VUnicodeString{}, u"csv", file.c_str(), &host), 1);
    EXPECT_EQ(host.changes, 1);
    EXPECT_TRUE(Db().IsSession(u"Servers\\Linux\\web01"));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(ShowImportFromDialog(VUnicodeString{}, nullptr, nullptr, &host), 0);
    EXPECT_EQ(host.changes, 1);
}

} // namespace
