// The names of the pages that a batch writes, derived from its inputs' names.
#pragma once

#include <string>

#include "path_names.h"  // the names a batch is made of

namespace torvex {

// The page of an input in the window's batch: the file's own name loses its
// first "." and what follows (unless that dot begins the name), in lower
// case, with ".html"; the folder, if any, stays as it is.
// "Read.Me.txt" gives "read.html", ".profile" gives ".profile.html".
std::string DerivedPageName(const std::string& name);

// The page of an input in a command-line batch: the file's own name loses
// only its last extension and keeps its case. "2024.01.15.txt" gives
// "2024.01.15.html", "README" gives "README.html", ".profile" gives
// ".profile.html".
std::string BatchPageName(const std::string& name);

}  // namespace torvex
