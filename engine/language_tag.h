// Language tags (BCP 47) as pages declare them: "en", "pt-BR", "zh-Hant-TW".
#pragma once

#include <string_view>

namespace torvex {

// Whether tag is a well-formed BCP 47 language tag ("en", "pt-BR",
// "zh-Hant-TW", "sr-Latn", "de-CH-1996", "x-klingon"...), by its syntax
// alone: whether its subtags are registered is not asked.
bool WellFormedLanguageTag(std::string_view tag);

}  // namespace torvex
