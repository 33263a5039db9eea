#pragma once

#include <map>

#include <QImage>

#include "commands/VMenuToolbarTextRep.h"

// A menu file read with its toolbar images decoded: an image file that
// cannot be read, or whose bytes are no image, gives warning 0xA10A000C
// with its path and the reason, on the line that names it.
class VDecodedMenuToolbarRep : public VMenuToolbarTextRep {
public:
    // The decoded picture of GetImages()[index]; null outside.
    QImage GetImage(int index) const;

protected:
    bool LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes, VUnicodeString& error) override;

private:
    std::map<VUnicodeString, QImage> m_decoded; // by path
};
