// UTF-8 as the engine meets it: telling whether an input is UTF-8 text,
// counting its characters, and reading the bytes of text that is not
// UTF-8 as the ISO 8859-1 characters of the same value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torvex {

// Length of the well-formed UTF-8 sequence at text[at] (1 for an ASCII
// byte), with its code point in value; 0 when the bytes there are no such
// sequence: a stray continuation byte, an overlong form, a surrogate,
// anything above U+10FFFF, or a sequence cut off by the end of text.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& value);

// How many bytes at the start of text are well-formed UTF-8.
size_t ValidUtf8Prefix(std::string_view text);

// The number of characters of UTF-8 text: the bytes that start one.
size_t Utf8Length(std::string_view text);

void AppendUtf8(char32_t c, std::string& out);

// ISO 8859-1 text as the same characters in UTF-8, appended to out.
void AppendLatin1AsUtf8(std::string_view text, std::string& out);

// Makes text well-formed UTF-8: each byte that is not part of a well-formed
// sequence becomes the ISO 8859-1 character of that value (0xE9 becomes
// U+00E9, written C3 A9). Valid text is left as it is, uncopied; work is
// scratch space that keeps its capacity between calls.
void MakeValidUtf8(std::string& text, std::string& work);

// Whether a text handed over piece by piece, however it is cut, is UTF-8
// text: well-formed throughout and holding at least one byte above 127.
class Utf8Check {
public:
    void Add(std::string_view piece);
    // Settled: whatever follows, the text is not UTF-8.
    bool Failed() const { return failed_; }
    // The answer once the last piece has been added.
    bool IsUtf8Text() const { return !failed_ && cut_.empty() && beyond_ascii_; }
    // A byte above 127 has been seen (in a well-formed sequence).
    bool BeyondAscii() const { return beyond_ascii_; }

private:
    std::string cut_;  // the start of a sequence that the end of the last piece cut
    bool failed_ = false;
    bool beyond_ascii_ = false;
};

}  // namespace torvex
