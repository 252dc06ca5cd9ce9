#include "underline.h"

#include <algorithm>

namespace torvex {

void UnderlineTest::Add(std::string_view piece) {
    if (first_byte_ == 0 && !piece.empty() && stage_ == Stage::Leading) first_byte_ = piece[0];
    while (!piece.empty()) {
        switch (stage_) {
        case Stage::Leading: {
            const size_t start = piece.find_first_not_of(' ');
            if (start == std::string_view::npos) return;
            piece.remove_prefix(start);
            if (static_cast<unsigned char>(piece[0]) <= ' ') {  // no character takes less than a byte
                stage_ = Stage::No;
                return;
            }
            width_ = CharacterWidth(piece, 0, set_);
            std::memcpy(first_, piece.data(), width_);
            stage_ = Stage::Row;
            break;
        }
        case Stage::Row: {
            size_t end = 0;
            if (width_ == 1) {
                end = std::min(piece.find_first_not_of(first_[0]), piece.size());
            } else {
                while (piece.size() - end >= width_ && std::memcmp(piece.data() + end, first_, width_) == 0) end += width_;
            }
            row_ += end / width_;
            piece.remove_prefix(end);
            if (!piece.empty()) stage_ = Stage::Rest;
            break;
        }
        case Stage::Rest:
            AddRest(piece);
            return;
        case Stage::No:
            return;
        }
    }
}

// After the row, at most six characters (and, in UTF-8, 24 bytes) may
// follow before the trailing spaces.
void UnderlineTest::AddRest(std::string_view piece) {
    rest_ += CharacterCount(piece, set_);
    rest_bytes_ += piece.size();
    const size_t last = piece.find_last_not_of(' ');
    trailing_ = last == std::string_view::npos ? trailing_ + piece.size() : piece.size() - 1 - last;
    if (rest_ - trailing_ > 6 || rest_bytes_ - trailing_ > 6 * 4) stage_ = Stage::No;
}

bool UnderlineTest::Holds() const {
    if (stage_ != Stage::Row && stage_ != Stage::Rest) return false;
    const size_t rest = rest_ - trailing_;
    return rest <= 6 && row_ + rest >= 10;
}

bool IsUnderline(std::string_view line, CharacterSet set) {
    UnderlineTest test(set);
    test.Add(line);
    return test.Holds();
}

Heading HeadingUnder(std::string_view line, CharacterSet set) {
    UnderlineTest test(set);
    test.Add(line);
    return test.Makes();
}

}  // namespace torvex
