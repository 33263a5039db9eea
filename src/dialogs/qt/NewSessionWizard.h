#pragma once

#include <QWizard>
#include <QWizardPage>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "dialogs/NewSessionWizardBase.h"

class ConnectProtocolPage;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class NewSessionWizard;

// A page of the New Session wizard: the configuration it edits, its
// resource id, and the wizard picture at its left.
class ORV_EXPORT NewSessionWizardPage : public QWizardPage, public INewSessionWizardPage {
    Q_OBJECT
public:
    // The picture id names the image shown at the page's left (only one
    // is shipped: the wizard picture).
    static constexpr int kWizardPicture = 1;

    NewSessionWizardPage(ISessionConfig* config, int applicationNumber, int templateId, int pictureId);

    int GetResourceID() const override { return m_resourceId; }
    NewSessionWizardBase* GetNewSessionWizardBase() const;
    // The name and description the finish page starts from.
    virtual void DoSetup(const VUnicodeString& name, const VUnicodeString& description);
    // The display names of `applicationNumber`'s protocols, in table order;
    // with `withNone` the "None" row too.
    static VStringArray PopulateProtocolArray(int applicationNumber, bool withNone);
    // The page became the current one: it sets the buttons.
    virtual void OnSetActive() {}
    // The default navigation: the next page in id order.
    int nextId() const override { return QWizardPage::nextId(); }

protected:
    SessionConfig& Config() const { return *m_config; }
    int GetApplicationNumber() const { return m_applicationNumber; }
    // The page's texts above its controls, one label each.
    void AddText(const QString& text, bool heading = false);
    QLayout* Body() const { return m_body; }

private:
    SessionConfigPtr m_config;
    int m_applicationNumber;
    int m_resourceId;
    QLayout* m_body;
};

// One list of protocols and the do-not-use-wizard box: the single page and
// the terminal page share it; the transfer page has no box.
class NewSessionWizardProtocolListPage : public NewSessionWizardPage {
    Q_OBJECT
public:
    NewSessionWizardProtocolListPage(ISessionConfig* config, int applicationNumber, int templateId,
                                     const QString& listLabel, bool withBox);
    QComboBox* ProtocolList() const { return m_list; }
    QCheckBox* DoNotUseBox() const { return m_box; }
    // The internal name of the listed protocol chosen.
    VUnicodeString ChosenProtocol() const;

protected:
    // Fills the list with `names` (display names) and selects `protocol`.
    void Fill(const VStringArray& names, const VUnicodeString& protocol);
    // Next and Finish shown; Finish enabled when the box is checked, else Next.
    void SetButtonsByBox();

private:
    QComboBox* m_list;
    QCheckBox* m_box = nullptr;
};

class NewSessionWizardProtocolSinglePage final : public NewSessionWizardProtocolListPage {
    Q_OBJECT
public:
    NewSessionWizardProtocolSinglePage(ISessionConfig* config, int applicationNumber);
    void initializePage() override;
    void OnSetActive() override { SetButtonsByBox(); }
    bool validatePage() override;
    int nextId() const override;
};

class NewSessionWizardTerminalPage final : public NewSessionWizardProtocolListPage {
    Q_OBJECT
public:
    NewSessionWizardTerminalPage(ISessionConfig* config, int applicationNumber);
    void initializePage() override;
    void OnSetActive() override { SetButtonsByBox(); }
    bool validatePage() override;
    int nextId() const override;
};

class NewSessionWizardTransferPage final : public NewSessionWizardProtocolListPage {
    Q_OBJECT
public:
    NewSessionWizardTransferPage(ISessionConfig* config, int applicationNumber);
    void OnSetActive() override;
    bool validatePage() override;
    int nextId() const override;
};

// A protocol's connection page (the one Quick Connect shows) as a wizard page.
class NewSessionWizardConnectionPage final : public NewSessionWizardPage {
    Q_OBJECT
public:
    NewSessionWizardConnectionPage(ISessionConfig* config, int applicationNumber, size_t row);
    ConnectProtocolPage* Page() const { return m_page; }
    void initializePage() override;
    void OnSetActive() override;
    bool validatePage() override;
    int nextId() const override;

private:
    size_t m_row;
    ConnectProtocolPage* m_page;
};

class NewSessionWizardFinishPage final : public NewSessionWizardPage {
    Q_OBJECT
public:
    NewSessionWizardFinishPage(ISessionConfig* config, int applicationNumber);
    QLineEdit* NameBox() const { return m_name; }
    QPlainTextEdit* DescriptionBox() const { return m_description; }
    bool IsLeavingForward() const { return m_leavingForward; }
    void DoSetup(const VUnicodeString& name, const VUnicodeString& description) override;
    void OnSetActive() override;
    void cleanupPage() override;
    bool validatePage() override;
    int nextId() const override { return -1; }

private:
    void ApplyButtonRule();

    QLineEdit* m_name;
    QPlainTextEdit* m_description;
    bool m_leavingForward = false;
};

// The New Session wizard: a sheet in wizard mode over four fixed pages and
// one connection page per protocol. Finishing leaves the choices in the
// configuration; the caller saves it.
class ORV_EXPORT NewSessionWizard final : public QWizard, public NewSessionWizardBase {
    Q_OBJECT
public:
    // `firstPage` 0: the terminal page where both families are offered,
    // else the single page.
    NewSessionWizard(ISessionConfig* config, int applicationNumber, QWidget* parent, unsigned int firstPage);
    ~NewSessionWizard() override;

    // 1 when finished, 2 when cancelled.
    int DoModal();
    void AddPage(NewSessionWizardPage* page, int& pageId);

    int GetFinishPageID() override { return kFinishPageID; }
    int GetTransferPageID() override { return kTransferPageID; }
    void SetButtons(unsigned long shown, unsigned long enabled) override;
    void ShowBrowseModeFirewall(VUnicodeString& result, VUnicodeString chosen, int applicationNumber,
                                QWidget* parent, QComboBox* combo, VStringArray firewallNames,
                                unsigned int& rememberedIndex, const char16_t* protocol, unsigned short value);

    NewSessionWizardProtocolSinglePage* SinglePage() const { return m_single; }
    NewSessionWizardTerminalPage* TerminalPage() const { return m_terminal; }
    NewSessionWizardTransferPage* TransferPage() const { return m_transfer; }
    NewSessionWizardFinishPage* FinishPage() const { return m_finish; }
    NewSessionWizardConnectionPage* ConnectionPage(std::u16string_view protocol) const;

private:
    void OnInitDialog();

    NewSessionWizardProtocolSinglePage* m_single;
    NewSessionWizardTerminalPage* m_terminal;
    NewSessionWizardTransferPage* m_transfer;
    NewSessionWizardFinishPage* m_finish;
};

// New Session through the wizard for a session tree: a configuration from
// the "Default" session, named "New" made unique in `folderPath` until the
// finish page names it, saved there when the wizard finishes. True with
// the new session's path.
bool RunNewSessionWizardIn(const VUnicodeString& folderPath, int applicationNumber, QWidget* parent,
                           VUnicodeString& createdPath);
