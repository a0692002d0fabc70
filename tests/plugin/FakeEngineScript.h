#pragma once

#include <functional>
#include <string>
#include <vector>

// The script of a scripted stand-in engine: one keyword a line, then its
// argument. The keywords both stand-ins know are read here:
//   moves M1 M2 ...      the moves it plays, in order
//   helper FILE          starts a child process that writes its pid to FILE
//                        and stays (a process the engine leaves behind)
//   on WORD ACTION ARG   when a received line starts with WORD
// every other line goes to the stand-in's own reader, in script order.
class CFakeEngineScript
{
public:
    struct Rule
    {
        std::string word;
        std::string action;
        std::string argument;
    };
    using OtherKeyword = std::function<void(const std::string& keyword, const std::string& argument)>;

    CFakeEngineScript(const char* path, const OtherKeyword& other);

    std::vector<std::string> moves;
    std::vector<Rule> rules;
};
