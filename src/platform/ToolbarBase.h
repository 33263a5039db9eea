#pragma once

#include <cstdint>
#include <vector>

#include "core/Export.h"
#include "core/VUnicodeString.h"

// The rules of a customisable toolbar, shared by the Connect dialog, the
// Session Manager and the Command Manager: which buttons it has, their
// labels and tooltips from the string table, which ones the user hid
// (remembered in the global configuration under the toolbar's name), and
// which image set the display's scale calls for. The control that shows it
// (ToolbarCtrl) supplies the translated strings and draws the buttons.
class ORV_EXPORT ToolbarBase {
public:
    struct ButtonDef {
        unsigned command;
        const char* image;           // the picture's name among the toolbar icons
        const char* theme = nullptr; // a desktop theme icon that may stand in for it
    };

    // Sizes of the three image sets.
    static constexpr int kSmallImages = 16;
    static constexpr int kMediumImages = 24;
    static constexpr int kLargeImages = 32;

    ToolbarBase(VUnicodeString name, std::vector<ButtonDef> buttons);
    virtual ~ToolbarBase();
    ToolbarBase(const ToolbarBase&) = delete;
    ToolbarBase& operator=(const ToolbarBase&) = delete;

    const VUnicodeString& GetToolbarName() const { return m_name; }

    // A command's string holds its tooltip, a line feed and its label; a
    // string without a line feed is both.
    static void SplitCommandString(const VUnicodeString& text, VUnicodeString& tooltip, VUnicodeString& label);
    VUnicodeString GetTooltip(unsigned command) const;
    VUnicodeString GetLabel(unsigned command) const;

    // The commands of the buttons not removed, in the toolbar's order.
    std::vector<unsigned> GetCommands() const;
    // The commands of the buttons shown: not removed and not hidden.
    std::vector<unsigned> GetShownCommands() const;
    bool HasButton(unsigned command) const;
    const ButtonDef* GetButtonDef(unsigned command) const;
    // Takes a button away for good (the owner's rules, by host kind or
    // mode); the customisation menu does not offer it again.
    void RemoveButton(unsigned command);
    // The user's choice, remembered under the toolbar's name.
    bool IsButtonHidden(unsigned command) const;
    void SetButtonHidden(unsigned command, bool hidden);
    // Shows every button again and forgets the choice.
    void ResetButtons();

    // 16 for scales up to 1.375, 24 up to 1.875, 32 above.
    static int ImageSetForScale(double scale);
    int GetImageSet() const { return m_imageSet; }
    // Picks the image set for `scale`; true (and OnImageSetChanged) when
    // it differs from the one in use.
    bool UpdateImageSet(double scale);

protected:
    // The string-table text of a command, translated; empty when none.
    virtual VUnicodeString LoadCommandString(unsigned command) const = 0;
    // The set of shown buttons changed.
    virtual void OnButtonsChanged() {}
    virtual void OnImageSetChanged(int size) { (void)size; }
    // Reads the user's choice again (after the toolbar was built).
    void LoadHiddenButtons();

private:
    struct Button {
        ButtonDef def;
        bool removed = false;
        bool hidden = false;
    };
    Button* Find(unsigned command);
    const Button* Find(unsigned command) const;
    void SaveHiddenButtons() const;

    VUnicodeString m_name;
    std::vector<Button> m_buttons;
    int m_imageSet = 0;
};
