#pragma once
// Readable GoogleTest names for the rows of a table, made from the row's own
// description, so that a failure says which row it was.
#include <cctype>
#include <string>
#include <string_view>

// Letters and digits are kept; signs are spelled out ("+" plus, "-" minus
// unless it joins two letters, "%" pct, "&" and); a comma or point between
// digits is spelled "comma" or "point", so "150,5" and "150.5" stay apart;
// anything else becomes one "_". Never empty: GoogleTest refuses that.
inline std::string CaseName(std::string_view what) {
    const auto alnum = [&](std::size_t i) {
        return i < what.size() && static_cast<unsigned char>(what[i]) < 0x80 &&
               std::isalnum(static_cast<unsigned char>(what[i]));
    };
    const auto digit = [&](std::size_t i) {
        return i < what.size() && std::isdigit(static_cast<unsigned char>(what[i]));
    };
    std::string out;
    const auto gap = [&] {
        if (!out.empty() && out.back() != '_') out += '_';
    };
    const auto word = [&](const char* w) {
        gap();
        out += w;
        out += '_';
    };
    for (std::size_t i = 0; i < what.size(); ++i) {
        const char c = what[i];
        const bool between = i > 0 && alnum(i - 1) && alnum(i + 1);
        if (alnum(i))
            out += c;
        else if (c == '+')
            word("plus");
        else if (c == '-' && alnum(i + 1) && !(between && !digit(i + 1)))
            word("minus");
        else if (c == '%')
            word("pct");
        else if (c == '&')
            word("and");
        else if ((c == ',' || c == '.') && i > 0 && digit(i - 1) && digit(i + 1))
            word(c == ',' ? "comma" : "point");
        else
            gap();
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out.empty() ? std::string("empty") : out;
}
