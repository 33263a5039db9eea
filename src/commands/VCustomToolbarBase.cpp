#include "commands/VCustomToolbarBase.h"

VCustomToolbarBase::VCustomToolbarBase(const VMenuToolbarItem& toolbar, IMenuCommandSink* sink)
    : m_name(toolbar.text), m_sink(sink)
{
    for (const VMenuToolbarItem& item : toolbar.children) {
        Button button;
        if (item.kind == VMenuToolbarItem::Kind::Separator) {
            button.separator = true;
        } else if (item.kind == VMenuToolbarItem::Kind::Command) {
            button.image = item.image;
            button.command = item.command;
            button.argument = item.argument;
            button.tooltip = item.stringText.value_or(item.text);
            if (item.accelerator) {
                button.shortcut = item.accelerator->displayText;
                button.tooltip += u" (" + button.shortcut.str() + u")";
            }
        } else {
            continue; // a sub-menu has no place on a toolbar
        }
        m_buttons.push_back(std::move(button));
    }
}

void VCustomToolbarBase::RunButton(size_t index) const
{
    if (index >= m_buttons.size() || m_buttons[index].separator || !m_sink)
        return;
    m_sink->RunMenuCommand(m_buttons[index].command, m_buttons[index].argument);
}
