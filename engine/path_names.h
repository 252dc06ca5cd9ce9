// The names the user gives: as typed (perhaps quoted) and where they lie.
#pragma once

#include <string>
#include <string_view>

namespace torvex {

// The output name that asks for a page set instead of one page.
inline constexpr std::string_view SplitOutputName = "FAQ";
// The first page of a set, beside the input: its contents.
inline constexpr std::string_view SplitContentsPage = "contents.html";

// Removes one pair of surrounding double quotes from a path longer than two
// characters; gives the (changed) path.
std::string& StripQuotes(std::string& path);

// The folder part of path as written, with its final "/" ("" for none).
std::string FolderOf(const std::string& path);

// The file's own name: what follows the last "/".
std::string FileNameOf(const std::string& path);

// folder and name joined by one "/".
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder part of path with its final "/"; the current directory (with
// "/") when path has no folder part. Split mode writes its pages there.
std::string DirectoryOf(const std::string& path);

}  // namespace torvex
