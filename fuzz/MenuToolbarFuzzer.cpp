// Menu files are written by people. Any text reads or is refused with a
// report, and every problem names a line of the text.
#include <cstdint>
#include <cstdlib>

#include "commands/VMenuToolbarTextRep.h"
#include "platform/VTextDecoder.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

// Images and scripts stay off the disk: names ending in "ok.bmp" load.
class MenuFile final : public VMenuToolbarTextRep {
protected:
    bool LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes, VUnicodeString& error) override
    {
        error = u"not found";
        bytes = {'B', 'M'};
        return path.EndsWith(u"ok.bmp");
    }
    bool FileExists(const VUnicodeString& path, VUnicodeString& error) override
    {
        error = u"not found";
        return path.EndsWith(u".sh");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const VStringArray lines = VTextDecoder::DecodeAll({data, size});
    MenuFile file;
    VReportPtr report = NewReport();
    file.Parse({lines.begin(), lines.end()}, u"/menus", u"/menus/fuzz.mnu", report.Get());
    for (const auto& problem : file.GetProblems())
        if (problem.line < 1 || static_cast<size_t>(problem.line) > lines.GetSize() || problem.text.IsEmpty())
            std::abort();
    return 0;
}
