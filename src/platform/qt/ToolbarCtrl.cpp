#include "platform/qt/ToolbarCtrl.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "StringTable.h"
#include "TranslationData.h"
#include "platform/SynchLock.h"
#include "platform/qt/QtStrings.h"
#include "platform/qt/ResourceIcons.h"

namespace {

constexpr char kCommandProperty[] = "orvCommand";

} // namespace

bool ScreenHasFewColours(const QWidget* widget)
{
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return screen && screen->depth() < 16;
}

bool ScreenWantsLargeImages(const QWidget* widget)
{
    return ToolbarBase::ImageSetForScale(ToolbarCtrl::ScaleOf(widget)) > ToolbarBase::kSmallImages;
}

ToolbarCtrl::ToolbarCtrl(const QString& name, std::vector<ButtonDef> buttons, QWidget* parent)
    : QToolBar(parent), ToolbarBase(ToVString(name), std::move(buttons))
{
    InitIconResources();
    setObjectName(name);
    setIconSize(QSize(16, 16));
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    for (unsigned command : GetCommands()) {
        auto* action = new QAction(this);
        action->setProperty(kCommandProperty, command);
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { emit commandTriggered(command); });
        addAction(action);
    }
    Retranslate();
    UpdateImageSet(ScaleOf(parent));
    OnButtonsChanged();
}

ToolbarCtrl::~ToolbarCtrl() = default;

double ToolbarCtrl::ScaleOf(const QWidget* widget)
{
    if (widget)
        if (const QWidget* window = widget->window(); window && window->windowHandle())
            return window->windowHandle()->devicePixelRatio();
    if (const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen())
        return screen->devicePixelRatio();
    return 1.0;
}

QIcon ToolbarCtrl::LoadIcon(const QString& folder, const char* image, int size, const char* theme)
{
    if (theme && QIcon::hasThemeIcon(QLatin1String(theme)))
        return QIcon::fromTheme(QLatin1String(theme));
    const QString base = folder + QLatin1Char('/') + QLatin1String(image);
    QIcon icon;
    icon.addPixmap(ResourceIcons::Render(base, size), QIcon::Normal);
    if (ResourceIcons::Exists(base + QStringLiteral("-hot")))
        icon.addPixmap(ResourceIcons::Render(base + QStringLiteral("-hot"), size), QIcon::Active);
    if (ResourceIcons::Exists(base + QStringLiteral("-disabled")))
        icon.addPixmap(ResourceIcons::Render(base + QStringLiteral("-disabled"), size), QIcon::Disabled);
    return icon;
}

QAction* ToolbarCtrl::Button(unsigned command) const
{
    if (!HasButton(command))
        return nullptr;
    for (QAction* action : actions())
        if (action->property(kCommandProperty).toUInt() == command)
            return action;
    return nullptr;
}

void ToolbarCtrl::EnableButton(unsigned command, bool enable)
{
    if (QAction* action = Button(command))
        action->setEnabled(enable);
}

int ToolbarCtrl::ButtonsWidth() const
{
    int width = 2 * contentsMargins().left();
    for (QAction* action : actions())
        if (action->isVisible())
            if (QWidget* button = widgetForAction(action))
                width += button->sizeHint().width() + layout()->spacing();
    return width;
}

VUnicodeString ToolbarCtrl::LoadCommandString(unsigned command) const
{
    const char* source = CommandStringSource(command);
    return source ? ToVString(QCoreApplication::translate(kStringTableContext, source)) : VUnicodeString();
}

void ToolbarCtrl::Retranslate()
{
    for (QAction* action : actions()) {
        const unsigned command = action->property(kCommandProperty).toUInt();
        action->setText(ToQString(GetLabel(command)));
        action->setToolTip(ToQString(GetTooltip(command)));
    }
}

void ToolbarCtrl::OnButtonsChanged()
{
    for (QAction* action : actions()) {
        const unsigned command = action->property(kCommandProperty).toUInt();
        if (!HasButton(command)) {
            removeAction(action);
            action->deleteLater();
            continue;
        }
        action->setVisible(!IsButtonHidden(command));
    }
}

void ToolbarCtrl::OnImageSetChanged(int size)
{
    for (QAction* action : actions()) {
        const unsigned command = action->property(kCommandProperty).toUInt();
        if (const ButtonDef* def = GetButtonDef(command))
            action->setIcon(LoadIcon(QStringLiteral("toolbar"), def->image, size, def->theme));
    }
}

QMenu* ToolbarCtrl::CreateCustomizeMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("toolbarCustomizeMenu"));
    for (unsigned command : GetCommands()) {
        QAction* item = menu->addAction(ToQString(GetLabel(command)));
        item->setCheckable(true);
        item->setChecked(!IsButtonHidden(command));
        connect(item, &QAction::toggled, this, [this, command](bool shown) { SetButtonHidden(command, !shown); });
    }
    menu->addSeparator();
    menu->addAction(tr("&Reset Toolbar"), this, [this] { ResetButtons(); });
    return menu;
}

bool ToolbarCtrl::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ScreenChangeInternal:
    case QEvent::Show: UpdateImageSet(ScaleOf(this)); break;
    case QEvent::LanguageChange: Retranslate(); break;
    default: break;
    }
    return QToolBar::event(event);
}

void ToolbarCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateCustomizeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

// The host's own toolbar work shares the lock with these.
void ToolbarCtrl::paintEvent(QPaintEvent* event)
{
    SynchLock lock;
    QToolBar::paintEvent(event);
}

void ToolbarCtrl::resizeEvent(QResizeEvent* event)
{
    SynchLock lock;
    QToolBar::resizeEvent(event);
}
