#include "commands/qt/VDecodedMenuToolbarRep.h"

#include <QBuffer>
#include <QImageReader>

QImage VDecodedMenuToolbarRep::GetImage(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= GetImages().size())
        return {};
    const auto it = m_decoded.find(GetImages()[static_cast<size_t>(index)].path);
    return it == m_decoded.end() ? QImage() : it->second;
}

bool VDecodedMenuToolbarRep::LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes,
                                           VUnicodeString& error)
{
    if (!VMenuToolbarTextRep::LoadImageFile(path, bytes, error))
        return false;
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    // The name says ".bmp"; the bytes decide.
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        error = VUnicodeString(reader.errorString().toStdU16String());
        return false;
    }
    m_decoded[path] = image;
    return true;
}
