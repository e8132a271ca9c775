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
  const std::string_view Structure = TextOf(Data, static_cast<std::size_t>(Split - Data));
  std::size_t Rest = Split == Data + Size ? 0 : static_cast<std::size_t>(Data + Size - Split - 1);
  std::vector<std::string> Messages;
  try {
    TQuorinFramesDefinition Definition(TStructureText{Structure, "structure"}, Messages);
    if (!Definition.Loaded) return 0;
    // Every BaseFrame is decoded alike; more than a few only repeat the work
    // (up to 256 sub-frames each), so the input is cut to 32 of them.
    const std::int32_t Length = Definition.GetFrameLength("BaseFrame");
    if (Length > 0) Rest = std::min<std::size_t>(Rest, 32 * static_cast<std::size_t>(Length));
    TData Holder("packets", Definition);
    Holder.UpdateFromBytes({Split + (Rest ? 1 : 0), Rest});
    std::vector<const TDecodedNode*> Roots;
    for (const TDecodedNode* Root = Holder.Frames; Root; Root = Root->Next) Roots.push_back(Root);
    std::ostringstream Export;
    WriteBrowserExport(Export, Definition, Roots);
  } catch (const EConvertError&) {
  }
  return 0;
}
