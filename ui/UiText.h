#pragma once

#include "ProgramTexts.h"

#include <QString>

// A text of the program's string table as a QString.
[[nodiscard]] inline QString UiText(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

// Control ids travel on widgets as this dynamic property; dispatch and tests find buttons by it.
inline constexpr const char* kControlIdProperty = "controlId";
