#include "entry/EntryPointLoader.h"

#include <cstring>

#include "core/VUnicodeString.h"
#include "profile/reports/IReportMessageParams.h"

namespace {

void* ReadSlot(const EntryPointRow& row)
{
    void* value = nullptr;
    std::memcpy(&value, row.slot, sizeof value);
    return value;
}

void WriteSlot(const EntryPointRow& row, void* value)
{
    std::memcpy(row.slot, &value, sizeof value);
}

} // namespace

bool LoadModuleEntryPoints(std::u16string_view path, const EntryPointRow* rows, EntryPointOutcome& outcome)
{
    outcome = {};
    SetPlatformLastError(0);
    outcome.module = LoadModule(path);
    if (!outcome.module) {
        outcome.error = GetPlatformLastError();
        for (const EntryPointRow* row = rows; row->slot; ++row)
            if (!row->optional)
                return false;
        return true;
    }
    for (const EntryPointRow* row = rows; row->slot; ++row) {
        if (row->keepIfSet && ReadSlot(*row))
            continue;
        if (void* entry = GetModuleEntry(outcome.module, row->name)) {
            WriteSlot(*row, entry);
        } else if (!row->optional) {
            outcome.error = GetPlatformLastError();
            return false;
        }
    }
    return true;
}

void ReportEntryPointOutcome(std::u16string_view path, const EntryPointRow* rows, bool succeeded,
                             EntryPointOutcome& outcome, IReportMessageParams* report)
{
    if (succeeded) {
        if (report)
            report->SetMessageId(0);
        return;
    }
    if (report) {
        report->SetMessageId(outcome.module ? kMsgModuleEntryMissing : kMsgModuleCannotLoad);
        report->AddParameter(VUnicodeString(path));
        report->AddParameter(VUnicodeString(PlatformErrorText(outcome.error)));
    }
    if (outcome.module) {
        for (const EntryPointRow* row = rows; row->slot; ++row) {
            void* value = ReadSlot(*row);
            if (value && GetModuleEntry(outcome.module, row->name) == value)
                WriteSlot(*row, nullptr);
        }
        FreeModule(outcome.module);
        outcome.module = nullptr;
    }
}
