#pragma once

#include "core/VArray.h"
#include "core/VUnicodeString.h"

using VStringArray = VArray<VUnicodeString>;
