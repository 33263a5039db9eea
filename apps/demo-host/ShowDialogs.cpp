#include "ShowDialogs.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeView>

namespace {

// The sample database's session at the top level, with a host name.
const QString kSampleSession = QStringLiteral("jump host");

struct Shown {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};
constexpr Shown kShown[] = {
    {"shortcut", Qt::Key_E, Qt::ControlModifier | Qt::AltModifier},
    {"duplicate", Qt::Key_D, Qt::ControlModifier},
};

const Shown* Find(const QString& name)
{
    for (const Shown& shown : kShown)
        if (name == QLatin1String(shown.name))
            return &shown;
    return nullptr;
}

void SelectAndPress(const Shown& shown, int triesLeft)
{
    QWidget* modal = QApplication::activeModalWidget();
    QTreeView* tree = modal ? modal->findChild<QTreeView*>() : nullptr;
    QAbstractItemModel* model = tree ? tree->model() : nullptr;
    if (!model || model->rowCount() == 0) {
        if (triesLeft > 0)
            QTimer::singleShot(50, [&shown, triesLeft] { SelectAndPress(shown, triesLeft - 1); });
        return;
    }
    const QModelIndex root = model->index(0, 0);
    const QModelIndexList found =
        model->match(model->index(0, 0, root), Qt::DisplayRole, kSampleSession, 1, Qt::MatchExactly);
    if (!found.isEmpty())
        tree->setCurrentIndex(found.front());
    tree->setFocus();
    QCoreApplication::postEvent(tree, new QKeyEvent(QEvent::KeyPress, shown.key, shown.modifiers));
    QCoreApplication::postEvent(tree, new QKeyEvent(QEvent::KeyRelease, shown.key, shown.modifiers));
}

} // namespace

bool IsKnownShowName(const QString& name)
{
    return Find(name) != nullptr;
}

void ScheduleShow(const QString& name)
{
    if (const Shown* shown = Find(name))
        QTimer::singleShot(100, [shown] { SelectAndPress(*shown, 40); });
}
