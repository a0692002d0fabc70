#include "FakeEngineScript.h"

#include <fstream>
#include <sstream>

#include <sys/types.h>
#include <unistd.h>

CFakeEngineScript::CFakeEngineScript(const char* path, const OtherKeyword& other)
{
    std::ifstream scriptFile(path);
    std::string line;
    while (std::getline(scriptFile, line))
    {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        std::string rest;
        std::getline(words >> std::ws, rest);
        if (keyword == "helper")
        {
            const pid_t helper = fork();
            if (helper == 0)
            {
                std::ofstream(rest) << getpid() << "\n";
                for (;;)
                    pause();
            }
        }
        else if (keyword == "moves")
        {
            std::istringstream list(rest);
            for (std::string move; list >> move;)
                moves.push_back(move);
        }
        else if (keyword == "on")
        {
            std::istringstream parts(rest);
            Rule rule;
            parts >> rule.word >> rule.action;
            std::getline(parts >> std::ws, rule.argument);
            rules.push_back(rule);
        }
        else
            other(keyword, rest);
    }
}
