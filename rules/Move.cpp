#include "Move.h"

void CMove::Serialize(CByteArchive& archive) const
{
    from.Serialize(archive);
    to.Serialize(archive);
}

bool CMove::Deserialize(CByteArchive& archive)
{
    CMove read;
    if (!read.from.Deserialize(archive) || !read.to.Deserialize(archive))
        return false;
    *this = read;
    return true;
}
