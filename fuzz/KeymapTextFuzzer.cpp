// Keymap files are written by people. Any text loads or fails with a
// report, and the bindings it gives are written and read back unchanged.
#include <cstdint>
#include <cstdlib>

#include "commands/Keymap.h"
#include "platform/VTextDecoder.h"
#include "profile/reports/VReportMessageParams.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Program paths under these folders are written in another form.
    setenv("ORV_CONFIG_PATH", "/nonexistent/fuzz/config", 1);
    setenv("ORV_USER_DATA_PATH", "/nonexistent/fuzz/data", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const VStringArray lines = VTextDecoder::DecodeAll({data, size});
    Keymap keymap;
    VReportPtr report = NewReport();
    if (!Keymap::ReadText({lines.begin(), lines.end()}, u"fuzz.key", keymap, report.Get())) {
        if (report->GetMessageId() != kMsgKeymapCannotBeUsed)
            std::abort();
        return 0;
    }
    const VStringArray written = keymap.FormatBindings();
    Keymap back;
    if (back.ParseBindings({written.begin(), written.end()}, 1, false, false).errors != 0 ||
        !(back.GetBindings() == keymap.GetBindings()))
        std::abort();
    return 0;
}
