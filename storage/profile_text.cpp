#include "storage/profile_text.h"

#include "storage/gbk.h"

namespace kerfolio {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII letters fold; the second byte of a double-byte character never does.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        if (GbkCharLength(a, i) == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
            ++i;
        }
    }
    return true;
}

enum class LineKind { kOther, kHeader, kKey };

struct Line {
    std::size_t begin = 0;  // first byte of the line
    std::size_t end = 0;    // its line break, or the end of the text
    std::size_t next = 0;   // first byte after the line break
    LineKind kind = LineKind::kOther;
    std::string_view name;       // section or key name, blanks removed
    std::size_t valueBegin = 0;  // key lines: the value after "=" and its leading blanks
    std::size_t valueEnd = 0;    // key lines: end of the value before trailing blanks
};

// The line starting at pos: CR LF, LF and CR each end a line.
Line ReadLine(std::string_view text, std::size_t pos) {
    Line line;
    line.begin = pos;
    line.end = pos;
    while (line.end < text.size() && !IsLineBreak(text[line.end]))
        ++line.end;
    line.next = line.end;
    if (line.next < text.size()) {
        line.next +=
            (text[line.next] == '\r' && line.next + 1 < text.size() && text[line.next + 1] == '\n') ? 2u : 1u;
    }

    std::size_t start = line.begin;
    while (start < line.end && IsBlank(text[start]))
        ++start;
    if (start == line.end || text[start] == ';') return line;
    if (text[start] == '[') {
        // Step over double-byte characters: their second byte may be "]".
        for (std::size_t i = start + 1; i < line.end; i += GbkCharLength(text, i)) {
            if (text[i] == ']') {
                line.kind = LineKind::kHeader;
                line.name = TrimBlanks(text.substr(start + 1, i - start - 1));
                break;
            }
        }
        return line;
    }
    std::string_view content = text.substr(start, line.end - start);
    std::size_t equals = content.find('=');  // "=" is never the second byte of a GBK character
    if (equals == std::string_view::npos) return line;
    line.kind = LineKind::kKey;
    line.name = TrimBlanks(content.substr(0, equals));
    line.valueBegin = start + equals + 1;
    while (line.valueBegin < line.end && IsBlank(text[line.valueBegin]))
        ++line.valueBegin;
    line.valueEnd = line.end;
    while (line.valueEnd > line.valueBegin && IsBlank(text[line.valueEnd - 1]))
        --line.valueEnd;
    return line;
}

// Where section and key sit in the file.
struct Location {
    bool sectionFound = false;
    std::optional<Line> key;  // the first matching key line of the section
    Line insertAfter;         // the last key line of the section, or its header
};

Location Locate(std::string_view text, std::string_view section, std::string_view key) {
    Location location;
    for (std::size_t pos = 0; pos < text.size();) {
        Line line = ReadLine(text, pos);
        pos = line.next;
        if (line.kind == LineKind::kHeader) {
            if (location.sectionFound) break;  // a repeated header is never read
            if (SameName(line.name, section)) {
                location.sectionFound = true;
                location.insertAfter = line;
            }
        } else if (line.kind == LineKind::kKey && location.sectionFound) {
            if (SameName(line.name, key)) {
                location.key = line;
                break;
            }
            location.insertAfter = line;
        }
    }
    return location;
}

}  // namespace

std::optional<std::string_view> FindProfileValue(std::string_view fileBytes, std::string_view section,
                                                 std::string_view key) {
    Location location = Locate(fileBytes, section, key);
    if (!location.key) return std::nullopt;
    std::string_view value =
        fileBytes.substr(location.key->valueBegin, location.key->valueEnd - location.key->valueBegin);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

std::string ReadProfileValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                             std::string_view defaultValue) {
    return std::string(FindProfileValue(fileBytes, section, key).value_or(defaultValue));
}

std::string SetProfileValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                            std::string_view value) {
    Location location = Locate(fileBytes, section, key);
    std::string result;
    result.reserve(fileBytes.size() + section.size() + key.size() + value.size() + 8);
    if (location.key) {
        // The key's spelling, its blanks and anything before the value stay as they were.
        result.append(fileBytes.substr(0, location.key->valueBegin));
        result.append(value);
        result.append(fileBytes.substr(location.key->end));
        return result;
    }
    std::string newLine = std::string(key) + "=" + std::string(value) + "\r\n";
    if (location.sectionFound) {
        const Line& after = location.insertAfter;
        result.append(fileBytes.substr(0, after.next));
        if (after.next == after.end) result.append("\r\n");  // the line ended the file without a break
        result.append(newLine);
        result.append(fileBytes.substr(after.next));
        return result;
    }
    result.append(fileBytes);
    if (!result.empty() && !IsLineBreak(result.back())) result.append("\r\n");
    result.append("[").append(section).append("]\r\n").append(newLine);
    return result;
}

std::string ValueThatReadsBack(std::string_view value) {
    const auto dropped = [](char c) { return IsBlank(c) || c == '"' || c == '\''; };
    if (value.empty() || (!dropped(value.front()) && !dropped(value.back()))) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

std::optional<std::string> ProfileNameProblem(std::string_view section, std::string_view key) {
    const auto hasLineBreak = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    const auto hasEdgeBlank = [](std::string_view text) { return TrimBlanks(text) != text; };
    if (section.empty() || hasLineBreak(section) || hasEdgeBlank(section) ||
        section.find(']') != std::string_view::npos) {
        return "Invalid section name \"" + std::string(section) + "\"";
    }
    if (key.empty() || hasLineBreak(key) || hasEdgeBlank(key) || key.find('=') != std::string_view::npos ||
        key.front() == ';' || key.front() == '[') {
        return "Invalid key name \"" + std::string(key) + "\"";
    }
    return std::nullopt;
}

}  // namespace kerfolio
