#include "commands/qt/VMenuToolbar.h"

#include <QMenu>

#include "platform/qt/QtStrings.h"

VMenuToolbar::VMenuToolbar(const VMenuToolbarItem& menu, IMenuCommandSink* sink, QWidget* parent)
    : QMenuBar(parent)
{
    setObjectName(ToQString(menu.text));
    for (const VMenuToolbarItem& item : menu.children) {
        if (item.kind == VMenuToolbarItem::Kind::Popup) {
            QMenu* popup = addMenu(ToQString(item.text));
            FillMenu(*popup, item.children, sink);
        } else if (item.kind == VMenuToolbarItem::Kind::Separator) {
            addSeparator();
        } else if (item.kind == VMenuToolbarItem::Kind::Command) {
            // An item straight on the bar runs when it is clicked.
            QAction* action = addAction(ToQString(item.text));
            const int command = item.command;
            const VUnicodeString argument = item.argument;
            connect(action, &QAction::triggered, this, [sink, command, argument] {
                if (sink)
                    sink->RunMenuCommand(command, argument);
            });
        }
    }
}

void VMenuToolbar::FillMenu(QMenu& menu, const std::vector<VMenuToolbarItem>& items, IMenuCommandSink* sink)
{
    for (const VMenuToolbarItem& item : items) {
        switch (item.kind) {
        case VMenuToolbarItem::Kind::Separator: menu.addSeparator(); break;
        case VMenuToolbarItem::Kind::Popup:
        case VMenuToolbarItem::Kind::Menu:
        case VMenuToolbarItem::Kind::Toolbar: {
            QMenu* sub = menu.addMenu(ToQString(item.text));
            FillMenu(*sub, item.children, sink);
            break;
        }
        case VMenuToolbarItem::Kind::Command: {
            QString text = ToQString(item.text);
            // The text after a tab is the shortcut column.
            if (item.accelerator && !text.contains(QLatin1Char('\t')))
                text += QLatin1Char('\t') + ToQString(item.accelerator->displayText);
            QAction* action = menu.addAction(text);
            if (item.stringText) {
                action->setStatusTip(ToQString(*item.stringText));
                action->setToolTip(ToQString(*item.stringText));
            }
            action->setData(item.command);
            const int command = item.command;
            const VUnicodeString argument = item.argument;
            QObject::connect(action, &QAction::triggered, &menu, [sink, command, argument] {
                if (sink)
                    sink->RunMenuCommand(command, argument);
            });
            break;
        }
        }
    }
}
