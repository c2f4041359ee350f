#include "FileName.h"

#include "ShiftJis.h"

namespace {

const char* FullWidth(char c)
{
    switch (c) {
    case '\\': return "\x81\x8F";
    case '/': return "\x81\x5E";
    case ':': return "\x81\x46";
    case '*': return "\x81\x96";
    case '?': return "\x81\x48";
    case '"': return "\x81\x68";
    case '<': return "\x81\x83";
    case '>': return "\x81\x84";
    case '|': return "\x81\x62";
    default: return nullptr;
    }
}

}  // namespace

std::string ConvertToFileName(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsShiftJisLead(c)) {
            if (i + 1 >= text.size()) break;
            out += text[i];
            out += text[++i];
            continue;
        }
        const char* wide = FullWidth(text[i]);
        if (wide != nullptr) out += wide;
        else out += text[i];
    }
    return out;
}

std::string FitFileName(const std::string& base, const std::string& extension, size_t bufferSize)
{
    if (bufferSize < extension.size() + 1) return std::string();
    const size_t room = bufferSize - 1 - extension.size();
    const size_t end = ShiftJisFit(base, room);
    return base.substr(0, end) + extension;
}
