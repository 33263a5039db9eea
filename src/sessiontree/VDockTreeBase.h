#pragma once

#include "sessiontree/FilterTreeBase.h"

// Trees that can live in a docked pane: a filter and a fill.
class ORV_EXPORT VDockTreeBase : public FilterTreeBase {
public:
    // Fill flags.
    static constexpr unsigned kFillDropCache = 1;   // read the database afresh
    static constexpr unsigned kFillResetFilter = 2; // and clear the filter
    virtual void Fill(unsigned flags) = 0;
};
