#pragma once

#include <string>

// The input and output of a scripted stand-in engine: every byte received is
// copied to the log before its lines are handed out, so the tests can check
// the exact transcript.
class CFakeEngineInput
{
public:
    explicit CFakeEngineInput(const char* logPath);
    ~CFakeEngineInput();
    CFakeEngineInput(const CFakeEngineInput&) = delete;
    CFakeEngineInput& operator=(const CFakeEngineInput&) = delete;

    // The next received line without its newline; false when the input ends.
    bool NextLine(std::string& line);
    // Writes all of the text to the output. Once the program has stopped
    // reading (it closes the pipe when it lets go of the engine after
    // "quit"), the text is dropped and the engine goes on reading its input,
    // so the transcript still ends with what was sent before.
    static void Print(const std::string& text);

private:
    int m_Log = -1;
    std::string m_Pending;
};
