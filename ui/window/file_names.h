// How the window turns chosen and typed names into paths: the page beside
// a chosen file, and paths between the toolkit's text and the system's
// bytes. (The pages of a batch are named by page_names.h.)
#pragma once

#include <string>

#include <QString>

namespace torvex {

// A path for the engine and the system, and back.
std::string PathBytes(const QString& path);
QString PathText(const std::string& path);

// Removes spaces (and nothing else) at both ends.
QString TrimSpaces(const QString& text);

// The page beside a chosen input file: the path with everything after the
// first "." of the file's own name replaced by "html", letter case kept.
// "/a/my.docs/ReadMe.TXT" gives "/a/my.docs/ReadMe.html".
QString PathWithHtmlSuffix(const QString& path);

}  // namespace torvex
