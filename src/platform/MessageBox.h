#pragma once

#include <string_view>

#include "core/Export.h"

class QWidget;

// Button sets, icons and results keep the numbers of the platform the
// dialogs were first written for, so stored and passed-on values agree.
enum MessageBoxStyle : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
};
inline constexpr unsigned kMbButtonMask = 0xF;
inline constexpr unsigned kMbIconMask = 0xF0;

enum MessageBoxResult : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// The message box a report or a refusal is shown in. The Qt layer installs
// a real one; the default writes to standard error and gives the safe
// answer (OK where that is the only button, else Cancel or No), so that
// nothing destructive happens in a process without a window.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual int Show(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style) = 0;
    // The same with a check box bound to a yes/no option ("do not ask
    // again"): `option` holds the box's state when it closes. Boxes that
    // cannot show one leave the option as it was.
    virtual int ShowWithOption(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                               std::u16string_view optionText, bool& option)
    {
        (void)optionText;
        (void)option;
        return Show(owner, text, caption, style);
    }
    // The same with the affirmative button (OK or Yes) labelled
    // `affirmativeText`; boxes that cannot relabel keep their own label.
    virtual int ShowOptional(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                             std::u16string_view optionText, bool& option, std::u16string_view affirmativeText)
    {
        (void)affirmativeText;
        return ShowWithOption(owner, text, caption, style, optionText, option);
    }
};

IMessageBox& GetMessageBox();
// Null restores the default. The caller keeps ownership.
void SetMessageBox(IMessageBox* box);

// The host's optional message box: `option` is the boolean setting that
// the check box shows and changes; the result is the button pressed. An
// empty `affirmativeText` keeps the button's own label.
int ShowOptionalMessageBox(QWidget* parent, std::u16string_view title, std::u16string_view text, bool& option,
                           unsigned style, std::u16string_view optionText = u"&Don't show this message again",
                           std::u16string_view affirmativeText = {});
