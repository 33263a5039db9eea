#pragma once

#include "platform/qt/ToolbarCtrl.h"

// The Session Manager's toolbar, also shown in the Connect dialog. The
// owner names it, so that each keeps the user's choice of buttons.
class ConnectToolbar final : public ToolbarCtrl {
    Q_OBJECT
public:
    explicit ConnectToolbar(const QString& name, QWidget* parent = nullptr);
};
