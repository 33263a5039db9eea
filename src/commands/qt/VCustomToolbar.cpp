#include "commands/qt/VCustomToolbar.h"

#include <QAction>

#include "commands/qt/VDecodedMenuToolbarRep.h"
#include "platform/qt/QtStrings.h"

VCustomToolbar::VCustomToolbar(const VMenuToolbarItem& toolbar, const VDecodedMenuToolbarRep& file,
                               IMenuCommandSink* sink, QWidget* parent)
    : VHighDpiToolbar(parent), VCustomToolbarBase(toolbar, sink)
{
    setObjectName(ToQString(toolbar.text));
    setWindowTitle(ToQString(toolbar.text));
    const std::vector<Button>& buttons = GetButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        const Button& button = buttons[i];
        if (button.separator) {
            addSeparator();
            continue;
        }
        auto* action = new QAction(this);
        action->setToolTip(ToQString(button.tooltip));
        action->setText(ToQString(button.tooltip));
        action->setData(button.command);
        SetSourceImage(action, file.GetImage(button.image));
        connect(action, &QAction::triggered, this, [this, i] { RunButton(i); });
        addAction(action);
    }
}
