// The four label operations on any text; the cross references against the
// plain recursive form.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "labels.h"
#include "labels_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (torvex::LinkCrossReferences(text) != torvex::reference::LinkCrossReferences(text)) std::abort();

    const std::string name = torvex::PageFileName(text);
    if (name != torvex::reference::PageFileName(text)) std::abort();
    if (name.find('/') != std::string::npos) std::abort();  // never a path

    std::string trimmed = text;
    const auto number = torvex::LabelNumber(trimmed);
    if (trimmed != torvex::reference::Trim(text)) std::abort();
    if (number && (*number < 0 || *number > 32767)) std::abort();

    const std::string after = torvex::TextAfterLabel(text);
    if (after != text && !text.ends_with(after)) std::abort();
    return 0;
}
