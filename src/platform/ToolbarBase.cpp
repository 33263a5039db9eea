#include "platform/ToolbarBase.h"

#include <algorithm>

#include "platform/GlobalConfig.h"

ToolbarBase::ToolbarBase(VUnicodeString name, std::vector<ButtonDef> buttons) : m_name(std::move(name))
{
    for (const ButtonDef& def : buttons)
        m_buttons.push_back({def});
    LoadHiddenButtons();
}

ToolbarBase::~ToolbarBase() = default;

void ToolbarBase::SplitCommandString(const VUnicodeString& text, VUnicodeString& tooltip, VUnicodeString& label)
{
    const size_t feed = text.str().find(u'\n');
    if (feed == std::u16string::npos) {
        tooltip = label = text;
        return;
    }
    tooltip = text.Left(feed);
    label = text.Mid(feed + 1);
}

VUnicodeString ToolbarBase::GetTooltip(unsigned command) const
{
    VUnicodeString tooltip;
    VUnicodeString label;
    SplitCommandString(LoadCommandString(command), tooltip, label);
    return tooltip;
}

VUnicodeString ToolbarBase::GetLabel(unsigned command) const
{
    VUnicodeString tooltip;
    VUnicodeString label;
    SplitCommandString(LoadCommandString(command), tooltip, label);
    return label;
}

ToolbarBase::Button* ToolbarBase::Find(unsigned command)
{
    for (Button& button : m_buttons)
        if (button.def.command == command && !button.removed)
            return &button;
    return nullptr;
}

const ToolbarBase::Button* ToolbarBase::Find(unsigned command) const
{
    return const_cast<ToolbarBase*>(this)->Find(command);
}

std::vector<unsigned> ToolbarBase::GetCommands() const
{
    std::vector<unsigned> commands;
    for (const Button& button : m_buttons)
        if (!button.removed)
            commands.push_back(button.def.command);
    return commands;
}

std::vector<unsigned> ToolbarBase::GetShownCommands() const
{
    std::vector<unsigned> commands;
    for (const Button& button : m_buttons)
        if (!button.removed && !button.hidden)
            commands.push_back(button.def.command);
    return commands;
}

bool ToolbarBase::HasButton(unsigned command) const
{
    return Find(command) != nullptr;
}

const ToolbarBase::ButtonDef* ToolbarBase::GetButtonDef(unsigned command) const
{
    const Button* button = Find(command);
    return button ? &button->def : nullptr;
}

void ToolbarBase::RemoveButton(unsigned command)
{
    if (Button* button = Find(command)) {
        button->removed = true;
        OnButtonsChanged();
    }
}

bool ToolbarBase::IsButtonHidden(unsigned command) const
{
    const Button* button = Find(command);
    return button && button->hidden;
}

void ToolbarBase::SetButtonHidden(unsigned command, bool hidden)
{
    Button* button = Find(command);
    if (!button || button->hidden == hidden)
        return;
    button->hidden = hidden;
    SaveHiddenButtons();
    OnButtonsChanged();
}

void ToolbarBase::ResetButtons()
{
    for (Button& button : m_buttons)
        button.hidden = false;
    SaveHiddenButtons();
    OnButtonsChanged();
}

void ToolbarBase::LoadHiddenButtons()
{
    GlobalConfig* config = nullptr;
    if (!GetGlobalConfig(&config) || !config)
        return;
    const auto it = config->hiddenToolbarButtons.find(m_name);
    for (Button& button : m_buttons)
        button.hidden = it != config->hiddenToolbarButtons.end() &&
                        std::find(it->second.begin(), it->second.end(), button.def.command) != it->second.end();
}

// Buttons removed by the owner's rules keep the choice made for them, so a
// toolbar shown in another mode finds it again.
void ToolbarBase::SaveHiddenButtons() const
{
    GlobalConfig* config = nullptr;
    if (!GetGlobalConfig(&config) || !config)
        return;
    std::vector<uint32_t>& hidden = config->hiddenToolbarButtons[m_name];
    for (const Button& button : m_buttons) {
        if (button.removed)
            continue;
        const auto at = std::find(hidden.begin(), hidden.end(), button.def.command);
        if (button.hidden && at == hidden.end())
            hidden.push_back(button.def.command);
        else if (!button.hidden && at != hidden.end())
            hidden.erase(at);
    }
    config->Save();
}

int ToolbarBase::ImageSetForScale(double scale)
{
    if (scale < 1.375)
        return kSmallImages;
    if (scale < 1.875)
        return kMediumImages;
    return kLargeImages;
}

bool ToolbarBase::UpdateImageSet(double scale)
{
    const int set = ImageSetForScale(scale);
    if (set == m_imageSet)
        return false;
    m_imageSet = set;
    OnImageSetChanged(set);
    return true;
}
