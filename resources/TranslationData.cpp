#include "TranslationData.h"

#include <cstring>

extern const unsigned char orv_translation_de[];
extern const unsigned long orv_translation_de_size;

std::span<const unsigned char> TranslationData(const char* language)
{
    if (language && std::strcmp(language, "de") == 0)
        return {orv_translation_de, orv_translation_de_size};
    return {};
}

void InitIconResources()
{
    // The icons are compiled into a static library: this keeps them linked.
    Q_INIT_RESOURCE(connectdialog);
}
