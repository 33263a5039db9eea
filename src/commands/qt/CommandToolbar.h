#pragma once

#include "platform/qt/ToolbarCtrl.h"

// The Command Manager's toolbar: one button a command of the pane, its
// labels and tooltips from the string table, and the customisation menu
// of every library toolbar, the choice kept under "Command Manager".
class CommandToolbar final : public ToolbarCtrl {
    Q_OBJECT
public:
    explicit CommandToolbar(QWidget* parent = nullptr);
};
