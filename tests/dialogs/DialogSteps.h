// What the dialog tests share: steps run on a modal dialog once it is up,
// a combo box's texts, and a host frame that is the connect sink.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>

#include <string>
#include <vector>

#include "dialogs/IConnectDialogSink.h"
#include "entry/ConnectDialog.h"

// Runs `step` on the next modal dialog of type D once it is up.
template <class D, class S>
void WhenShown(S step)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog) {
            WhenShown<D>(step); // not up yet
            return;
        }
        step(*dialog);
    });
}

inline QStringList Items(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

// A host frame: a main window that is the connect sink and records what it
// was asked.
class SinkFrame final : public QMainWindow, public IConnectDialogSink {
public:
    SinkFrame()
    {
        setCentralWidget(new QTextEdit(this));
        resize(900, 700);
    }
    ISessionManager* GetSessionManager() const override { return pane; }
    void SetSessionManager(ISessionManager* p) override
    {
        pane = p;
        ++panesMade;
    }
    bool OpensSessionsInTabs() const override { return true; }
    void ConnectSessions(const VStringArray& paths, const std::vector<VUnknownPointer<ISessionConfig>>& sessions,
                         bool own, bool other, int opening) override
    {
        for (const VUnicodeString& path : paths)
            connected.push_back(path.ToUtf8());
        configs = sessions.size();
        ownFlag = own;
        otherFlag = other;
        lastOpening = opening;
    }
    void OnSessionManagerClosed() override { ++closes; }
    void OnQuickConnect() override { ++quickConnects; }

    ISessionManager* pane = nullptr;
    int panesMade = 0;
    std::vector<std::string> connected;
    size_t configs = 0;
    bool ownFlag = false;
    bool otherFlag = false;
    int lastOpening = -1;
    int closes = 0;
    int quickConnects = 0;
};
