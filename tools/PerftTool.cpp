// pellomar-perft [--fen FEN] [--divide] [--threads N] [--time] DEPTH
// Counts the leaf nodes of the legal move tree through the program's own rules.

#include "ChessPosition.h"
#include "FenText.h"
#include "Perft.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
int Usage()
{
    std::fprintf(stderr, "usage: pellomar-perft [--fen FEN] [--divide] [--threads N] [--time] DEPTH\n");
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    std::string fen = CFenText::kInitialPosition;
    bool divide = false;
    bool timing = false;
    int threads = 1;
    int depth = -1;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--fen") == 0 && i + 1 < argc)
            fen = argv[++i];
        else if (std::strcmp(argv[i], "--divide") == 0)
            divide = true;
        else if (std::strcmp(argv[i], "--time") == 0)
            timing = true;
        else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc)
            threads = std::atoi(argv[++i]);
        else if (depth < 0 && argv[i][0] >= '0' && argv[i][0] <= '9')
            depth = std::atoi(argv[i]);
        else
            return Usage();
    }
    if (depth < 0 || depth > 12)
        return Usage();

    CChessPosition position;
    std::string error;
    if (!CFenText::ReadFen(position, fen, &error))
    {
        std::fprintf(stderr, "pellomar-perft: invalid FEN: %s\n", error.c_str());
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    uint64_t total = 0;
    if (divide)
    {
        for (const auto& [move, count] : CPerft::Divide(position, depth))
        {
            std::printf("%s %llu\n", move.c_str(), static_cast<unsigned long long>(count));
            total += count;
        }
        std::printf("\n");
    }
    else
    {
        total = threads > 1 ? CPerft::CountParallel(position, depth, threads) : CPerft::Count(position, depth);
    }
    std::printf("%llu\n", static_cast<unsigned long long>(total));
    if (timing)
    {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "%.3f s, %.0f nodes per second\n", seconds, seconds > 0 ? total / seconds : 0.0);
    }
    return 0;
}
