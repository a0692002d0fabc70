// A scripted stand-in for a WinBoard engine. It copies every byte it receives
// to a log file and answers from a script, so the tests can check the exact
// transcript and imitate the habits of real engines.
//
//   fake_engine SCRIPT LOG
//
// Script lines:
//   banner TEXT          printed at start
//   helper FILE          starts a helper process of its own (in its process
//                        group, holding its output open) that writes its
//                        process id to FILE and then waits for ever
//   pong                 answers "ping N" with "pong N"
//   moves M1 M2 ...      the moves it plays, in order, whenever it is to move
//   eof hang             stays (idle) when its input closes instead of leaving
//   format TEXT          how a move is written; "{}" is the move, "{n}" the
//                        move number (default "move {}")
//   on WORD ACTION ARG   when a received line starts with WORD; ACTION is one of
//                        say TEXT (a line; \n, \r and \t escapes), raw TEXT (no
//                        newline), sleep MS, exit CODE, ignore (for quit: stay),
//                        crash, crashonce FILE (only while FILE does not
//                        exist; creates it), flood N (N noise lines), longline N (one line
//                        of N bytes), hang (stops reading for ever), think N
//                        (N thinking lines, depth 1 to N, the last "N 25 ...")
// The word MOVE stands for any opponent move in coordinate notation or drop
// such as "P@e4" (also after "usermove").
#include "FakeEngineInput.h"
#include "FakeEngineScript.h"

#include <chrono>
#include <csignal>
#include <cstdio>
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
constexpr auto Print = &CFakeEngineInput::Print;

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 1 < text.size())
        {
            const char c = text[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
        else
            out += text[i];
    }
    return out;
}

bool IsCoordinateMove(const std::string& word)
{
    if (word.size() == 4 && word[1] == '@')
        return std::string("PNBRQ").find(word[0]) != std::string::npos && word[2] >= 'a' && word[2] <= 'h' &&
               word[3] >= '1' && word[3] <= '8';
    return (word.size() == 4 || word.size() == 5) && word[0] >= 'a' && word[0] <= 'h' && word[1] >= '1' &&
           word[1] <= '8' && word[2] >= 'a' && word[2] <= 'h' && word[3] >= '1' && word[3] <= '8';
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    CFakeEngineInput input(argv[2]);
    std::string format = "move {}";
    bool hangAtEof = false;
    bool pong = false;
    const CFakeEngineScript script(argv[1], [&](const std::string& keyword, const std::string& rest) {
        if (keyword == "banner")
            Print(Unescape(rest) + "\n");
        else if (keyword == "pong")
            pong = true;
        else if (keyword == "eof")
            hangAtEof = rest == "hang";
        else if (keyword == "format")
            format = rest;
    });
    const std::vector<std::string>& moves = script.moves;

    size_t nextMove = 0;
    bool force = false;
    auto play = [&] {
        if (nextMove >= moves.size())
            return;
        std::string text = format;
        const std::string& move = moves[nextMove];
        for (size_t at; (at = text.find("{n}")) != std::string::npos;)
            text.replace(at, 3, std::to_string(nextMove + 1));
        for (size_t at; (at = text.find("{}")) != std::string::npos;)
            text.replace(at, 2, move);
        ++nextMove;
        Print(Unescape(text) + "\n");
    };

    for (std::string received;;)
    {
        if (!input.NextLine(received))
        {
            while (hangAtEof)
                pause();
            return 0;
        }
        std::istringstream words(received);
        std::string first;
        words >> first;
        if (first == "usermove")
            words >> first;
        const bool isMove = IsCoordinateMove(first);
        bool stay = false;
        for (const CFakeEngineScript::Rule& rule : script.rules)
        {
            if (rule.word != first && !(rule.word == "MOVE" && isMove))
                continue;
            if (rule.action == "say")
                Print(Unescape(rule.argument) + "\n");
            else if (rule.action == "raw")
                Print(Unescape(rule.argument));
            else if (rule.action == "sleep")
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(rule.argument.c_str())));
            else if (rule.action == "exit")
                return std::atoi(rule.argument.c_str());
            else if (rule.action == "ignore")
                stay = true;
            else if (rule.action == "crash")
                std::abort();
            else if (rule.action == "crashonce")
            {
                // Crashes the first time only: the marker file remembers
                // it for the engine started after the crash.
                if (access(rule.argument.c_str(), F_OK) != 0)
                {
                    std::ofstream(rule.argument) << "crashed\n";
                    std::abort();
                }
            }
            else if (rule.action == "flood")
                for (int i = 0; i < std::atoi(rule.argument.c_str()); ++i)
                    Print("# thinking " + std::to_string(i) + "\tSAN Nf3 e5 Bc4\n");
            else if (rule.action == "think")
                for (int depth = 1; depth <= std::atoi(rule.argument.c_str()); ++depth)
                    Print(std::to_string(depth) + " " +
                          std::to_string(depth == std::atoi(rule.argument.c_str()) ? 25 : depth) + " " +
                          std::to_string(depth * 10) + " " + std::to_string(depth * 1000) + "\te7e5 g1f3\n");
            else if (rule.action == "longline")
                Print(std::string(static_cast<size_t>(std::atol(rule.argument.c_str())), 'x') + "\n");
            else if (rule.action == "hang")
                for (;;)
                    pause();
        }
        if (first == "quit" && !stay)
            return 0;
        if (first == "ping" && pong)
        {
            std::string number;
            words >> number;
            Print("pong " + number + "\n");
        }
        if (first == "force")
            force = true;
        else if (first == "go")
        {
            force = false;
            play();
        }
        else if (isMove && !force)
            play();
    }
}
