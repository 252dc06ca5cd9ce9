// Fixed product values: the name, the version and the three addresses that
// the pages and the About box show. Kept in one place so that a rebrand or a
// move of the web site touches this file only.
#pragma once

namespace torvex {

inline constexpr const char* ProductName = "Torvex";
inline constexpr const char* ProductVersion = "V2.5";
inline constexpr const char* AuthorName = "Brenlow";

// The maker's web site, named in every page's generator line (ends in "/").
inline constexpr const char* MakerSiteAddress = "http://www.vantry.example/";
// The product's home page, linked from every page's footer and the About box.
inline constexpr const char* HomePageAddress = "http://www.vantry.example/software/torvex.html";
// The author's mail address, linked from every page's footer and the About box.
inline constexpr const char* AuthorMailAddress = "brenlow@vantry.example";

}  // namespace torvex
