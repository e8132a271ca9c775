#pragma once
// What a browser cell shows for a decoded node: name, value, hint and style.
#include <string>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

// "0x" and the nearest integer (halves to even) in upper-case hexadecimal,
// at least 4 digits; a negative value gives the 16 digits of its 64-bit form.
std::string HexWordText(double Value);

// Column "Name". A BaseFrame reads "<number>. BF, " followed by its OOBT time
// (StartTime + OOBT days) and the frames of its sub-frames when it has them;
// with a FileMark, "<number>. BF (<FileMark>), " names its packet file.
std::string NodeNameText(const TFramesDefinition& Definition, const TDecodedNode& Node, double StartTime,
                         const std::string& FileMark = {});

// The marks of the BaseFrames of two packet files: their names without the
// folder, or the whole paths when those names are the same.
std::vector<std::string> PacketFileMarks(const std::string& FileA, const std::string& FileB);

// Column "Value", with the decimal separator of the settings in use.
std::string NodeValueText(const TFramesDefinition& Definition, const TDecodedNode& Node);

// The tool tip; lines end in CR LF. Empty for frames and sub-frames.
std::string NodeHintText(const TFramesDefinition& Definition, const TDecodedNode& Node,
                         const std::vector<std::string>& Messages);

enum class TNodeStyle {
  Normal,
  Bold,     // a BaseFrame or sub-frame
  Computed  // a variable not read from the frame, drawn in (34, 34, 153)
};

TNodeStyle NodeStyle(const TFramesDefinition& Definition, const TDecodedNode& Node);
