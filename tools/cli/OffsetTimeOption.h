#pragma once
// The option --offset-time: the Offset Time that a table's datetime column
// adds the BaseFrames' times to.
#include <CLI/CLI.hpp>
#include <string>

// Adds --offset-time to App, read into OffsetTime (left as it is when not
// given). A text the project would not read as a date and time is a wrong
// usage.
CLI::Option* AddOffsetTimeOption(CLI::App& App, std::string& OffsetTime);
