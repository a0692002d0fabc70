#pragma once

#include "Coordinate.h"

// A board move: from-square and to-square. Promotion, capture and piece are
// not part of it; castling is the king's two-column move.
class CMove
{
public:
    CMove() = default;
    CMove(const CCoordinate& fromSquare, const CCoordinate& toSquare) : from(fromSquare), to(toSquare) {}

    bool operator==(const CMove& other) const = default;

    // Coordinate text such as "e2e4"; the caller appends a promotion letter.
    [[nodiscard]] std::string ToText() const { return from.ToText() + to.ToText(); }

    // Sixteen bytes: from.row, from.column, to.row, to.column.
    void Serialize(CByteArchive& archive) const;
    [[nodiscard]] bool Deserialize(CByteArchive& archive);

    CCoordinate from;
    CCoordinate to;
};
