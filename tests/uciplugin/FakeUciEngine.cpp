// A scripted stand-in for a UCI engine. It copies every byte it receives to a
// log file and answers from a script, so the tests can check the exact
// transcript.
//
//   fake_uci_engine SCRIPT LOG
//
// Script lines:
//   moves M1 M2 ...      what it answers to each "go" in turn ("bestmove M",
//                        or "bestmove M ponder R" for a word "M:R"); once
//                        they are used up, "bestmove (none)"
//   name TEXT            its "id name" (default "Fake UCI")
//   option TEXT          one more "option" line, after the Hash option
//   thinking N           N "info" lines before each answer (instead of one
//                        "info depth 1 score cp 13 pv M"), the last one
//                        "info depth N seldepth N multipv 1 score cp 31 ..."
//   helper FILE          starts a helper process of its own (in its process
//                        group, holding its output open) that writes its
//                        process id to FILE and then waits for ever
//   silent               never answers "uci"
//   hold                 answers a "go" only when "stop" arrives
// A "go ponder" is answered only after "ponderhit" (with the next move) or
// "stop" (with "bestmove a2a3", never a move of the game).
//   on WORD ACTION ARG   when a received line starts with WORD: say TEXT (a
//                        line, \n escapes), sleep MS, exit CODE, exitonce FILE
//                        (exits only while FILE does not exist; creates it),
//                        ignore (for quit: stay)
#include "FakeEngineInput.h"
#include "FakeEngineScript.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n')
        {
            out += '\n';
            ++i;
        }
        else
            out += text[i];
    }
    return out;
}

constexpr auto Print = &CFakeEngineInput::Print;
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    CFakeEngineInput input(argv[2]);
    bool silent = false;
    bool hold = false;
    std::string name = "Fake UCI";
    std::vector<std::string> options;
    int thinking = 0;
    const CFakeEngineScript script(argv[1], [&](const std::string& keyword, const std::string& rest) {
        if (keyword == "silent")
            silent = true;
        else if (keyword == "name")
            name = rest;
        else if (keyword == "option")
            options.push_back(rest);
        else if (keyword == "thinking")
            thinking = std::atoi(rest.c_str());
        else if (keyword == "hold")
            hold = true;
    });
    const std::vector<std::string>& moves = script.moves;

    size_t nextMove = 0;
    bool searching = false;
    bool pondering = false;
    auto answer = [&] {
        std::string move = nextMove < moves.size() ? moves[nextMove++] : "(none)";
        std::string reply;
        if (const size_t colon = move.find(':'); colon != std::string::npos)
        {
            reply = move.substr(colon + 1);
            move.resize(colon);
        }
        for (int depth = 1; depth <= thinking; ++depth)
            Print("info depth " + std::to_string(depth) + " seldepth " + std::to_string(depth) +
                  " multipv 1 score cp " + std::to_string(depth == thinking ? 31 : depth) + " nodes " +
                  std::to_string(depth * 100) + " nps 50000 time " + std::to_string(depth) + " pv " + move +
                  (reply.empty() ? "" : " " + reply) + "\n");
        if (thinking == 0)
            Print("info depth 1 score cp 13 pv " + move + "\n");
        Print("bestmove " + move + (reply.empty() ? "" : " ponder " + reply) + "\n");
        searching = false;
    };

    for (std::string received; input.NextLine(received);)
    {
        std::istringstream words(received);
        std::string first;
        words >> first;
        bool stay = false;
        for (const CFakeEngineScript::Rule& rule : script.rules)
        {
            if (rule.word != first)
                continue;
            if (rule.action == "say")
                Print(Unescape(rule.argument) + "\n");
            else if (rule.action == "sleep")
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(rule.argument.c_str())));
            else if (rule.action == "exit")
                return std::atoi(rule.argument.c_str());
            else if (rule.action == "exitonce")
            {
                // Leaves the first time only: the marker file remembers
                // it for the engine started afterwards.
                if (access(rule.argument.c_str(), F_OK) != 0)
                {
                    std::ofstream(rule.argument) << "left\n";
                    return 1;
                }
            }
            else if (rule.action == "ignore")
                stay = true;
        }
        if (first == "quit" && !stay)
            return 0;
        if (first == "uci" && !silent)
        {
            std::string text = "id name " + name + "\nid author Tests\n";
            text += "option name Hash type spin default 16 min 1 max 1024\n";
            for (const std::string& option : options)
                text += "option " + option + "\n";
            Print(text + "uciok\n");
        }
        else if (first == "isready")
            Print("readyok\n");
        else if (first == "go")
        {
            std::string second;
            words >> second;
            searching = true;
            pondering = second == "ponder";
            if (!hold && !pondering)
                answer();
        }
        else if (first == "ponderhit" && searching && pondering)
        {
            pondering = false;
            if (!hold)
                answer();
        }
        else if (first == "stop" && searching)
        {
            if (pondering)
            {
                pondering = false;
                searching = false;
                Print("bestmove a2a3\n"); // a move the adapter must not take
            }
            else
                answer();
        }
    }
    return 0;
}
