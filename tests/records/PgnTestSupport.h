#pragma once

// Small helpers shared by the PGN tests.

#include "PgnReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file of the standard-format corpus.
inline std::string CorpusText(const std::string& name)
{
    const std::string text = ReadWholeFile(std::string(PGN_CORPUS) + "/" + name);
    EXPECT_FALSE(text.empty()) << name;
    return text;
}

inline std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PGN_CORPUS))
        if (entry.path().extension() == ".pgn")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> Sans(const CPgnGame& game)
{
    std::vector<std::string> sans;
    for (const CPgnMove& move : game.moves)
        sans.emplace_back(move.san);
    return sans;
}

inline std::string TempFile(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("pellomar-test-" + name)).string();
}
