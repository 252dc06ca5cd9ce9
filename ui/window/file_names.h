// How the window turns chosen and typed names into paths: the output names
// derived from input names, and paths between the toolkit's text and the
// system's bytes.
#pragma once

#include <string>

#include <QString>

namespace torvex {

// A path for the engine and the system, and back.
std::string PathBytes(const QString& path);
QString PathText(const std::string& path);

// Removes spaces (and nothing else) at both ends.
QString TrimSpaces(const QString& text);

// folder and name joined by one "/".
QString JoinPath(const QString& folder, const QString& name);

// The output name of an input name in a batch: the file's own name loses its
// first "." and what follows (unless the name begins with its only dot),
// in lower case, with ".html"; the folder, if any, stays as it is.
// "Read.Me.txt" gives "read.html", ".profile" gives ".profile.html".
QString DerivedOutputName(const QString& name);

// The page beside a chosen input file: the path with everything after the
// first "." of the file's own name replaced by "html", letter case kept.
// "/a/my.docs/ReadMe.TXT" gives "/a/my.docs/ReadMe.html".
QString PathWithHtmlSuffix(const QString& path);

}  // namespace torvex
