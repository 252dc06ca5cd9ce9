// Tables of cases kept as text files: one row per line, its fields split
// at "|" and trimmed; blank lines and lines starting with "#" are skipped.
// In a field, \n \r \t \e \\ \| and \xHH stand for the bytes they name.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvex::testing {

// The field's text with its escapes decoded.
inline std::string Text(const std::string& field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'x' && i + 2 < field.size() + 1) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 'e' ? '\033' : c;
        }
    }
    return text;
}

// The field's words, split at spaces; "..." keeps its spaces and may be empty.
inline std::vector<std::string> Words(const std::string& field) {
    std::vector<std::string> words;
    for (size_t i = 0; i < field.size();) {
        if (field[i] == ' ') {
            ++i;
            continue;
        }
        const bool quoted = field[i] == '"';
        const size_t end = quoted ? field.find('"', i + 1) : field.find(' ', i);
        const size_t stop = end == std::string::npos ? field.size() : end;
        words.push_back(Text(field.substr(i + quoted, stop - i - quoted)));
        i = stop + quoted;
    }
    return words;
}

// The rows of the table in path, as raw fields (see Text and Words).
inline std::vector<std::vector<std::string>> ReadTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || line.find_first_not_of(' ') == std::string::npos) continue;
        std::vector<std::string> fields(1);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '|') fields.emplace_back();
            else if (line[i] == '\\' && i + 1 < line.size()) fields.back() += line.substr(i++, 2);
            else fields.back() += line[i];
        }
        for (std::string& field : fields) {
            field.erase(0, field.find_first_not_of(' '));
            field.erase(field.find_last_not_of(' ') + 1);
        }
        rows.push_back(fields);
    }
    return rows;
}

}  // namespace torvex::testing
