#include "tools/render/TextFields.h"

#include <charconv>
#include <sstream>

std::string trim(const std::string& text)
{
    const char* space = " \t\r\n";
    size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

std::vector<std::string> splitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

namespace {

template <typename T>
bool parseWhole(const std::string& text, T& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

}  // namespace

bool parseInteger(const std::string& text, int64_t& value) { return parseWhole(text, value); }
bool parseFloat(const std::string& text, float& value) { return parseWhole(text, value); }
bool parseDouble(const std::string& text, double& value) { return parseWhole(text, value); }
