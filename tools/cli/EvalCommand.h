#pragma once
// "vorex-cli eval EXPR [--var NAME=VALUE ...]": evaluates one transform
// function and prints "value X", "error N" or "math".
#include <ostream>
#include <string>
#include <vector>

// Args are the arguments after "eval". Returns 0 after an evaluation (or the
// usage or version), 1 for wrong usage.
int EvalCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
