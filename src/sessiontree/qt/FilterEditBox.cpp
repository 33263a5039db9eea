#include "sessiontree/qt/FilterEditBox.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>

#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"
#include "sessiontree/FilterTreeBase.h"
#include "sessiontree/qt/SessionIcons.h"

namespace {

constexpr uint32_t kMsgFilterCue = 0x61090007;

FilterBoxKey KeyOf(const QKeyEvent& event)
{
    if (event.modifiers() & ~Qt::KeypadModifier)
        return FilterBoxKey::Other;
    switch (event.key()) {
    case Qt::Key_Up: return FilterBoxKey::Up;
    case Qt::Key_Down: return FilterBoxKey::Down;
    case Qt::Key_Return:
    case Qt::Key_Enter: return FilterBoxKey::Enter;
    case Qt::Key_Escape: return FilterBoxKey::Escape;
    default: return FilterBoxKey::Other;
    }
}

} // namespace

FilterEditBox::FilterEditBox(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("filterBox"));
    setClearButtonEnabled(false);
}

void FilterEditBox::SetTree(FilterTreeBase* filter, QWidget* window)
{
    const bool first = !m_filter;
    m_filter = filter;
    m_window = window;
    if (first)
        connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
            if (m_filter)
                m_filter->FilterTextChanged(ToVString(text));
        });
}

void FilterEditBox::ShowCue()
{
    VReportPtr cue = NewReport(kMsgFilterCue);
    cue->AddParameter(VUnicodeString(u"Alt+I"));
    ShowCue(ToQString(cue->GetText()));
}

void FilterEditBox::ShowCue(const QString& cue)
{
    setPlaceholderText(cue);
    if (actions().isEmpty())
        addAction(SessionIcons::FilterIcon(), QLineEdit::LeadingPosition);
}

bool FilterEditBox::IsEditingKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (modifiers == Qt::NoModifier)
        return event.key() != Qt::Key_F2 && event.key() != Qt::Key_F3 && event.key() != Qt::Key_Tab &&
               event.key() != Qt::Key_Backtab;
    // The edit line's own shortcuts: copy, cut, paste, select all, undo.
    if (modifiers == Qt::ControlModifier)
        return event.key() == Qt::Key_C || event.key() == Qt::Key_X || event.key() == Qt::Key_V ||
               event.key() == Qt::Key_A || event.key() == Qt::Key_Z || event.key() == Qt::Key_Y ||
               event.key() == Qt::Key_Left || event.key() == Qt::Key_Right || event.key() == Qt::Key_Backspace ||
               event.key() == Qt::Key_Delete;
    return false;
}

bool FilterEditBox::RoutePaneKey(QObject* watched, QEvent* event, QWidget* tree,
                                 std::span<const AcceleratorEntry> table, const std::function<void(unsigned)>& run)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !(key->modifiers() & Qt::ControlModifier)) {
        if (watched == tree) {
            setFocus(Qt::TabFocusReason);
            return true;
        }
        if (watched == this) {
            tree->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    if (watched == this && !IsEditingKey(*key))
        if (const unsigned command = CommandForKey(table, *key)) {
            run(command);
            return true;
        }
    return false;
}

bool FilterEditBox::PassToTree(QKeyEvent* event)
{
    const FilterBoxKeyAction action = FilterBoxKeyActionFor(KeyOf(*event), text().isEmpty());
    switch (action) {
    case FilterBoxKeyAction::PassToTree:
        if (!m_window)
            return false;
        {
            QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat());
            QApplication::sendEvent(m_window, &copy);
        }
        return true;
    case FilterBoxKeyAction::ClearText:
        if (event->type() == QEvent::KeyPress)
            clear();
        return true;
    case FilterBoxKeyAction::FocusTree:
        if (event->type() == QEvent::KeyPress && m_window)
            m_window->setFocus(Qt::OtherFocusReason);
        return true;
    case FilterBoxKeyAction::Edit:
    default:
        return false;
    }
}

void FilterEditBox::keyPressEvent(QKeyEvent* event)
{
    if (PassToTree(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FilterEditBox::keyReleaseEvent(QKeyEvent* event)
{
    if (PassToTree(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyReleaseEvent(event);
}
