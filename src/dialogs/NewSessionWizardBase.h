#pragma once

#include <vector>

#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "profile/sessions/SessionConfig.h"

// A page of the New Session wizard as its bookkeeping sees it: known by
// its resource id.
class ORV_EXPORT INewSessionWizardPage {
public:
    virtual ~INewSessionWizardPage() = default;
    virtual int GetResourceID() const = 0;
};

// The wizard's bookkeeping: which page follows which for each protocol,
// whether the terminal protocol is "None", whether the wizard is to be
// used at all, and the last error a page reported. The sheet supplies the
// ids of its finish and transfer pages and sets its buttons.
class ORV_EXPORT NewSessionWizardBase {
public:
    // Resource ids of the fixed pages and of the first protocol page (one
    // page per row of the protocol table that has fields, at this id plus
    // the row's index).
    static constexpr int kSinglePageID = 1;
    static constexpr int kTerminalPageID = 2;
    static constexpr int kTransferPageID = 3;
    static constexpr int kFinishPageID = 4;
    static constexpr int kFirstProtocolPageID = 100;
    // Button bits of SetButtons.
    static constexpr unsigned long kButtonBack = 1;
    static constexpr unsigned long kButtonNext = 2;
    static constexpr unsigned long kButtonFinish = 4;

    NewSessionWizardBase(ISessionConfig* config, int applicationNumber);
    virtual ~NewSessionWizardBase() = default;
    NewSessionWizardBase(const NewSessionWizardBase&) = delete;
    NewSessionWizardBase& operator=(const NewSessionWizardBase&) = delete;

    // The sheet's part, in this order.
    virtual int GetFinishPageID() = 0;
    virtual int GetTransferPageID() = 0;
    virtual void SetButtons(unsigned long shown, unsigned long enabled) = 0;

    // The four fixed pages; any may be null when the sheet leaves it out.
    void InitPages(INewSessionWizardPage* single, INewSessionWizardPage* terminal, INewSessionWizardPage* transfer,
                   INewSessionWizardPage* finish);
    // The page ids a protocol adds (its connection page, if it has one).
    static std::vector<int> ProtocolPageIDs(std::u16string_view protocol);
    // The first page the protocol adds, or the page after the protocol
    // pages when it adds none.
    int GetNextProtocolResourceID(const VUnicodeString& protocol);
    // The page after a protocol's pages: the transfer page after a terminal
    // protocol when both families are offered, else the finish page.
    int GetPageAfterProtocol(const VUnicodeString& protocol);
    // Whether the terminal and the transfer lists are asked in turn (a
    // terminal-family application with the transfer product installed), or
    // one list of the application's own protocols.
    bool UsesBothFamilies() const;

    void SetIsTamsicProtocolNone(bool none) { m_terminalNone = none; }
    bool GetIsTamsicProtocolNone() const { return m_terminalNone; }
    // Kept in the global configuration.
    static void SetUseWizard(bool use);
    static bool GetUseWizard();
    // The last reason a page gave for refusing its data.
    const VUnicodeString& GetLastError() const { return m_lastError; }
    void SetLastError(const VUnicodeString& error) { m_lastError = error; }

    SessionConfig& Config() { return *m_config; }
    int GetApplicationNumber() const { return m_applicationNumber; }

protected:
    INewSessionWizardPage* m_pages[4] = {};

private:
    SessionConfigPtr m_config;
    int m_applicationNumber;
    bool m_terminalNone = false;
    VUnicodeString m_lastError;
};
