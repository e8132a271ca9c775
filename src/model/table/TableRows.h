#pragma once
// What a table row takes from a decoded BaseFrame, for every writer of
// tables: the message of a TEXT variable, and the variable nodes of the long
// layout.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "table/TableColumns.h"

// The index in Messages of a TEXT node's message (its raw value), or -1.
std::int64_t MessageIndex(const TDecodedNode& Node, const std::vector<std::string>& Messages);

// Whether the node is a TEXT variable.
bool IsTextNode(const TFramesDefinition& Definition, const TDecodedNode& Node);

// Calls Visit for every variable node below List (not sub-frames), in the walk
// order of the wide layout, whose qualified name Columns selects.
void ForEachSelectedVariable(const TFramesDefinition& Definition, const TTableColumns& Columns,
                             const TDecodedNode* List,
                             const std::function<void(const TDecodedNode& Node, const std::string& Name)>& Visit);
