#pragma once
// Exit statuses a command takes from what it wrote and what its files held.
#include <ostream>

#include "project/Project.h"

// 0 when Out took all that was written to it (flushed here), else 2 with
// the Error entry "Cannot write standard output.".
int StandardOutputStatus(std::ostream& Out);

// 0, or 2 with the Error entry "No BaseFrame found in X." for each packet
// file of the loaded Project that holds at least a BaseFrame's length of
// bytes but gave no BaseFrame, while no pass of the load logged an Error:
// nothing in it was taken for a BaseFrame. A shorter file (a recording that
// has just begun) gave its warnings in the pass; an Error (a cross dependency
// in the first BaseFrame) tells of a pass that stopped, not of data without
// BaseFrames.
int BaseFramesFoundStatus(const TProject& Project);
