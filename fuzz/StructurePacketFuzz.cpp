// Decoding under fuzzed structures: the input is a structure file, a NUL
// byte and the packet file decoded with it; the export walks the result.
#include <algorithm>
#include <sstream>

#include "FuzzInput.h"
#include "browser/BrowserExport.h"
#include "common/Convert.h"
#include "data/Data.h"
#include "structure/QuorinFramesDefinition.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::uint8_t* Split = std::find(Data, Data + Size, 0);
  const std::string Structure = ScratchFile("structure", Data, static_cast<std::size_t>(Split - Data));
  const std::size_t Rest = Split == Data + Size ? 0 : static_cast<std::size_t>(Data + Size - Split - 1);
  const std::string Packets = ScratchFile("packets", Split + (Rest ? 1 : 0), Rest);
  std::vector<std::string> Messages;
  try {
    TQuorinFramesDefinition Definition(Structure, Messages);
    if (!Definition.Loaded) return 0;
    TData Holder(Packets, Definition);
    Holder.StartTracking();
    Holder.StopTracking();
    std::vector<const TDecodedNode*> Roots;
    for (const TDecodedNode* Root = Holder.Frames; Root; Root = Root->Next) Roots.push_back(Root);
    std::ostringstream Export;
    WriteBrowserExport(Export, Definition, Roots);
  } catch (const EConvertError&) {
  }
  return 0;
}
