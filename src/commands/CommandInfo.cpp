#include "commands/CommandInfo.h"

CommandInfo::CommandInfo(const VUnicodeString& folder, const ProfileUserButtonMap::Item& item, uint32_t position)
    : m_folder(folder), m_item(item), m_position(position)
{
}
