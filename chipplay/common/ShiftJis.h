// Shift-JIS, the encoding of the archives' texts and of the player's own
// messages: a byte 0x81-0x9F or 0xE0-0xFC leads a two-byte character whose
// second byte may be any of 0x40-0xFC, "\" (0x5C) included. Text is cut and
// split at whole characters only.
//
//   if (IsShiftJisLead(c)) i += 2;                      // a double-byte character
//   text.resize(ShiftJisFit(text, 255));                // at most 255 bytes, whole characters
#pragma once

#include <cstddef>
#include <string>

inline bool IsShiftJisLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The length of the longest start of `text` of at most `limit` bytes that
// ends between two characters. A lead byte at the very end of the text
// counts as a character of its own.
inline size_t ShiftJisFit(const std::string& text, size_t limit)
{
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t step = IsShiftJisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > limit) break;
        i += step;
        end = i;
    }
    return end;
}
