#pragma once
// Texts between the core (8-bit strings, UTF-8 where valid) and the GUI.
#include <QString>
#include <string>

// UTF-8 when the bytes are valid UTF-8, otherwise one character per byte.
QString FromBytes(const std::string& Bytes);
// UTF-8 bytes, as the core and the file system take them.
std::string ToBytes(const QString& Text);
