#include "Coordinate.h"

#include "ByteArchive.h"

void CCoordinate::Parse(char c0, char c1)
{
    // Through unsigned char so that bytes above 127 give large, off-board values
    // instead of depending on the sign of char.
    x = 'h' - static_cast<int32_t>(static_cast<unsigned char>(c0));
    y = static_cast<int32_t>(static_cast<unsigned char>(c1)) - '1';
}

CCoordinate CCoordinate::FromText(const char* text)
{
    CCoordinate c;
    c.Parse(text[0], text[1]);
    return c;
}

std::string CCoordinate::ToText() const
{
    if (!IsOnBoard())
        return "??";
    return std::string{static_cast<char>('h' - x), static_cast<char>('1' + y)};
}

void CCoordinate::Serialize(CByteArchive& archive) const
{
    archive.WriteInt32(y);
    archive.WriteInt32(x);
}

bool CCoordinate::Deserialize(CByteArchive& archive)
{
    int32_t row = 0;
    int32_t column = 0;
    if (!archive.ReadInt32(row) || !archive.ReadInt32(column))
        return false;
    y = row;
    x = column;
    return true;
}
