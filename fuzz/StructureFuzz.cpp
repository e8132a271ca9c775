// The structure file loader, and the decoding of one BaseFrame of fixed bytes
// under whatever it loaded.
#include "FuzzInput.h"
#include "common/Convert.h"
#include "structure/QuorinFramesDefinition.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::vector<std::string> Messages;
  try {
    TQuorinFramesDefinition Definition(TStructureText{TextOf(Data, Size), "structure"}, Messages);
    if (!Definition.Loaded) return 0;
    TMemoryStream Stream;
    Stream.Bytes.resize(512);
    for (std::size_t I = 0; I < Stream.Bytes.size(); ++I) Stream.Bytes[I] = static_cast<std::uint8_t>(I * 37 + 11);
    TNodePool Pool;
    try {
      Definition.DecodeFrame(Stream, "BaseFrame", Pool);
    } catch (const EDecodeAbort&) {
    }
  } catch (const EConvertError&) {
    // A position or length that is not an integer ends the load, as in the application.
  }
  return 0;
}
