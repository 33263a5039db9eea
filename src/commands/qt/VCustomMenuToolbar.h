#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QMenuBar>
#include <QPointer>

#include "commands/IMenuCommandSink.h"
#include "commands/qt/VCustomToolbar.h"
#include "commands/qt/VDecodedMenuToolbarRep.h"

class IReportMessageParams;
class QMainWindow;
class QMenuBar;
class QShortcut;
class VCustomToolbar;

// A host window's menus, toolbars and shortcuts from a menu file. The
// first MENU block becomes the frame's menu bar, a POPUPMENU block at the
// top level a menu at its end; each TOOLBAR block becomes a toolbar; every
// accelerator of the file becomes one shortcut of the frame (the first
// item that binds a key keeps it). The FONT line sets the font of all of
// them. Loading another file replaces what the last one built; a file
// that cannot be used leaves the frame as it was.
class VCustomMenuToolbar final : public QObject {
    Q_OBJECT
public:
    // Lives as long as `frame`, which owns it.
    VCustomMenuToolbar(QMainWindow& frame, IMenuCommandSink* sink);
    ~VCustomMenuToolbar() override;

    // Reads the file and builds from it; false (with 0xE10A0002 in
    // `report`) when it cannot be used. Warnings, with each image that
    // cannot be decoded, go into `report` as the reader gives them.
    bool Load(const VUnicodeString& path, IReportMessageParams* report);

    const VDecodedMenuToolbarRep& File() const { return *m_file; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    std::vector<VCustomToolbar*> Toolbars() const;
    const std::vector<QShortcut*>& Shortcuts() const { return m_shortcuts; }

private:
    void Clear();
    void Build();

    QMainWindow& m_frame;
    IMenuCommandSink* m_sink;
    std::unique_ptr<VDecodedMenuToolbarRep> m_file;
    QPointer<QMenuBar> m_menuBar;
    std::vector<QPointer<VCustomToolbar>> m_toolbars;
    std::vector<QShortcut*> m_shortcuts;
};
