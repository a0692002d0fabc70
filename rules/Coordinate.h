#pragma once

#include <cstdint>
#include <string>

class CByteArchive;

// One board square. The column counts from the h-file (0 = h, 7 = a), the row
// from rank 1 (0 = rank 1). (-1, -1) stands for "no square".
class CCoordinate
{
public:
    CCoordinate() = default;
    // The row comes first.
    CCoordinate(int32_t row, int32_t column) : x(column), y(row) {}

    [[nodiscard]] int32_t Row() const { return y; }
    [[nodiscard]] int32_t Column() const { return x; }
    [[nodiscard]] bool IsOnBoard() const { return x >= 0 && x < 8 && y >= 0 && y < 8; }
    // Board array index; only meaningful for a square on the board.
    [[nodiscard]] int Index() const { return x + 8 * y; }
    [[nodiscard]] static CCoordinate FromIndex(int index) { return CCoordinate(index / 8, index % 8); }
    [[nodiscard]] static CCoordinate None() { return CCoordinate(-1, -1); }

    bool operator==(const CCoordinate& other) const = default;

    // Walk rays one square at a time.
    void IncColumn() { ++x; }
    void DecColumn() { --x; }
    void IncRow() { ++y; }
    void DecRow() { --y; }

    // Reads two characters such as "e4". No range check: "e9" gives row 8,
    // so callers must test IsOnBoard before using the result as a square.
    void Parse(char c0, char c1);
    [[nodiscard]] static CCoordinate FromText(const char* text);
    // "e4"; "??" for a square off the board.
    [[nodiscard]] std::string ToText() const;

    // Eight bytes: the row, then the column, each a little-endian 32-bit integer.
    void Serialize(CByteArchive& archive) const;
    [[nodiscard]] bool Deserialize(CByteArchive& archive);

    int32_t x = 0; // column
    int32_t y = 0; // row
};
