#pragma once
// Lets pending window events run, deferred deletions included.
void ProcessPendingEvents();
