#pragma once
// "vorex-cli vars STRUCTURE [--format csv|jsonl]": every column of the wide
// table with its kind, unit, description and transform.
#include <ostream>
#include <string>
#include <vector>

// Args are the arguments after "vars"; log entries go to Err. Returns 0, 2
// when the structure file does not load or the output cannot be written, 1
// for wrong usage.
int VarsCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
