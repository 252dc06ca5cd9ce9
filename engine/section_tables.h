// The top-level sections of the maker's FAQ site, named in the navigation
// bar of a split document's last page: entry n - 1 belongs to section n.
#pragma once

#include <array>
#include <string_view>

namespace torvex {

inline constexpr std::array<std::string_view, 21> SectionFiles = {
    "general.html", "install.html", "start.html",  "usage.html",   "options.html", "breaks.html",  "headings.html",
    "links.html",   "split.html",   "window.html", "cmdline.html", "batch.html",   "errors.html",  "speed.html",
    "files.html",   "html.html",    "charset.html", "faults.html", "support.html", "history.html", "reading.html"};

inline constexpr std::array<std::string_view, 21> SectionTitles = {
    "General information", "Installation",  "Getting started", "Everyday use",     "Options",
    "Line breaks",         "Headings",      "Links",           "Split documents",  "The window",
    "Command line",        "Batches",       "Error messages",  "Speed",            "Files",
    "HTML output",         "Character sets", "Known faults",   "Support",          "History",
    "Further reading"};

}  // namespace torvex
