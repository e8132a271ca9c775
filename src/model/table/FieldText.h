#pragma once
// Texts as table fields: CSV, TSV and JSON strings, written at P, which has
// room for their longest form (twice the length and the quotes in CSV, six
// times and the quotes in JSON); each returns the end of what it wrote.
#include <string>
#include <string_view>

char* CsvField(char* P, std::string_view Text);
char* TsvField(char* P, std::string_view Text);
char* JsonString(char* P, std::string_view Text);

// The same as strings.
std::string CsvFieldText(std::string_view Text);
std::string JsonStringText(std::string_view Text);
