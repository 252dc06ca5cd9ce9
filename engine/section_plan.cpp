#include "section_plan.h"

namespace torvex {

void SectionPlan::Start() {
    number_ = previous_ = 0;
    in_contents_ = true;
}

// The label's number (when it has one) becomes the section number, and a
// number lower than the one before ends the contents list.
Section SectionPlan::Of(std::optional<float> label, bool startsWithBracket, bool settle) {
    const float section = label ? *label : number_;
    if (settle) number_ = section;
    if (!(section > 0)) return Section::None;
    const bool inContents = in_contents_ && !(section < previous_);
    if (settle) in_contents_ = inContents;
    if (inContents) return Section::ContentsEntry;
    return startsWithBracket ? Section::Heading : Section::Reference;
}

}  // namespace torvex
