#pragma once

#include <cstddef>
#include <vector>

// One command button of a game window: its control id, the string-table id of
// its caption and its row in the button column (buttons of one row share a
// place and are shown one at a time).
struct CommandButton
{
    int id = 0;
    int label = 0;
    int row = 0;
};

// Whether a command's button is shown and whether it accepts clicks now.
struct CommandState
{
    bool shown = true;
    bool enabled = true;

    [[nodiscard]] bool operator==(const CommandState&) const = default;
};

// Who carries a command out: the session, or the window (commands that need a
// dialog first: files, settings, help, leaving).
enum class CommandOwner
{
    Session,
    Window,
};

// The question a command asks before it runs; no text means none.
struct CommandQuestion
{
    int text = 0;
    // True: the command runs unless the answer is No; false: only on Yes.
    bool unlessNo = false;
};

// A row of a kind's command table: the button, who runs it, and its rules as
// data. Rules are plain functions of the session, so the table is the one
// place that says when a button is shown and enabled.
template <typename Session> struct CommandRule
{
    CommandButton button;
    CommandOwner owner = CommandOwner::Session;
    bool (*shown)(const Session&) = nullptr;   // null: always shown
    bool (*enabled)(const Session&) = nullptr; // null: always enabled
};

// The buttons of a table, in its order.
template <typename Session, size_t N> std::vector<CommandButton> ButtonsOf(const CommandRule<Session> (&table)[N])
{
    std::vector<CommandButton> buttons;
    buttons.reserve(N);
    for (const CommandRule<Session>& rule : table)
        buttons.push_back(rule.button);
    return buttons;
}

// The rule of a command in a table; null when the table has no such command.
template <typename Session, size_t N> const CommandRule<Session>* RuleOf(const CommandRule<Session> (&table)[N], int id)
{
    for (const CommandRule<Session>& rule : table)
        if (rule.button.id == id)
            return &rule;
    return nullptr;
}

// The state of a command by its rule; a command the table lacks is hidden.
template <typename Session, size_t N>
CommandState StateByRule(const CommandRule<Session> (&table)[N], const Session& session, int id)
{
    const CommandRule<Session>* rule = RuleOf(table, id);
    if (rule == nullptr)
        return CommandState{false, false};
    return CommandState{rule->shown == nullptr || rule->shown(session),
                        rule->enabled == nullptr || rule->enabled(session)};
}
