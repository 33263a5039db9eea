#pragma once

#include "profile/values/VProfileSz.h"

// A frame's state kept as one string of three numbers ("1,200,300"); the
// first is a flag. Each setter rewrites the text at once.
class ORV_EXPORT VProfileExplorerFrameState : public VProfile2<VUnicodeString, VProfileSz> {
public:
    using VProfile2::VProfile2;

    bool GetFlag1() const { return Read().flag; }
    int32_t GetValue2() const { return Read().second; }
    int32_t GetValue3() const { return Read().third; }
    void SetFlag1(bool value);
    void SetValue2(int32_t value);
    void SetValue3(int32_t value);

private:
    struct State {
        bool flag = false;
        int32_t second = 0;
        int32_t third = 0;
    };
    State Read() const;
    void Write(const State& state);
};
