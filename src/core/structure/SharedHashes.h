#pragma once
// Different names with one hash are one name to the decoder: the load says so.
#include <vector>

#include "structure/DefinitionEntry.h"

// Logs a Warn entry once per pair of different variable names of one frame,
// and of different frame names, that share a hash. The hashes of Entries
// must be set.
void ReportSharedHashes(const std::vector<TDefinitionEntry>& Entries);
