#pragma once

#include "files/ECXMLParser.h"

#include <string>

// A one-line picture of a tree: name{attr=value;...}"text"(children...), parts left out when
// empty. Line breaks show as \n and \r so that a table of expectations stays readable.
inline std::string Visible(const std::string& s) {
    std::string out;
    for (char c : s)
        out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

inline std::string Dump(const lay::TXMLItem& item) {
    std::string out = item.Name();
    if (!item.Attributes().empty()) {
        out += '{';
        for (std::size_t i = 0; i < item.Attributes().size(); ++i)
            out += (i ? ";" : "") + item.Attributes()[i].first + "=" + Visible(item.Attributes()[i].second);
        out += '}';
    }
    if (!item.Text().empty())
        out += "\"" + Visible(item.Text()) + "\"";
    if (item.Count() > 0) {
        out += '(';
        for (int i = 0; i < item.Count(); ++i)
            out += (i ? " " : "") + Dump(item.Items(i));
        out += ')';
    }
    return out;
}
