#pragma once
// Small strict parsers for command-line and score fields.

#include <cstdint>
#include <string>
#include <vector>

std::string trim(const std::string& text);
std::vector<std::string> splitWords(const std::string& text);

// Whole-field parses: the entire text must be the number.
bool parseInteger(const std::string& text, int64_t& value);
bool parseFloat(const std::string& text, float& value);
bool parseDouble(const std::string& text, double& value);
