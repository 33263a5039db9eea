#pragma once

#include <QDialog>

#include "dialogs/QuickConnectDialogBase.h"

class ConnectProtocolPage;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// Quick Connect: a protocol list, that protocol's connection page, the
// three option boxes and "&Done", "Connect" and "Cancel".
class QuickConnectDialog final : public QDialog, public QuickConnectDialogBase {
    Q_OBJECT
public:
    QuickConnectDialog(const VUnicodeString& targetFolder, int applicationNumber, QWidget* parent,
                       bool tabsAvailable);
    ~QuickConnectDialog() override;

    // The modal loop; on 1 the OK processing runs before it returns.
    int DoModal();

    QComboBox* ProtocolList() const { return m_protocols; }
    QCheckBox* StartupBox() const { return m_startup; }
    QCheckBox* SaveBox() const { return m_save; }
    QCheckBox* TabBox() const { return m_tab; }
    QPushButton* DoneButton() const { return m_done; }
    QPushButton* ConnectButton() const { return m_connect; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The frame the page lies over: the first (other products) or the
    // second (the terminal product).
    QFrame* PageFrame(int which) const { return which == 0 ? m_frames[0] : m_frames[1]; }
    QFrame* UsedFrame() const { return m_usedFrame; }
    ConnectProtocolPage* Page() const;

    // QuickConnectDialogBase
    void AddProtocolItem(const VUnicodeString& displayName, int rowIndex) override;
    int ProtocolItemCount() const override;
    int ProtocolItemRow(int item) const override;
    void SelectProtocolItem(int item) override;
    void ShowBoxes(bool startup, bool save, bool tab) override;
    void ReadBoxes(bool& startup, bool& save, bool& tab) const override;
    void EnableDone(bool enable) override;
    void EnableConnectButton(bool enable) override;
    void RelabelTabBox(const VUnicodeString& text) override;
    void ApplyLayout(bool terminalLayout, bool enableTabBox) override;
    ConnectProtocolPageBase* CreateProtocolPage(const ConnectProtocolRow& row) override;
    void DestroyProtocolPage(ConnectProtocolPageBase* page) override;
    void EndDialog(int result) override;
    QWidget* GetDialog() override { return this; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LayOutTemplate();
    int DialogUnitsX(int units) const;
    int DialogUnitsY(int units) const;

    QLabel* m_protocolLabel;
    QComboBox* m_protocols;
    QFrame* m_frames[2];
    QFrame* m_usedFrame = nullptr;
    QCheckBox* m_startup;
    QCheckBox* m_save;
    QCheckBox* m_tab;
    QPushButton* m_done;
    QPushButton* m_connect;
    QPushButton* m_cancel;
    bool m_shownOnce = false;
    bool m_updatingList = false;
    // Rows of the two layouts: the boxes' row and the tab box's row.
    int m_boxesTop = 0;
    int m_tabTop = 0;
};
