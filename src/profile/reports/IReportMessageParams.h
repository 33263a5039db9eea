#pragma once

#include <cstdint>
#include <string>

#include "core/VStringArray.h"
#include "core/VUnknown.h"

class IMessageTable;
class QWidget;

// A report of an error or a notice: a message id plus its inserts. Every
// operation that can fail takes one to fill.
class IReportMessageParams : public IVUnknown {
public:
    // Sets the id and clears the inserts and any formatted text.
    virtual void SetMessageId(uint32_t id) = 0;
    // Sets the id alone: the inserts stay.
    virtual void SetMessageIdOnly(uint32_t id) = 0;
    virtual uint32_t GetMessageId() const = 0;

    virtual void AddParameter(const VUnicodeString& text) = 0;
    virtual void AddParameter(const char16_t* text) = 0;
    virtual const VStringArray& GetParameters() const = 0;

    // The nested report is the one this one wraps; a reference is held.
    virtual IReportMessageParams* GetNested() const = 0;
    virtual void SetNested(IReportMessageParams* nested) = 0;

    // Formatted once, then cached. Never fails: a fallback text stands in.
    virtual const VUnicodeString& GetText() = 0;
    virtual const VUnicodeString& GetText(uint16_t language) = 0;
    // This report's text through the wrapping message `wrapperId`, whose
    // inserts are the text, the source file and the line.
    virtual VUnicodeString GetTextWithSource(uint32_t wrapperId) = 0;

    virtual const IMessageTable* GetModule() const = 0;
    virtual void SetModule(const IMessageTable* module) = 0;

    virtual int32_t GetExtra() const = 0;
    virtual void SetExtra(int32_t extra) = 0;
    virtual void SetSource(const char* file, uint32_t line) = 0;

    // The window a self-displayed report is owned by (may be null).
    virtual void SetOwner(QWidget* owner) = 0;
    // Shows the report (and the reports it wraps) in a message box.
    virtual void Display() = 0;

    bool IsEmpty() const { return GetMessageId() == 0; }
};
