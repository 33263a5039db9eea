#include "commands/qt/VCustomMenuToolbar.h"

#include <set>

#include <QMainWindow>
#include <QMenu>
#include <QShortcut>

#include "commands/qt/KeyEventCode.h"
#include "commands/qt/VCustomToolbar.h"
#include "commands/qt/VMenuToolbar.h"
#include "platform/qt/QtStrings.h"

VCustomMenuToolbar::VCustomMenuToolbar(QMainWindow& frame, IMenuCommandSink* sink)
    : QObject(&frame), m_frame(frame), m_sink(sink), m_file(std::make_unique<VDecodedMenuToolbarRep>())
{
    setObjectName(QStringLiteral("customMenuToolbar"));
}

VCustomMenuToolbar::~VCustomMenuToolbar() = default;

std::vector<VCustomToolbar*> VCustomMenuToolbar::Toolbars() const
{
    std::vector<VCustomToolbar*> toolbars;
    for (const QPointer<VCustomToolbar>& toolbar : m_toolbars)
        if (toolbar)
            toolbars.push_back(toolbar);
    return toolbars;
}

bool VCustomMenuToolbar::Load(const VUnicodeString& path, IReportMessageParams* report)
{
    auto file = std::make_unique<VDecodedMenuToolbarRep>();
    if (!file->Load(path, report))
        return false;
    m_file = std::move(file);
    Clear();
    Build();
    return true;
}

void VCustomMenuToolbar::Clear()
{
    for (QShortcut* shortcut : m_shortcuts)
        delete shortcut;
    m_shortcuts.clear();
    for (const QPointer<VCustomToolbar>& toolbar : m_toolbars)
        if (toolbar) {
            m_frame.removeToolBar(toolbar);
            delete toolbar.data();
        }
    m_toolbars.clear();
}

void VCustomMenuToolbar::Build()
{
    const QString face = ToQString(m_file->GetFont());
    QFont font = m_frame.font();
    if (!face.isEmpty())
        font.setFamily(face);

    QMenuBar* bar = nullptr;
    for (const VMenuToolbarItem& block : m_file->GetItems()) {
        if (block.kind == VMenuToolbarItem::Kind::Menu && !bar) {
            bar = new VMenuToolbar(block, m_sink, &m_frame);
        } else if (block.kind == VMenuToolbarItem::Kind::Toolbar) {
            auto* toolbar = new VCustomToolbar(block, *m_file, m_sink, &m_frame);
            toolbar->setFont(font);
            m_frame.addToolBar(toolbar);
            m_toolbars.emplace_back(toolbar);
        }
    }
    if (!bar)
        bar = new QMenuBar(&m_frame);
    for (const VMenuToolbarItem& block : m_file->GetItems())
        if (block.kind == VMenuToolbarItem::Kind::Popup)
            VMenuToolbar::FillMenu(*bar->addMenu(ToQString(block.text)), block.children, m_sink);
    bar->setFont(font);
    m_frame.setMenuBar(bar); // the frame drops the bar it had
    m_menuBar = bar;

    std::set<QKeySequence> bound;
    for (const VMenuToolbarRep::Accelerator& accelerator : m_file->GetAccelerators()) {
        const QKeySequence keys = AcceleratorKeySequence(accelerator.flags, accelerator.key);
        if (keys.isEmpty() || !bound.insert(keys).second)
            continue;
        auto* shortcut = new QShortcut(keys, &m_frame);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = accelerator.command;
        const VUnicodeString argument = accelerator.argument;
        connect(shortcut, &QShortcut::activated, this, [this, command, argument] {
            if (m_sink)
                m_sink->RunMenuCommand(command, argument);
        });
        m_shortcuts.push_back(shortcut);
    }
}
