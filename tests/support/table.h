// Tables of test cases kept in tests/data: one row a line, fields between
// "|", spaces around a field ignored, "#" starting a comment line. Bytes
// that a text editor would hide or a row cannot hold are written as
// escapes: \n \r \t \f \0 \s (a space) \| \\ and \xHH.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvex::testing {

using Row = std::vector<std::string>;

inline std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'x' && i + 2 < field.size()) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            const std::string from = "nrtf0s", to = std::string("\n\r\t\f") + '\0' + ' ';
            const size_t k = from.find(c);
            out += k == std::string::npos ? c : to[k];
        }
    }
    return out;
}

// The rows of the table in file, each with exactly `fields` fields.
inline std::vector<Row> ReadTable(const std::string& file, size_t fields) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file);
    std::vector<Row> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.find_first_not_of(' ') == std::string::npos || line[line.find_first_not_of(' ')] == '#') continue;
        Row row(1);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                row.back() += line.substr(i++, 2);
            } else if (line[i] == '|') {
                row.emplace_back();
            } else {
                row.back() += line[i];
            }
        }
        for (std::string& field : row) {
            const size_t first = field.find_first_not_of(' '), last = field.find_last_not_of(' ');
            field = Unescape(first == std::string::npos ? "" : field.substr(first, last - first + 1));
        }
        if (row.size() != fields)
            throw std::runtime_error(file + ":" + std::to_string(number) + ": " + std::to_string(row.size()) +
                                     " fields, not " + std::to_string(fields));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace torvex::testing
