#include "platform/qt/QtPlatformServices.h"
#include "platform/qt/LibraryTranslations.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>

#include "platform/qt/QtStrings.h"

namespace {

QString MimeTypeOf(uint32_t format)
{
    return ToQString(GetClipboardFormatName(format));
}

bool IsPlainText(const QString& mime)
{
    return mime.startsWith(QLatin1String("text/plain"));
}

} // namespace

bool QtClipboard::IsFormatAvailable(uint32_t format)
{
    const QString mime = MimeTypeOf(format);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return !mime.isEmpty() && data && data->hasFormat(mime);
}

bool QtClipboard::GetData(uint32_t format, std::vector<uint8_t>& bytes)
{
    const QString mime = MimeTypeOf(format);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (mime.isEmpty() || !data || !data->hasFormat(mime))
        return false;
    const QByteArray held = data->data(mime);
    bytes.assign(held.begin(), held.end());
    return true;
}

bool QtClipboard::SetData(std::span<const FormatData> formats)
{
    auto* data = new QMimeData;
    for (const FormatData& format : formats) {
        const QString mime = MimeTypeOf(format.format);
        if (mime.isEmpty()) {
            delete data;
            return false;
        }
        const QByteArray bytes(reinterpret_cast<const char*>(format.bytes.data()),
                               static_cast<qsizetype>(format.bytes.size()));
        if (IsPlainText(mime))
            data->setText(QString::fromUtf8(bytes)); // what other programs paste
        data->setData(mime, bytes);
    }
    QGuiApplication::clipboard()->setMimeData(data); // takes ownership
    return true;
}

int QtMessageBox::Show(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style)
{
    return Run(owner, text, caption, style, {}, nullptr);
}

int QtMessageBox::ShowWithOption(QWidget* owner, std::u16string_view text, std::u16string_view caption,
                                 unsigned style, std::u16string_view optionText, bool& option)
{
    return Run(owner, text, caption, style, optionText, &option);
}

int QtMessageBox::ShowOptional(QWidget* owner, std::u16string_view text, std::u16string_view caption,
                               unsigned style, std::u16string_view optionText, bool& option,
                               std::u16string_view affirmativeText)
{
    return Run(owner, text, caption, style, optionText, &option, affirmativeText);
}

int QtMessageBox::Run(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                      std::u16string_view optionText, bool* option, std::u16string_view affirmativeText)
{
    QMessageBox box(owner);
    box.setWindowTitle(ToQString(caption));
    // The message texts keep the platform's line breaks.
    box.setText(ToQString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    switch (style & kMbIconMask) {
    case kMbIconError: box.setIcon(QMessageBox::Critical); break;
    case kMbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case kMbIconExclamation: box.setIcon(QMessageBox::Warning); break;
    case kMbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & kMbButtonMask) {
    case kMbOkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case kMbYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case kMbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    if (!affirmativeText.empty())
        for (QAbstractButton* button : box.buttons())
            if (box.buttonRole(button) == QMessageBox::AcceptRole || box.buttonRole(button) == QMessageBox::YesRole)
                button->setText(ToQString(affirmativeText));
    QCheckBox* check = nullptr;
    if (option) {
        check = new QCheckBox(ToQString(optionText), &box);
        check->setChecked(*option);
        box.setCheckBox(check);
    }
    const int pressed = box.exec();
    if (check)
        *option = check->isChecked();
    switch (pressed) {
    case QMessageBox::Ok: return kIdOk;
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    default: return (style & kMbButtonMask) == kMbOk ? kIdOk : kIdCancel;
    }
}

void QtWaitCursor::Begin()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtWaitCursor::End()
{
    QGuiApplication::restoreOverrideCursor();
}

unsigned QtKeyState::HeldModifiers() const
{
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    unsigned result = 0;
    if (held & Qt::ShiftModifier)
        result |= kKeyShift;
    if (held & Qt::ControlModifier)
        result |= kKeyControl;
    if (held & Qt::AltModifier)
        result |= kKeyAlt;
    return result;
}

uint64_t QtTimers::Start(uint32_t milliseconds, bool repeat, Callback callback)
{
    const uint64_t id = ++m_next;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setSingleShot(!repeat);
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, repeat, timer, run = std::move(callback)] {
        if (!repeat) {
            m_timers.erase(id);
            timer->deleteLater();
        }
        m_firing.push_back(id);
        run();
        m_firing.pop_back();
    });
    m_timers[id] = timer;
    timer->start(static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX)));
    return id;
}

void QtTimers::Stop(uint64_t id)
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    QPointer<QTimer> timer = found->second;
    m_timers.erase(found);
    if (!timer)
        return;
    timer->stop();
    // Gone at once unless its own callback runs: a timer left for later
    // would be destroyed after the library that made it was unloaded.
    if (std::find(m_firing.begin(), m_firing.end(), id) != m_firing.end())
        timer->deleteLater();
    else
        delete timer.data();
}

void InstallQtPlatformServices()
{
    static QtClipboard clipboard;
    static QtMessageBox box;
    static QtWaitCursor cursor;
    static QtKeyState keys;
    static QtTimers timers;
    static const bool installed = [] {
        SetClipboard(&clipboard);
        SetMessageBox(&box);
        SetWaitCursor(&cursor);
        SetKeyState(&keys);
        SetTimers(&timers);
        InstallLibraryTranslation();
        return true;
    }();
    (void)installed;
}

bool InstallQtPlatformServicesIfGui()
{
    // A QCoreApplication has no windows to show a box in.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    InstallQtPlatformServices();
    return true;
}
