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

// The full path of path, from the current folder when it is relative.
QString AbsolutePath(const std::string& path);

// Where the page of input goes, in full: output, or with split the contents
// page of its set, beside input.
QString PagePath(const std::string& input, const std::string& output, bool split);

// Removes spaces (and nothing else) at both ends.
QString TrimSpaces(const QString& text);

// The page beside a chosen input file: the path with everything after the
// first "." of the file's own name replaced by "html", letter case kept.
// "/a/my.docs/ReadMe.TXT" gives "/a/my.docs/ReadMe.html".
QString PathWithHtmlSuffix(const QString& path);

}  // namespace torvex
