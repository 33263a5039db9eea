#pragma once

#include "commands/VCustomToolbarBase.h"
#include "commands/qt/VHighDpiToolbar.h"

class VDecodedMenuToolbarRep;

// A toolbar of a menu file: its buttons with their decoded images,
// tooltips and shortcut texts; a press hands the command to the sink.
class VCustomToolbar final : public VHighDpiToolbar, public VCustomToolbarBase {
    Q_OBJECT
public:
    VCustomToolbar(const VMenuToolbarItem& toolbar, const VDecodedMenuToolbarRep& file, IMenuCommandSink* sink,
                   QWidget* parent = nullptr);
};
