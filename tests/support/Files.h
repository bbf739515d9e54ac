#pragma once
// Whole-file reads and writes for tests that check or craft files byte for byte.
#include <string>

std::string Slurp(const std::string& path);
void Put(const std::string& path, const std::string& content);
