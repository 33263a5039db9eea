#pragma once

#include <string>

#include "core/Export.h"
#include "core/VUnknown.h"
#include "profile/reports/IReportMessageParams.h"

// Shows where a report was raised when it is recorded.
#define ORV_REPORT_SOURCE(report) (report)->SetSource(__FILE__, __LINE__)

class ORV_EXPORT VReportMessageParams final : public VUnknown<IReportMessageParams> {
public:
    // A new report with one reference, looked up first in `module` (by
    // default the library's own table).
    static VReportMessageParams* Create(uint32_t id = 0, const IMessageTable* module = nullptr);

    void SetMessageId(uint32_t id) override;
    void SetMessageIdOnly(uint32_t id) override;
    uint32_t GetMessageId() const override { return m_id; }
    void AddParameter(const VUnicodeString& text) override;
    void AddParameter(const char16_t* text) override;
    const VStringArray& GetParameters() const override { return m_parameters; }
    IReportMessageParams* GetNested() const override { return m_nested.Get(); }
    void SetNested(IReportMessageParams* nested) override;
    const VUnicodeString& GetText() override { return GetText(0); }
    const VUnicodeString& GetText(uint16_t language) override;
    VUnicodeString GetTextWithSource(uint32_t wrapperId) override;
    const IMessageTable* GetModule() const override { return m_module; }
    void SetModule(const IMessageTable* module) override;
    int32_t GetExtra() const override { return m_extra; }
    void SetExtra(int32_t extra) override { m_extra = extra; }
    void SetSource(const char* file, uint32_t line) override;
    void SetOwner(QWidget* owner) override { m_owner = owner; }
    void Display() override;

    // The text of this report followed by those it wraps, one per line.
    VUnicodeString GetFullText();

private:
    VReportMessageParams(uint32_t id, const IMessageTable* module);
    ~VReportMessageParams() override = default;
    void Invalidate() { m_formatted = false; }

    int32_t m_extra = -1;
    VStringArray m_parameters;
    uint32_t m_id = 0;
    const IMessageTable* m_module;
    VUnicodeString m_text;
    bool m_formatted = false;
    VUnknownPointer<IReportMessageParams> m_nested;
    std::string m_sourceFile;
    uint32_t m_sourceLine = 0;
    QWidget* m_owner = nullptr;
};

using VReportPtr = VUnknownPointer<IReportMessageParams>;

// A report ready to fill, held by a smart pointer.
inline VReportPtr NewReport(uint32_t id = 0)
{
    return VReportPtr(VReportMessageParams::Create(id));
}

// Fills `report` (if any) with `id` and inserts; returns false so that a
// failing operation can end with `return Report(report, id, ...)`.
template <class... Inserts>
bool Report(IReportMessageParams* report, uint32_t id, const Inserts&... inserts)
{
    if (report) {
        report->SetMessageId(id);
        (report->AddParameter(VUnicodeString(inserts)), ...);
    }
    return false;
}
