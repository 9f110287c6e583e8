#include "services/core/FieldText.h"

namespace text {

std::string EscapeField(const std::string& pText) {
    std::string out;
    for (char c : pText) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string UnescapeField(const std::string& pText) {
    std::string out;
    for (size_t i = 0; i < pText.size(); ++i) {
        if (pText[i] != '\\' || i + 1 == pText.size()) {
            out += pText[i];
            continue;
        }
        const char c = pText[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    }
    return out;
}

} // namespace text
