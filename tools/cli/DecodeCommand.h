#pragma once
#include <ostream>
#include <string>
#include <vector>

// vorex-cli decode STRUCTURE PACKET [PACKET2...] [--dump] [--summary] [--export FILE]
// Args are the arguments after "decode"; log entries go to Err.
int DecodeCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
