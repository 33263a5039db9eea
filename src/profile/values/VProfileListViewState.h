#pragma once

#include "core/VArray.h"
#include "profile/values/VProfileSz.h"

// A list view's layout kept as one string: five header numbers, then three
// numbers per column ("1,0,2,0,2,100,1,0,80,1,1"). A text that does not
// read takes the defaults 1, 1, 1, 0, 0 and no columns.
class ORV_EXPORT VProfileListViewState : public VProfile2<VUnicodeString, VProfileSz> {
public:
    struct Column {
        int32_t width = 0;
        bool visible = true;
        int32_t order = 0;
        bool operator==(const Column&) const = default;
    };
    struct Layout {
        bool header1 = true;
        int32_t header2 = 1;
        uint32_t header3 = 1;
        int32_t header4 = 0;
        VArray<Column> columns{2};
        Layout() { columns.Reserve(3); }
        bool operator==(const Layout&) const = default;
    };

    using VProfile2::VProfile2;

    // The layout the text holds.
    Layout GetLayout() const { return Parse(Get()); }
    // Formats the layout into the text at once.
    void SetLayout(const Layout& layout) { Set(Format(layout)); }

    static Layout Parse(std::u16string_view text);
    static VUnicodeString Format(const Layout& layout);
};
