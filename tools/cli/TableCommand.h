#pragma once
// "vorex-cli table STRUCTURE PACKET [PACKET2...] [options]": the decoded values
// as a table for analysis tools (CSV, TSV or JSON lines).
#include <ostream>
#include <string>
#include <vector>

// Args are the arguments after "table"; log entries go to Err. Returns 0, 3
// when Error entries were logged, 2 when the files do not load, a name is
// unknown or the output cannot be written, 1 for wrong usage.
int TableCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
