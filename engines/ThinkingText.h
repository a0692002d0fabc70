#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CChessPosition;

// Turns an engine's thinking line (see EngineThinking) into what the program
// shows: the principal variation in SAN and the score from White's view.
class CThinkingText
{
public:
    CThinkingText() = delete;

    // The principal variation in SAN, played from `start` (the position
    // before its first move). Words may be coordinate moves ("e2e4",
    // "e7e8q", "e2-e4"), castling ("O-O", "0-0-0") or SAN ("Nf3", "exd8=Q+");
    // move numbers ("12.", "12...") are passed over. The list stops before
    // the first word that is not a legal move in its position, so a line that
    // belongs to another position yields no moves or only its legal start.
    [[nodiscard]] static std::vector<std::string> PvToSan(const CChessPosition& start, std::string_view pv);

    // The score from White's view: `score` is from the view of `scoreColour`
    // (2 White, 1 Black), so a Black view is negated. Centipawns or moves to
    // mate alike.
    [[nodiscard]] static int32_t WhiteScore(int32_t score, int32_t scoreColour);

    // "+0.35", "-1.20", "0.00" in pawns, "#3" when White mates in 3 moves,
    // "#-2" when Black does, "" when the line has no score (an EngineScoreKind).
    [[nodiscard]] static std::string ScoreText(int32_t scoreKind, int32_t score, int32_t scoreColour);
};
