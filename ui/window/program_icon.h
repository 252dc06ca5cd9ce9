#pragma once

#include <QIcon>

namespace torvex {

// The program's icon in every size the window needs (built into the program).
QIcon ProgramIcon();

}  // namespace torvex
