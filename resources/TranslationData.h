#pragma once

#include <span>

#include <QtGlobal>

// The compiled translation of the library's texts into `language` (the
// two-letter code); empty when there is none.
std::span<const unsigned char> TranslationData(const char* language);
// Makes the icons of resources/icons reachable under ":/orvalis/icons".
void InitIconResources();
