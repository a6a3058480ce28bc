// Private-profile files: "[section]" headers and "key=value" lines, compared
// case-insensitively, written through a temporary file and a rename so that a
// crash never leaves half a file.
#include "vorlain/platform.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::vector<std::string> readLines(const char* file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool sectionHeader(const std::string& line, std::string& name)
{
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyLine(const std::string& line, std::string& key, std::string& value)
{
    std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#')
        return false;
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return !key.empty();
}

bool lookupValue(const char* section, const char* key, const char* file, std::string& value)
{
    if (!section || !key || !file)
        return false;
    bool inSection = false;
    for (const std::string& line : readLines(file)) {
        std::string name, k, v;
        if (sectionHeader(line, name)) {
            inSection = sameName(name, section);
        } else if (inSection && keyLine(line, k, v) && sameName(k, key)) {
            value = v;
            return true;
        }
    }
    return false;
}

bool writeAtomically(const char* file, const std::vector<std::string>& lines)
{
    std::string tmp = std::string(file) + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const std::string& line : lines)
            out << line << '\n';
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), file) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

extern "C" {

size_t VorlainGetProfileString(const char* section, const char* key, const char* defaultValue,
                               char* out, size_t size, const char* file)
{
    if (!out || size == 0)
        return 0;
    std::string value;
    if (!lookupValue(section, key, file, value))
        value = defaultValue ? defaultValue : "";
    VorlainCopyTextCut(out, size, value.c_str());
    return std::strlen(out);
}

int VorlainGetProfileInt(const char* section, const char* key, int defaultValue, const char* file)
{
    std::string value;
    if (!lookupValue(section, key, file, value) || value.empty())
        return defaultValue;
    return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

int VorlainWriteProfileString(const char* section, const char* key, const char* value,
                              const char* file)
{
    if (!section || !key || !file || !*section || !*key)
        return 0;
    std::vector<std::string> lines = readLines(file);
    std::string newLine = std::string(key) + "=" + (value ? value : "");
    bool inSection = false;
    bool sectionFound = false;
    size_t insertAt = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, v;
        if (sectionHeader(lines[i], name)) {
            if (inSection)
                break; // key not in the section: insert before the next header
            inSection = sameName(name, section);
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
        } else if (inSection) {
            if (keyLine(lines[i], k, v) && sameName(k, key)) {
                if (value)
                    lines[i] = newLine;
                else
                    lines.erase(lines.begin() + static_cast<long>(i));
                return writeAtomically(file, lines) ? 1 : 0;
            }
            if (!trim(lines[i]).empty())
                insertAt = i + 1;
        }
    }
    if (!value)
        return 1;
    if (sectionFound) {
        lines.insert(lines.begin() + static_cast<long>(insertAt), newLine);
    } else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(newLine);
    }
    return writeAtomically(file, lines) ? 1 : 0;
}

} // extern "C"
