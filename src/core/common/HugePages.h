#pragma once
// Memory that is written once and in full, such as a file's image or a
// table's columns, faults in with fewer page faults as huge pages.
#include <cstddef>

// Lets the system back the whole 2 MiB pages inside [Start, Start + Bytes)
// with huge pages, where it allows them.
void AskForHugePages(void* Start, std::size_t Bytes);
