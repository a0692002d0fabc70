#pragma once

#include <cstdint>

// What an engine announced, as it crosses the plug-in interface.
enum EngineResult : int32_t
{
    ENGINE_RESULT_WHITE_WINS = 0,
    ENGINE_RESULT_BLACK_WINS = 1,
    ENGINE_RESULT_DRAW = 2,
    ENGINE_RESULT_RESIGNS = 3,
};
